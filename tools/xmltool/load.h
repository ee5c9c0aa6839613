#pragma once

#include <memory>

#include "boundary/wide_string.h"
#include "xml/parser.h"

namespace xmltool {

struct LoadOptions {
    WideString file;
    WideString primary;    // empty: the file's own folder
    WideString secondary;  // empty: none
    WideString name;       // empty: the file's path as given
    bool useResolver = true;
};

// Loads a document as the host loads its own: whole into memory, parsed, references resolved
// through a resolver rooted at `primary` and `secondary`. Throws what loading throws.
std::unique_ptr<CXmlParser> loadDocument(const LoadOptions& options);

}  // namespace xmltool
