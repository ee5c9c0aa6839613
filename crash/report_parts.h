#pragma once

#include <windows.h>

// The pieces of the report that stand on their own: names of exception codes, the time line and
// where in which module an address lies.
namespace crash {

// The name of an exception code: from the table, else the system's message for it (kept in the
// state's buffer; empty, or the last message found, when there is none).
const char* exceptionName(DWORD code);

// The local time as the C runtime's asctime() writes it, without its line feed
// ("Mon Dec  7 10:42:11 2026"), from the system's clock: the runtime's time functions take
// locks that a stopped thread may hold.
const char* formatReportTime(const SYSTEMTIME& time, char (&text)[32]);

struct ModuleLocation {
    char modulePath[MAX_PATH] = "";  // empty when the address lies in no module
    DWORD section = 0;               // 1-based; 0 when no section holds the address
    DWORD64 offset = 0;              // within that section
    DWORD64 moduleBase = 0;
};

// The module and section holding `address`. False when there is none (the module path stays
// filled in when only the section is missing).
bool logicalAddress(const void* address, ModuleLocation& location);

}  // namespace crash
