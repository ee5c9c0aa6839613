#pragma once

#include "boundary/wide_string.h"

// Path operations of the XML library, portable. Both "/" and "\" separate path pieces.
namespace xml {

// Joins `relative` to `folder` after dropping the relative part's leading separators, so that it
// never replaces the folder. Windows: PathCombineW, with its 260-character limit; elsewhere one
// "/" between the two and no limit. An empty folder gives the relative part alone. Empty on
// failure; never throws.
WideString combinePath(WideStringView folder, WideStringView relative);

// Resolves ".." against the pieces before it and joins the pieces with "/", dropping empty
// ones. An absolute path stays absolute: on Windows a network path keeps its leading "//", on
// POSIX a rooted path its leading "/".
WideString collapsePath(WideStringView path);

// Everything before the last separator. Empty when there is none, when it is the first
// character, or when it is the second after a leading backslash.
WideString parentFolder(WideStringView path);

}  // namespace xml
