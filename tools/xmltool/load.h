#pragma once

#include <memory>
#include <optional>

#include "boundary/wide_string.h"
#include "xml/files.h"
#include "xml/parser.h"

namespace xmltool {

struct LoadOptions {
    WideString file;
    WideString primary;    // empty: the file's own folder
    WideString secondary;  // empty: none
    std::optional<WideString> name;  // none: the file's path as given (an empty name is a name)
    bool useResolver = true;
};

// Loads a document as the host loads its own: whole into memory, parsed, references resolved
// through a resolver rooted at `primary` and `secondary`. Throws what loading throws.
std::unique_ptr<CXmlParser> loadDocument(const LoadOptions& options);
// The same from the file's bytes, read already.
std::unique_ptr<CXmlParser> loadDocument(const LoadOptions& options, const FileToMemory& file);

}  // namespace xmltool
