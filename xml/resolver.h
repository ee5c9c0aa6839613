#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "boundary/xml_resolver.h"
#include "xml/file_identity.h"
#include "xml/load_context.h"
#include "xml/parser.h"

// The standard resolver: looks a document up in a primary folder, then in an optional
// secondary one, and hands it back parsed. References inside a document it opens are looked up
// beside that document. A document that refers back to one being expanded, or references
// nested more than kMaxReferenceDepth deep, fail instead of recursing without end.
//
// Within one load (a CXmlParser built with this resolver) every referenced file is read and
// parsed once, however often it is referred to, and the copies that references make are bounded
// (xml/load_context.h).
class CStdXmlResolver2 final : public IXmlResolver {
    struct OpenDocument;

public:
    static constexpr int kMaxReferenceDepth = 8;

    // A parsed document found by open(): owned, or, within a load, the load's own copy lent.
    class CXmlData final : public IXmlData {
    public:
        void* queryInterface(std::uint32_t id) override;
        void* destroy(unsigned int flags) override;
        void release() override;
        IXmlReader* getReader() override;

    private:
        friend class CStdXmlResolver2;
        explicit CXmlData(std::unique_ptr<CXmlParser> own);
        explicit CXmlData(CXmlParser& lent);

        std::unique_ptr<CXmlParser> owned;
        CXmlParser* reader;
    };

    // `secondary` may be null: then there is no secondary folder.
    CStdXmlResolver2(const WideChar* primary, const WideChar* secondary);

    void* queryInterface(std::uint32_t id) override;
    void* destroy(unsigned int flags) override;
    IXmlData* open(const WideChar* name, const WideChar* folder, ISafeStringW* error) override;
    void release() override;

    // This resolver's folders, for one load: what it opens is kept in `load`, and counted there.
    CStdXmlResolver2 inLoad(xml::LoadContext& load) const;

private:
    // The documents being expanded on the way down to the current one, innermost first. Each
    // learns, as its references are resolved, what lies below it.
    struct OpenDocument {
        xml::FileIdentity identity;
        OpenDocument* outer;
        int depth;       // 1 for a document opened by a top-level resolver
        int height = 0;  // levels of references below it
        std::vector<xml::FileIdentity> opened;  // the files below it
        void learn(const xml::FileIdentity& child, int childHeight, const std::vector<xml::FileIdentity>& below);
    };

    CStdXmlResolver2(WideString primary, OpenDocument* expanding, xml::LoadContext* load);
    IXmlData* openKept(const WideString& path);
    IXmlData* openFound(const WideString& path, std::FILE* stream);
    void enter(const OpenDocument& document, const WideString& path) const;
    IXmlData* lend(const xml::LoadContext::Document& kept);
    static std::unique_ptr<CXmlParser> parse(const WideString& path, std::FILE* stream, OpenDocument& document,
                                             xml::LoadContext& load);
    // Whether a document kept from elsewhere in the load gives here what a fresh parse would.
    bool reusable(const xml::LoadContext::Document& kept, const OpenDocument& document) const;

    WideString primaryFolder;
    WideString secondaryFolder;  // empty when there is none
    OpenDocument* expanding = nullptr;
    xml::LoadContext* load = nullptr;  // set within a load
};
