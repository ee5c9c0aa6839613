#include "game_info.h"

#include "xml/files.h"
#include "xml/parser.h"
#include "xml/utf.h"

namespace config {
namespace {

WideString requiredText(IXmlReaderNode& root, const char* name, const WideString& fileName) {
    const WideChar* text = root.getChildText(widen(name).c_str());
    if (!text || !*text) throw gen_exception(fileName + widen(": no ") + widen(name));
    return text;
}

}  // namespace

GameInfo readGameInfo(const WideString& fileName) {
    const FileToMemory file(fileName.c_str());
    try {
        CXmlParser parser(file.getData(), nullptr, fileName.c_str());
        IXmlReaderNode& root = *parser.getRoot();
        return {requiredText(root, "Company", fileName), requiredText(root, "Title", fileName),
                requiredText(root, "Product", fileName)};
    } catch (const xml::parse_error& error) {
        throw gen_exception(fileName + widen(": ") + xml::fromUtf8(error.what()));
    }
}

}  // namespace config
