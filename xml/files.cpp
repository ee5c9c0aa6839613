#include "xml/files.h"

#include <exception>
#include <limits>
#include <string>

#if defined(_WIN32)
#include <stdio.h>
#else
#include <sys/stat.h>

#include <utf8cpp/utf8.h>

#include "xml/utf.h"
#endif

namespace xml {

FileHandle openFileForReading(const WideChar* fileName) {
#if defined(_WIN32)
    return FileHandle(_wfopen(fileName, L"rb"));
#else
    // POSIX takes file names as bytes: UTF-8, which a name with a lone surrogate cannot be.
    // Unlike Windows it also opens folders, which are refused so that both builds agree.
    std::string name;
    try {
        name = toUtf8(fileName);
    } catch (const utf8::exception&) {  // an allocation failure is no reason to call it unopenable
        return nullptr;
    }
    FileHandle file(std::fopen(name.c_str(), "rb"));
    struct stat status;
    if (file && (fstat(fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode))) file.reset();
    return file;
#endif
}

}  // namespace xml

FileToMemory::FileToMemory(const WideChar* fileName) {
    xml::FileHandle file = xml::openFileForReading(fileName);
    if (!file) throw InitError(widen("error opening file \"") + fileName + WideChar('"'));
    read(file.get());
}

FileToMemory::FileToMemory(std::FILE* stream) { read(stream); }

[[noreturn]] static void failRead() { throw FileToMemory::InitError(widen("error reading file to memory")); }

void FileToMemory::read(std::FILE* stream) {
    // The length comes from the stream position; a stream without one, or longer than the
    // 32-bit size can count, cannot be held whole.
    if (std::fseek(stream, 0, SEEK_END) != 0) failRead();
    const long length = std::ftell(stream);
    if (length < 0 || static_cast<unsigned long>(length) >= std::numeric_limits<std::uint32_t>::max())
        failRead();
    const auto bytes = static_cast<std::size_t>(length);
    data.reset(new char[bytes + 1]);
    std::rewind(stream);
    if (std::fread(data.get(), 1, bytes, stream) != bytes) failRead();
    data[bytes] = 0;
    size = static_cast<std::uint32_t>(bytes);
}
