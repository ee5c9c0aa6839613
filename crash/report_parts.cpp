#include "crash/report_parts.h"

#include <algorithm>
#include <cstdio>

#include "crash/crash_state.h"

namespace crash {

const char* exceptionName(DWORD code) {
    static const struct { DWORD code; const char* name; } names[] = {
        {0x80000001, "GUARD_PAGE"}, {0x80000002, "DATATYPE_MISALIGNMENT"}, {0x80000003, "BREAKPOINT"},
        {0x80000004, "SINGLE_STEP"}, {0xC0000005, "ACCESS_VIOLATION"}, {0xC0000006, "IN_PAGE_ERROR"},
        {0xC0000008, "INVALID_HANDLE"}, {0xC000001D, "ILLEGAL_INSTRUCTION"}, {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
        {0xC0000026, "INVALID_DISPOSITION"}, {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"}, {0xC000008D, "FLT_DENORMAL_OPERAND"},
        {0xC000008E, "FLT_DIVIDE_BY_ZERO"}, {0xC000008F, "FLT_INEXACT_RESULT"}, {0xC0000090, "FLT_INVALID_OPERATION"},
        {0xC0000091, "FLT_OVERFLOW"}, {0xC0000092, "FLT_STACK_CHECK"}, {0xC0000093, "FLT_UNDERFLOW"},
        {0xC0000094, "INT_DIVIDE_BY_ZERO"}, {0xC0000095, "INT_OVERFLOW"}, {0xC0000096, "PRIV_INSTRUCTION"},
        {0xC00000FD, "STACK_OVERFLOW"},
    };
    static_assert(sizeof names / sizeof names[0] == 22, "every code the report names");
    for (const auto& entry : names)
        if (entry.code == code) return entry.name;
    FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, state.ntdll, code, 0, state.exceptionName,
                   sizeof state.exceptionName, nullptr);
    return state.exceptionName;
}

const char* formatReportTime(const SYSTEMTIME& time, char (&text)[32]) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = time.wDayOfWeek < 7 ? days[time.wDayOfWeek] : "???";
    const char* month = time.wMonth >= 1 && time.wMonth <= 12 ? months[time.wMonth - 1] : "???";
    std::snprintf(text, sizeof text, "%.3s %.3s%3u %.2u:%.2u:%.2u %u", day, month, time.wDay, time.wHour, time.wMinute,
                  time.wSecond, time.wYear);
    return text;
}

bool logicalAddress(const void* address, ModuleLocation& location) {
    MEMORY_BASIC_INFORMATION memory;
    if (!VirtualQuery(address, &memory, sizeof memory) || !memory.AllocationBase) return false;
    const auto base = reinterpret_cast<DWORD_PTR>(memory.AllocationBase);
    // The wide name, converted here: the narrow call converts through the process heap, which
    // a crash may find locked. (Both take the loader lock; the watch bounds a wait for it.)
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(memory.AllocationBase), name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH ||
        !WideCharToMultiByte(CP_ACP, 0, name, -1, location.modulePath, MAX_PATH, nullptr, nullptr)) {
        location.modulePath[0] = 0;
        return false;
    }
    location.moduleBase = base;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const DWORD_PTR rva = reinterpret_cast<DWORD_PTR>(address) - base;
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD start = section->VirtualAddress;
        const DWORD extent = std::max(section->SizeOfRawData, section->Misc.VirtualSize);
        if (rva >= start && rva <= start + extent) {
            location.section = i + 1;
            location.offset = rva - start;
            return true;
        }
    }
    return false;
}

}  // namespace crash
