#pragma once

#include <windows.h>

#include "crash/crash_files.h"
#include "crash/dbghelp_api.h"

// The crash handler's process-wide state. Paths live in fixed buffers set at start-up, so a
// report needs no allocation to find them.
namespace crash {

// Where a report may land, in the order tried: the folder the launch chose (the executable's
// folder until then), the executable's folder, the temporary folder. The dump goes where the
// report went.
enum ReportPlace { kChosenPlace, kExecutablePlace, kTemporaryPlace, kPlaceCount };

struct CrashState {
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    PreparedPath reports[kPlaceCount];
    PreparedPath dumps[kPlaceCount];
    char moduleFolder[MAX_PATH + 1] = "";  // narrow, for the symbol search path
    HANDLE process = nullptr;
    HANDLE volatile reportFile = nullptr;  // open only while a report is written
    volatile LONG writing = 0;             // a piece is being written to it
    ReportPlace reportPlace = kChosenPlace;  // where the open report went
    char exceptionName[512] = "";          // the last system message looked up
    HMODULE ntdll = nullptr;               // where those messages live
    DbgHelp dbghelp;
    bool dbghelpLoaded = false;
};

extern CrashState state;

// What a report is about: the exception and the thread it happened on (the report may be
// written on another thread).
struct CrashJob {
    EXCEPTION_POINTERS* info = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

// Creates the report file in the first place that takes it, writes the report and the dump, and
// closes it. Without a report file nothing is written.
void reportCrash(const CrashJob& job);

// Writes the text report into state.reportFile. False when it ended after its header, the symbol
// engine being unavailable: there is then no minidump either.
bool writeReport(const CrashJob& job);

// printf into a 1024-byte buffer, longer text cut, written to the report file. Returns the
// number of bytes written.
int reportPrintf(const char* format, ...);

}  // namespace crash
