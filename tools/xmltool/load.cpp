#include "tools/xmltool/load.h"

#include "xml/files.h"
#include "xml/paths.h"
#include "xml/resolver.h"

namespace xmltool {

std::unique_ptr<CXmlParser> loadDocument(const LoadOptions& options) {
    return loadDocument(options, FileToMemory(options.file.c_str()));
}

std::unique_ptr<CXmlParser> loadDocument(const LoadOptions& options, const FileToMemory& file) {
    const WideString primary = options.primary.empty() ? xml::parentFolder(options.file) : options.primary;
    CStdXmlResolver2 resolver(primary.c_str(), options.secondary.empty() ? nullptr : options.secondary.c_str());
    const WideString& name = options.name ? *options.name : options.file;
    return std::make_unique<CXmlParser>(file.getData(), options.useResolver ? &resolver : nullptr, name.c_str());
}

}  // namespace xmltool
