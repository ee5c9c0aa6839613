#include "xml/resolver.h"

#include <exception>
#include <memory>
#include <utility>

#include "boundary/csafe_string.h"
#include "xml/files.h"
#include "xml/paths.h"
#include "xml/utf.h"

namespace {

// A failure text for the caller; a what() that is not UTF-8 is taken byte by byte.
WideString failureText(const char* what) {
    try {
        return xml::fromUtf8(what);
    } catch (const std::exception&) {
        WideString text;
        for (const char* c = what; *c; ++c) text += WideChar(static_cast<unsigned char>(*c));
        return text;
    }
}

void tell(ISafeStringW* error, const WideString& text) {
    if (error) error->assignString(text.c_str());
}

}  // namespace

CStdXmlResolver2::CStdXmlResolver2(const WideChar* primary, const WideChar* secondary)
    : primaryFolder(primary ? primary : WideString()), secondaryFolder(secondary ? secondary : WideString()) {}

CStdXmlResolver2::CStdXmlResolver2(WideString primary, const OpenDocument* expanding)
    : primaryFolder(std::move(primary)), expanding(expanding) {}

void* CStdXmlResolver2::queryInterface(std::uint32_t id) { return id == kXmlResolverId ? this : nullptr; }

void* CStdXmlResolver2::destroy(unsigned int flags) { return destroyObject(this, flags); }

void CStdXmlResolver2::release() { destroy(kDestroyFree); }

IXmlResolver::IXmlData* CStdXmlResolver2::open(const WideChar* name, const WideChar* folder, ISafeStringW* error) {
    try {
        const WideString relative = name ? name : WideString();
        WideString path = xml::collapsePath(xml::combinePath(folder ? folder : primaryFolder.c_str(), relative));
        xml::FileHandle file = xml::openFileForReading(path.c_str());
        if (!file && !secondaryFolder.empty()) {
            path = xml::collapsePath(xml::combinePath(secondaryFolder, relative));
            file = xml::openFileForReading(path.c_str());
        }
        if (!file) {
            tell(error, widen("can't open file \"") + path + WideChar('"'));
            return nullptr;
        }
        return openFound(path, file.get());
    } catch (const std::exception& caught) {
        tell(error, failureText(caught.what()));
        return nullptr;
    }
}

IXmlResolver::IXmlData* CStdXmlResolver2::openFound(const WideString& path, std::FILE* stream) {
    OpenDocument document;
    document.identified = xml::identifyFile(stream, document.identity);
    document.outer = expanding;
    document.depth = expanding ? expanding->depth + 1 : 1;
    for (const OpenDocument* outer = expanding; outer && document.identified; outer = outer->outer) {
        if (outer->identified && outer->identity == document.identity)
            throw CXmlParser::InitError(widen("circular reference to \"") + path + WideChar('"'));
    }
    if (document.depth > kMaxReferenceDepth) throw CXmlParser::InitError(widen("reference nesting too deep"));
    return new CXmlData(path, stream, &document);
}

// The document's bytes and the resolver beside it live only while the parser is built.
CStdXmlResolver2::CXmlData::CXmlData(const WideString& path, std::FILE* stream, const OpenDocument* expanding)
    : CXmlData(path, FileToMemory(stream).getData(), CStdXmlResolver2(xml::parentFolder(path), expanding)) {}

CStdXmlResolver2::CXmlData::CXmlData(const WideString& path, const char* text, CStdXmlResolver2&& besideDocument)
    : reader(text, &besideDocument, path.c_str()) {}

void* CStdXmlResolver2::CXmlData::queryInterface(std::uint32_t id) { return id == kXmlDataId ? this : nullptr; }

void* CStdXmlResolver2::CXmlData::destroy(unsigned int flags) { return destroyObject(this, flags); }

void CStdXmlResolver2::CXmlData::release() { destroy(kDestroyFree); }

IXmlReader* CStdXmlResolver2::CXmlData::getReader() { return &reader; }
