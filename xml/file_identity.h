#pragma once

#include <cstdint>
#include <cstdio>

namespace xml {

// What makes an open file the same file, whatever path reached it ("./a.xml" and "a.xml"):
// device and inode on POSIX, volume serial number and file index on Windows.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    bool operator==(const FileIdentity& other) const { return volume == other.volume && file == other.file; }
};

// False when the system cannot tell the identity.
bool identifyFile(std::FILE* stream, FileIdentity& identity);

}  // namespace xml
