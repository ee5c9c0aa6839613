#pragma once

#include <filesystem>
#include <string>

#include "boundary/wide_string.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `bytes` to `relative` (folders made as needed) and returns its full path.
    WideString write(const std::string& relative, const std::string& bytes) const;
    WideString path(const std::string& relative = "") const;
    const std::filesystem::path& root() const { return folder; }

private:
    std::filesystem::path folder;
};

// A filesystem path as the library's wide string.
WideString widePath(const std::filesystem::path& path);

// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
