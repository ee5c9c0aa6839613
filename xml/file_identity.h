#pragma once

#include <cstdint>
#include <cstdio>

#include "boundary/wide_string.h"

namespace xml {

// What makes an open file the same file, whatever path reached it ("./a.xml" and "a.xml"):
// device and inode on POSIX, volume serial number and file index on Windows. Some file systems
// (ReFS, some network shares) report no index, 0: then the index says nothing, and the full
// paths decide (without regard to letter case on Windows, whose names ignore it).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;  // 0 when unknown
    WideString path;         // full when the system can tell it, else as the file was opened

    bool operator==(const FileIdentity& other) const;
};

// The identity of a file opened by `path`; never fails (the path stands in for what the system
// cannot tell).
FileIdentity identifyFile(std::FILE* stream, const WideString& path);

}  // namespace xml
