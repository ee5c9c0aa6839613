// Reference expansion, and the one-pass load against the two stages it stands for. The input,
// split at zero bytes, gives up to three small documents: "a.xml" is loaded both ways, "b.xml"
// and "c.xml" (left out when empty) are written to a folder of their own, so that the documents
// may refer to each other, to themselves, to missing files and to missing nodes. Both loads must
// give the same tree, or the same failure with the same message; any difference aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include <utf8cpp/utf8.h>

#include "boundary/csafe_string.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

const std::string& documentFolder() {
    static const std::string path = [] {
        char name[] = "/tmp/gamehost_fuzzer.XXXXXX";
        if (!mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    static const int removedAtExit = std::atexit([] {
        for (const char* file : {"/b.xml", "/c.xml"}) std::remove((path + file).c_str());
        rmdir(path.c_str());
    });
    (void)removedAtExit;
    return path;
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// Writes b.xml and c.xml and returns a.xml's text.
std::string writeDocumentSet(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string documents[3];
    for (std::string& document : documents) {
        const std::size_t zero = rest.find('\0');
        document = rest.substr(0, zero);
        rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
    }
    writeFile(documentFolder() + "/b.xml", documents[1]);
    writeFile(documentFolder() + "/c.xml", documents[2]);
    if (documents[2].empty()) std::remove((documentFolder() + "/c.xml").c_str());
    return documents[0];
}

// Everything the node interface shows of a tree, in one string. Iterative: references graft
// documents into one another, so trees may be thousands of levels deep.
WideString describe(IXmlReaderNode* root) {
    WideString out;
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
        return "unprintable";  // the message quotes a lone surrogate
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string main = writeDocumentSet(data, size);
    const std::string& folder = documentFolder();
    const WideString primary(folder.begin(), folder.end());
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
