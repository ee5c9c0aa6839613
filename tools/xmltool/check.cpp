#include "tools/xmltool/check.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "tools/xmltool/in_order.h"
#include "tools/xmltool/load.h"
#include "tools/xmltool/usage_error.h"
#include "xml/errors.h"
#include "xml/reader/reader.h"
#include "xml/utf.h"

namespace xmltool {
namespace {

namespace fs = std::filesystem;

fs::path toPath(const WideString& text) {
#if defined(_WIN32)
    return fs::path(text);
#else
    return fs::u8path(xml::toUtf8(text));
#endif
}

bool endsWithXml(const WideString& name) {
    const WideString suffix = widen(".xml");
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

WideString fileName(const fs::path& path) {
#if defined(_WIN32)
    return path.filename().wstring();
#else
    return xml::fromUtf8(path.filename().string());
#endif
}

// The "*.xml" files below `folder`, as the folder argument followed by "/"-joined pieces.
std::vector<WideString> xmlFilesBelow(const WideString& folder) {
    WideString prefix = folder;
    while (prefix.size() > 1 && (prefix.back() == '/' || prefix.back() == '\\')) prefix.pop_back();
    std::vector<std::pair<std::string, WideString>> found;  // sorted by the UTF-8 bytes
    const fs::path root = toPath(folder);
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink() || !it->is_regular_file() || !endsWithXml(fileName(it->path()))) continue;
        WideString path = prefix;
        for (const fs::path& piece : fs::relative(it->path(), root)) path += WideChar('/') + fileName(piece);
        found.emplace_back(xml::toUtf8(path), path);
    }
    std::sort(found.begin(), found.end());
    std::vector<WideString> files;
    for (auto& entry : found) files.push_back(std::move(entry.second));
    return files;
}

// The game reads a document up to its first zero byte and never sees what follows, which the
// load therefore leaves unchecked: a file with one fails, with where it stands as the reader
// counts rows and columns (reading the part before it again, which loaded without fault).
void checkNoZeroByte(const FileToMemory& file) {
    const char* const begin = file.getData();
    const auto* zero = static_cast<const char*>(std::memchr(begin, 0, file.getSize()));
    if (!zero) return;
    xml::CXmlReader<const char*> reader(begin, zero);
    for (WideString name, value; reader.next();) {
        while (reader.nextAttribute(name, value)) {
        }
    }
    throw std::runtime_error("zero byte at " + xml::toUtf8(xml::locationText(reader.getPos())));
}

unsigned parseJobs(const WideString& text) {
    unsigned jobs = 0;
    for (const WideChar c : text) {
        if (c < '0' || c > '9' || jobs > 9999) throw UsageError("-j needs a number of jobs from 1");
        jobs = jobs * 10 + static_cast<unsigned>(c - '0');
    }
    if (jobs == 0) throw UsageError("-j needs a number of jobs from 1");
    return jobs;
}

// As many as there are processors; the 32-bit tool has 2 GB of address space, which more than
// four large documents at once can run out of.
unsigned defaultJobs() {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    return sizeof(void*) == 4 ? std::min(processors, 4u) : processors;
}

// "PATH: message" when the file fails, else nothing.
std::string checkFile(const WideString& file, const WideString& secondary) {
    try {
        LoadOptions options;
        options.file = file;
        options.secondary = secondary;
        const FileToMemory bytes(file.c_str());
        loadDocument(options, bytes);
        checkNoZeroByte(bytes);
        return {};
    } catch (const std::exception& error) {
        return xml::toUtf8(file) + ": " + error.what() + '\n';
    }
}

}  // namespace

int check(const std::vector<WideString>& arguments, std::ostream& out, std::ostream& err) {
    WideString secondary;
    unsigned jobs = defaultJobs();
    std::vector<WideString> files;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == widen("--secondary")) {
            if (++i == arguments.size()) throw UsageError("--secondary needs a value");
            secondary = arguments[i];
        } else if (arguments[i] == widen("-j") || arguments[i] == widen("--jobs")) {
            if (++i == arguments.size()) throw UsageError("-j needs a value");
            jobs = parseJobs(arguments[i]);
        } else if (fs::is_directory(toPath(arguments[i]))) {
            for (WideString& file : xmlFilesBelow(arguments[i])) files.push_back(std::move(file));
        } else {
            files.push_back(arguments[i]);  // a file, or a path that loading will report as missing
        }
    }
    if (files.empty() && arguments.size() < 2) throw UsageError("check needs a PATH");

    std::size_t failed = 0;
    runInOrder(
        files.size(), jobs, [&](std::size_t i) { return checkFile(files[i], secondary); },
        [&](const std::string& failure) {
            if (failure.empty()) return;
            ++failed;
            out << failure;
        });
    err << files.size() << " files checked, " << failed << " failed\n";
    return failed ? 1 : 0;
}

}  // namespace xmltool
