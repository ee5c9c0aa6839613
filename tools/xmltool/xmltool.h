#pragma once

#include <ostream>
#include <vector>

#include "boundary/wide_string.h"

namespace xmltool {

// Runs one xmltool command; `arguments` exclude the program's name. Everything written is
// UTF-8. Returns the exit code: 0 success, 1 a document or value error, 2 a usage error.
int run(const std::vector<WideString>& arguments, std::ostream& out, std::ostream& err);

}  // namespace xmltool
