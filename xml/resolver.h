#pragma once

#include <cstdint>
#include <cstdio>

#include "boundary/xml_resolver.h"
#include "xml/file_identity.h"
#include "xml/parser.h"

// The standard resolver: looks a document up in a primary folder, then in an optional
// secondary one, and hands it back parsed. References inside a document it opens are looked up
// beside that document. A document that refers back to one being expanded, or references
// nested more than kMaxReferenceDepth deep, fail instead of recursing without end.
class CStdXmlResolver2 final : public IXmlResolver {
    struct OpenDocument;

public:
    static constexpr int kMaxReferenceDepth = 8;

    // A parsed document found by open(); owns its parser and through it every node.
    class CXmlData final : public IXmlData {
    public:
        void* queryInterface(std::uint32_t id) override;
        void* destroy(unsigned int flags) override;
        void release() override;
        IXmlReader* getReader() override;

    private:
        friend class CStdXmlResolver2;
        CXmlData(const WideString& path, std::FILE* stream, const OpenDocument* expanding);
        CXmlData(const WideString& path, const char* text, CStdXmlResolver2&& besideDocument);

        CXmlParser reader;
    };

    // `secondary` may be null: then there is no secondary folder.
    CStdXmlResolver2(const WideChar* primary, const WideChar* secondary);

    void* queryInterface(std::uint32_t id) override;
    void* destroy(unsigned int flags) override;
    IXmlData* open(const WideChar* name, const WideChar* folder, ISafeStringW* error) override;
    void release() override;

private:
    // The documents being expanded on the way down to the current one, innermost first.
    struct OpenDocument {
        xml::FileIdentity identity;
        bool identified;
        const OpenDocument* outer;
        int depth;  // 1 for a document opened by a top-level resolver
    };

    CStdXmlResolver2(WideString primary, const OpenDocument* expanding);
    IXmlData* openFound(const WideString& path, std::FILE* stream);

    WideString primaryFolder;
    WideString secondaryFolder;  // empty when there is none
    const OpenDocument* expanding = nullptr;
};
