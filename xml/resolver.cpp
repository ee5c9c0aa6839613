#include "xml/resolver.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

#include "boundary/csafe_string.h"
#include "xml/files.h"
#include "xml/paths.h"
#include "xml/utf.h"

namespace {

void tell(ISafeStringW* error, const WideString& text) {
    if (error) error->assignString(text.c_str());
}

}  // namespace

CStdXmlResolver2::CStdXmlResolver2(const WideChar* primary, const WideChar* secondary)
    : primaryFolder(primary ? primary : WideString()), secondaryFolder(secondary ? secondary : WideString()) {}

CStdXmlResolver2::CStdXmlResolver2(WideString primary, OpenDocument* expanding, xml::LoadContext* load)
    : primaryFolder(std::move(primary)), expanding(expanding), load(load) {}

CStdXmlResolver2 CStdXmlResolver2::inLoad(xml::LoadContext& context) const {
    CStdXmlResolver2 bound(primaryFolder, nullptr, &context);
    bound.secondaryFolder = secondaryFolder;
    return bound;
}

void* CStdXmlResolver2::queryInterface(std::uint32_t id) { return id == kXmlResolverId ? this : nullptr; }

void* CStdXmlResolver2::destroy(unsigned int flags) { return destroyObject(this, flags); }

void CStdXmlResolver2::release() { destroy(kDestroyFree); }

IXmlResolver::IXmlData* CStdXmlResolver2::open(const WideChar* name, const WideChar* folder, ISafeStringW* error) {
    try {
        const WideString relative = name ? name : WideString();
        WideString path = xml::collapsePath(xml::combinePath(folder ? folder : primaryFolder.c_str(), relative));
        if (IXmlData* kept = openKept(path)) return kept;
        xml::FileHandle file = xml::openFileForReading(path.c_str());
        if (!file && !secondaryFolder.empty()) {
            path = xml::collapsePath(xml::combinePath(secondaryFolder, relative));
            if (IXmlData* kept = openKept(path)) return kept;
            file = xml::openFileForReading(path.c_str());
        }
        if (!file) {
            tell(error, widen("can't open file \"") + path + WideChar('"'));
            return nullptr;
        }
        return openFound(path, file.get());
    } catch (const std::exception& caught) {
        tell(error, xml::readableText(caught.what()));
        return nullptr;
    }
}

// A document this load has read by the same path: its file is not even opened again. Null when
// there is none, or when it cannot stand in for a fresh parse here.
IXmlResolver::IXmlData* CStdXmlResolver2::openKept(const WideString& path) {
    xml::LoadContext::Document* kept = load ? load->find(path) : nullptr;
    if (!kept) return nullptr;
    OpenDocument document{kept->identity, expanding, expanding ? expanding->depth + 1 : 1, 0, {}};
    enter(document, path);
    return reusable(*kept, document) ? lend(*kept) : nullptr;
}

IXmlResolver::IXmlData* CStdXmlResolver2::openFound(const WideString& path, std::FILE* stream) {
    OpenDocument document{xml::identifyFile(stream, path), expanding, expanding ? expanding->depth + 1 : 1, 0, {}};
    enter(document, path);
    if (!load) {  // a document asked for outside any load is a load of its own
        xml::LoadContext own;
        return new CXmlData(parse(path, stream, document, own));
    }
    const WideString folder = xml::parentFolder(path);
    xml::LoadContext::Document* kept = load->find(document.identity, folder);
    if (!kept || !reusable(*kept, document)) {
        auto fresh = std::make_unique<xml::LoadContext::Document>();
        fresh->parsed = parse(path, stream, document, *load);
        fresh->identity = std::move(document.identity);
        fresh->path = path;
        fresh->folder = folder;
        fresh->height = document.height;
        fresh->opened = std::move(document.opened);
        kept = &load->keep(std::move(fresh));
    }
    return lend(*kept);
}

// Refuses a document that is being expanded already, or one nested too deep.
void CStdXmlResolver2::enter(const OpenDocument& document, const WideString& path) const {
    for (const OpenDocument* outer = expanding; outer; outer = outer->outer) {
        if (outer->identity == document.identity)
            throw CXmlParser::InitError(widen("circular reference to \"") + path + WideChar('"'));
    }
    if (document.depth > kMaxReferenceDepth) throw CXmlParser::InitError(widen("reference nesting too deep"));
}

IXmlResolver::IXmlData* CStdXmlResolver2::lend(const xml::LoadContext::Document& kept) {
    if (expanding) expanding->learn(kept.identity, kept.height, kept.opened);
    return new CXmlData(*kept.parsed);
}

// The document's bytes and the resolver beside it live only while the parser is built.
std::unique_ptr<CXmlParser> CStdXmlResolver2::parse(const WideString& path, std::FILE* stream, OpenDocument& document,
                                                    xml::LoadContext& load) {
    const FileToMemory bytes(stream);
    CStdXmlResolver2 besideDocument(xml::parentFolder(path), &document, &load);
    return std::unique_ptr<CXmlParser>(new CXmlParser(bytes.getData(), &besideDocument, path.c_str(), load));
}

// A fresh parse here would fail where the kept document's references, now deeper, nest too deep
// or reach a document being expanded: then it is parsed again, to fail with the same message.
bool CStdXmlResolver2::reusable(const xml::LoadContext::Document& kept, const OpenDocument& document) const {
    if (document.depth + kept.height > kMaxReferenceDepth) return false;
    for (const OpenDocument* outer = expanding; outer; outer = outer->outer) {
        for (const xml::FileIdentity& below : kept.opened)
            if (below == outer->identity) return false;
    }
    return true;
}

void CStdXmlResolver2::OpenDocument::learn(const xml::FileIdentity& child, int childHeight,
                                           const std::vector<xml::FileIdentity>& below) {
    height = std::max(height, childHeight + 1);
    // Each file once: a document referred to ten times from each of ten levels is still one file.
    const auto add = [this](const xml::FileIdentity& file) {
        if (std::find(opened.begin(), opened.end(), file) == opened.end()) opened.push_back(file);
    };
    add(child);
    for (const xml::FileIdentity& file : below) add(file);
}

CStdXmlResolver2::CXmlData::CXmlData(std::unique_ptr<CXmlParser> own) : owned(std::move(own)), reader(owned.get()) {}

CStdXmlResolver2::CXmlData::CXmlData(CXmlParser& lent) : reader(&lent) {}

void* CStdXmlResolver2::CXmlData::queryInterface(std::uint32_t id) { return id == kXmlDataId ? this : nullptr; }

void* CStdXmlResolver2::CXmlData::destroy(unsigned int flags) { return destroyObject(this, flags); }

void CStdXmlResolver2::CXmlData::release() { destroy(kDestroyFree); }

IXmlReader* CStdXmlResolver2::CXmlData::getReader() { return reader; }
