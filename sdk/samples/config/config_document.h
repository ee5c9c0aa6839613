#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "boundary/wide_string.h"
#include "xml/model.h"

// The decisions of the configuration utility, free of Win32: which mode suits the screen, and
// what config.xml holds for a chosen mode.
namespace config {

struct Size {
    std::int32_t width;
    std::int32_t height;
};

// config.xml's document; throws gen_exception (naming the file) when it is malformed or empty.
std::unique_ptr<xml::CXmlDocument> parseConfig(const char* begin, const char* end, const WideString& fileName);

// The client size of the game's window: the width and height attributes of the root's first
// Window child; 800 and 600 where a value is missing or not a positive number.
Size requestedWindowSize(const xml::CXmlNodeElement& root);

// Windowed only when the client area together with the window's caption and frame (`decoration`)
// fits on the screen.
bool needsFullScreen(Size window, Size decoration, Size screen);

// Removes every FullScreen child element, in any letter case as the host matches it, and for
// full screen appends exactly one.
void setFullScreen(xml::CXmlNodeElement& root, bool fullScreen);

// The bytes of the new config.xml, in the document's own encoding.
std::string configFileBytes(const xml::CXmlDocument& document);

}  // namespace config
