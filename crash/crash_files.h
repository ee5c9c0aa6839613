#pragma once

#include <windows.h>

// The report's and the dump's files, opened at crash time without the process heap: the path is
// put into the system's native form when it is set, and the file is created from that form
// directly. (Converting a path allocates from the process heap, and a crash may come while some
// thread holds the heap's lock for good.)
namespace crash {

struct PreparedPath {
    wchar_t native[MAX_PATH + 16] = L"";  // "\??\C:\..." or "\??\UNC\server\..."
    USHORT bytes = 0;                     // 0: no usable path
};

// Prepares `path` (a full path, either separator); an empty or unusable path prepares nothing.
void preparePath(PreparedPath& prepared, const wchar_t* path);

enum class CrashFile {
    report,  // written through, kept
    dump,    // removed when closed unless keepFile() was called: a dump cut short is no dump
};

// Creates or replaces the file for writing, shared with no one. Null when it cannot be made.
HANDLE createCrashFile(const PreparedPath& path, CrashFile kind);

// Keeps a dump file that is complete. False when the system refused.
bool keepFile(HANDLE file);

}  // namespace crash
