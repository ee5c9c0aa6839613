#include "xml/load_context.h"

#include <utility>

#include "xml/parser.h"

namespace xml {

LoadContext::LoadContext() = default;

LoadContext::~LoadContext() = default;

LoadContext::Document* LoadContext::find(const FileIdentity& identity, const WideString& folder) {
    for (const auto& document : documents)
        if (document->folder == folder && document->identity == identity) return document.get();
    return nullptr;
}

LoadContext::Document* LoadContext::find(const WideString& path) {
    for (const auto& document : documents)
        if (document->path == path) return document.get();
    return nullptr;
}

LoadContext::Document& LoadContext::keep(std::unique_ptr<Document> document) {
    documents.push_back(std::move(document));
    return *documents.back();
}

}  // namespace xml
