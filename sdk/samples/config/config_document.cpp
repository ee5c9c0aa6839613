#include "config_document.h"

#include <sstream>

#include "xml/errors.h"
#include "xml/utf.h"
#include "xml/values.h"
#include "xml/writer.h"

namespace config {
namespace {

constexpr Size kDefaultWindow{800, 600};

WideChar upperAscii(WideChar c) { return c >= 'a' && c <= 'z' ? WideChar(c - 'a' + 'A') : c; }

// Only ASCII letters fold, exactly as in the host's case-insensitive child lookup.
bool sameNameIgnoringCase(WideStringView a, WideStringView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

std::int32_t positiveAttribute(const xml::CXmlNodeElement& element, const char* name, std::int32_t fallback) {
    const WideString* text = element.findAttributeValue(widen(name));
    std::int32_t value = 0;
    return text && xml::textToLong(*text, value) && value > 0 ? value : fallback;
}

}  // namespace

std::unique_ptr<xml::CXmlDocument> parseConfig(const char* begin, const char* end, const WideString& fileName) {
    auto document = std::make_unique<xml::CXmlDocument>();
    try {
        document->parse(begin, end);
    } catch (const xml::parse_error& error) {
        throw gen_exception(fileName + widen(": ") + xml::fromUtf8(error.what()));
    }
    if (!document->root) throw gen_exception(fileName + widen(": no root element"));
    return document;
}

Size requestedWindowSize(const xml::CXmlNodeElement& root) {
    for (const xml::CXmlNode& child : root.children) {
        const xml::CXmlNodeElement* element = child.asElement();
        if (element && element->name == widen("Window"))
            return {positiveAttribute(*element, "width", kDefaultWindow.width),
                    positiveAttribute(*element, "height", kDefaultWindow.height)};
    }
    return kDefaultWindow;
}

bool needsFullScreen(Size window, Size decoration, Size screen) {
    // 64-bit sums: a saturated attribute value must not wrap around into a small size.
    return std::int64_t{window.width} + decoration.width > screen.width ||
           std::int64_t{window.height} + decoration.height > screen.height;
}

void setFullScreen(xml::CXmlNodeElement& root, bool fullScreen) {
    const WideString name = widen("FullScreen");
    root.children.erase_if([&](const xml::CXmlNode& child) {
        const xml::CXmlNodeElement* element = child.asElement();
        return element && sameNameIgnoringCase(element->name, name);
    });
    if (fullScreen) root.addChild(new xml::CXmlNodeElement(name));
}

std::string configFileBytes(const xml::CXmlDocument& document) {
    // The document model keeps no comments: those of the old file are lost in the new one.
    std::ostringstream out;
    // The writer writes no declaration, so without the mark a UTF-8 file would be read back in
    // the 7-bit legacy encoding.
    if (document.utf8) out << "\xEF\xBB\xBF";
    document.root->writeXml(out, document, 0);
    out << '\n';
    return out.str();
}

}  // namespace config
