#include "xml/model.h"
#include "xml/reader/element_builder.h"
#include "xml/reader/messages.h"
#include "xml/reader/reader.h"

namespace xml {

void CXmlDocument::parse(const char* begin, const char* end) {
    CXmlReader<const char*> reader(begin, end);
    if (!reader.next()) return;  // no token at all: no root, for the caller to report
    if (reader.getTokenType() != TokenType::ElementStart)
        detail::fail(detail::kNoRoot, reader.getTokenPos());
    root = ElementBuilder<const char*>(reader).build();
    const SourcePos lastToken = reader.getTokenPos();
    if (reader.next()) detail::fail(detail::kMoreThanOneRoot, lastToken);
    utf8 = reader.isUtf8();
}

}  // namespace xml
