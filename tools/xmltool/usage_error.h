#pragma once

#include <stdexcept>

namespace xmltool {

// A command line that names no valid command, option or argument: exit code 2 and the usage.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace xmltool
