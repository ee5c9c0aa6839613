#pragma once

#include <windows.h>

// Turns any exception that nothing else handles into a text report and a minidump. One exists,
// for the whole run of the entry function: the constructor installs the process's top-level
// filter, the destructor puts the previous one back. The state is process-wide.
class CrashHandler {
public:
    // Installs the filter, with both files in the executable's folder. Throws
    // std::runtime_error("path is too long") when that folder cannot be known; the previous
    // filter is back in place then.
    CrashHandler();
    ~CrashHandler();
    CrashHandler(const CrashHandler&) = delete;
    CrashHandler& operator=(const CrashHandler&) = delete;

    static void setReportPath(const wchar_t* path);
    static void setDumpPath(const wchar_t* path);

    // The top-level filter. Returns EXCEPTION_CONTINUE_SEARCH once the report is written, so that
    // the system ends the process; a report that stops making progress ends the process itself,
    // with the exception code as exit code.
    static LONG WINAPI crashFilter(EXCEPTION_POINTERS* info);
};
