#pragma once

#include <ostream>
#include <vector>

#include "boundary/wide_string.h"

namespace xmltool {

// check [--secondary DIR] [-j N] PATH...: loads every file given, and every regular "*.xml" file
// below every folder given (symbolic links not followed, sorted by path), as dump would, N at a
// time (-j or --jobs; by default one per processor, at most four in a 32-bit build).
// Prints "PATH: message" on `out` per failing file, in that order whatever N, and the one
// summary line on `err`.
// Returns 1 when any file failed, else 0; throws UsageError for a bad command line.
int check(const std::vector<WideString>& arguments, std::ostream& out, std::ostream& err);

}  // namespace xmltool
