// The one-pass load against the two stages it stands for: "a.xml" of a document set
// (fuzz/document_set.h) loaded both ways must give the same tree, or the same failure with the
// same message. Any difference aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <utf8cpp/utf8.h>

#include "boundary/csafe_string.h"
#include "fuzz/document_set.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

// Everything the node interface shows of a tree, in one string.
WideString describe(IXmlReaderNode* root) {
    WideString out;
    CSafeStringW into(out);
    std::vector<std::pair<IXmlReaderNode*, std::uint32_t>> pending{{root, 0}};
    while (!pending.empty()) {
        auto& [node, next] = pending.back();
        if (next == 0) {
            out += u'<';
            WideString name;
            CSafeStringW nameOut(name);
            node->getName(&nameOut);
            out += name;
            for (std::uint32_t i = 0; i < node->getAttributeCount(); ++i) {
                WideString attribute, value;
                CSafeStringW attributeOut(attribute), valueOut(value);
                node->getAttributeName(static_cast<std::int32_t>(i), &attributeOut);
                node->getAttributeString(static_cast<std::int32_t>(i), &valueOut);
                out += u' ' + attribute + u'=' + value;
            }
            out += u'>';
            out += node->getText();
        }
        if (next == node->getChildCount()) {
            out += u"</>";
            pending.pop_back();
            continue;
        }
        IXmlReaderNode* child = node->getChild(static_cast<std::int32_t>(next++));
        pending.emplace_back(child, 0);
    }
    return out;
}

template <class Load>
std::string outcome(Load load) {
    try {
        const WideString tree = describe(load()->getRoot());
        return "tree " + std::string(reinterpret_cast<const char*>(tree.data()), tree.size() * sizeof(WideChar));
    } catch (const xml::parse_error& error) {
        return std::string("parse_error ") + error.what();
    } catch (const CXmlParser::InitError& error) {
        return std::string("InitError ") + error.what();
    } catch (const gen_exception& error) {
        return std::string("gen_exception ") + error.what();
    } catch (const utf8::invalid_utf16&) {
        return "unprintable";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string main = fuzz::writeDocumentSet(data, size);
    const WideString primary = fuzz::documentFolderWide();
    const WideChar name[] = {'a', '.', 'x', 'm', 'l', 0};
    CStdXmlResolver2 resolver(primary.c_str(), nullptr);
    const std::string onePass = outcome([&] { return std::make_unique<CXmlParser>(main.c_str(), &resolver, name); });
    const std::string twoStages = outcome([&] {
        return std::make_unique<CXmlParser>(CXmlParser::TwoStages{}, main.c_str(), &resolver, name);
    });
    if (onePass != twoStages) {
        std::fprintf(stderr, "one pass:   %s\ntwo stages: %s\n", onePass.c_str(), twoStages.c_str());
        std::abort();
    }
    return 0;
}
