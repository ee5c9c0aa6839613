// The reader's two instantiations: over a plain byte pointer (the document parser's) and over a
// std::string's iterator.

#include "xml/reader/reader.h"

#include "xml/reader/declaration.h"
#include "xml/reader/text.h"

namespace xml {

template class CXmlReader<const char*>;
template class CXmlReader<std::string::const_iterator>;

}  // namespace xml
