#pragma once

#include <windows.h>

#include "crash/dbghelp_api.h"

// The crash handler's process-wide state. Paths live in fixed buffers set at start-up, so a
// report needs no allocation to find them.
namespace crash {

struct CrashState {
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    wchar_t reportPath[MAX_PATH + 1] = L"";
    wchar_t dumpPath[MAX_PATH + 1] = L"";
    char moduleFolder[MAX_PATH + 1] = "";  // narrow, for the symbol search path
    HANDLE process = nullptr;
    HANDLE reportFile = nullptr;           // open only while a report is written
    char exceptionName[512] = "";          // the last system message looked up
    DbgHelp dbghelp;
    bool dbghelpLoaded = false;
};

extern CrashState state;

// Writes the text report into state.reportFile, then the minidump. `failingThread` is the thread
// whose exception `info` describes (the report may be written on another thread).
void writeReport(EXCEPTION_POINTERS* info, HANDLE failingThread, DWORD failingThreadId);

// printf into a 1024-byte buffer, longer text cut, written to the report file. Returns the
// number of bytes written.
int reportPrintf(const char* format, ...);

}  // namespace crash
