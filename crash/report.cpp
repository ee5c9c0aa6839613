// The text report: header, modules, registers, the call stack twice (the second time with every
// frame's locals and parameters), the failing module's globals.

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "crash/crash_state.h"
#include "crash/machine.h"
#include "crash/report_watch.h"
#include "crash/report_parts.h"
#include "crash/symbol_lines.h"

namespace crash {

CrashState state;

int reportPrintf(const char* format, ...) {
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    // The C runtime's own formatter: %I64X, %hs and %S as the layout uses them. It returns -1
    // for text longer than the buffer, which is then cut.
    int length = _vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length < 0 || length > static_cast<int>(sizeof buffer)) length = sizeof buffer;
    // Marked before the handle is read: the watch adds its note only when no write is under way,
    // since a second write on the file would wait for one that is stuck.
    InterlockedExchange(&state.writing, 1);
    DWORD written;
    if (const HANDLE file = state.reportFile) WriteFile(file, buffer, static_cast<DWORD>(length), &written, nullptr);
    InterlockedExchange(&state.writing, 0);
    noteProgress();
    return length;
}

namespace {

const char* symbolTypeName(SYM_TYPE type) {
    static const char* const names[] = {"none", "COFF", "CV", "PDB", "exported", "deferred", "SYM", "DIA", "virtual"};
    const auto index = static_cast<unsigned>(type);
    return index < sizeof names / sizeof names[0] ? names[index] : "unknown";
}

// ".", the executable's folder, the two symbol path variables and the system folders, joined
// with ";". A piece that would not fit 1024 bytes, or a variable of 260 bytes or more, is left out.
void buildSearchPath(char (&path)[1024]) {
    std::size_t used = 0;
    path[0] = 0;
    const auto add = [&](const char* piece, const char* suffix) {
        const std::size_t length = std::strlen(piece) + std::strlen(suffix) + (used ? 1 : 0);
        if (used + length >= sizeof path) return;
        std::snprintf(path + used, sizeof path - used, "%s%s%s", used ? ";" : "", piece, suffix);
        used += length;
    };
    add(".", "");
    add(state.moduleFolder, "");
    char value[260];
    for (const char* name : {"_NT_SYMBOL_PATH", "_NT_ALTERNATE_SYMBOL_PATH"}) {
        const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        if (length > 0 && length < sizeof value) add(value, "");
    }
    const DWORD length = GetEnvironmentVariableA("SYSTEMROOT", value, sizeof value);
    if (length > 0 && length < sizeof value) {
        add(value, "");
        add(value, "\\System32");
    }
}

// The record as the oldest DbgHelp that knows line numbers reads it; newer versions take it too.
// A DbgHelp that wants the whole of today's record gets that next.
constexpr DWORD kModuleInfoSize = 1664;
static_assert(offsetof(IMAGEHLP_MODULE64, LineNumbers) + sizeof(BOOL) <= kModuleInfoSize, "the fields the report reads");
static_assert(kModuleInfoSize <= sizeof(IMAGEHLP_MODULE64), "a prefix of the record");

bool readModuleInfo(DWORD64 base, IMAGEHLP_MODULE64& module) {
    for (const DWORD size : {kModuleInfoSize, static_cast<DWORD>(sizeof module)}) {
        module = IMAGEHLP_MODULE64{};
        module.SizeOfStruct = size;
        if (state.dbghelp.SymGetModuleInfo64(state.process, base, &module)) return true;
    }
    return false;
}

BOOL CALLBACK writeModuleLine(PCSTR name, DWORD64 base, PVOID) {
    IMAGEHLP_MODULE64 module;
    if (!readModuleInfo(base, module)) {
        reportPrintf("%s\r\n", name);
    } else {
        reportPrintf("%s: %s", name, symbolTypeName(module.SymType));
        if (module.LineNumbers) reportPrintf(" [L]");
        reportPrintf("\r\n");
    }
    return TRUE;
}

void writeRegisters(const CONTEXT& c) {
    reportPrintf("\r\nRegisters:\r\n");
#if defined(_WIN64)
    const struct { const char* name; DWORD64 value; } general[] = {
        {"RAX", c.Rax}, {"RBX", c.Rbx}, {"RCX", c.Rcx}, {"RDX", c.Rdx}, {"RSI", c.Rsi}, {"RDI", c.Rdi},
        {"R8", c.R8},   {"R9", c.R9},   {"R10", c.R10}, {"R11", c.R11}, {"R12", c.R12}, {"R13", c.R13},
        {"R14", c.R14}, {"R15", c.R15},
    };
    for (const auto& r : general) reportPrintf("%s:%016I64X\r\n", r.name, r.value);
    reportPrintf("CS:RIP:%04X:%016I64X\r\n", c.SegCs, c.Rip);
    reportPrintf("SS:RSP:%04X:%016I64X  RBP:%016I64X\r\n", c.SegSs, c.Rsp, c.Rbp);
#else
    reportPrintf("EAX:%08X\r\nEBX:%08X\r\nECX:%08X\r\nEDX:%08X\r\nESI:%08X\r\nEDI:%08X\r\n", c.Eax, c.Ebx, c.Ecx, c.Edx,
                 c.Esi, c.Edi);
    reportPrintf("CS:EIP:%04X:%08X\r\n", c.SegCs, c.Eip);
    reportPrintf("SS:ESP:%04X:%08X  EBP:%08X\r\n", c.SegSs, c.Esp, c.Ebp);
#endif
    reportPrintf("DS:%04X  ES:%04X  FS:%04X  GS:%04X\r\n", c.SegDs, c.SegEs, c.SegFs, c.SegGs);
    reportPrintf("Flags:%08X\r\n", c.EFlags);
}

void writeCallStack(CONTEXT context, bool withVariables, HANDLE thread) {
    const DbgHelp& dbghelp = state.dbghelp;
    reportPrintf("\r\nCall stack:\r\n");
    reportPrintf("%s", kCallStackHeader);
    STACKFRAME64 frame{};
    frame.AddrPC.Offset = instructionPointer(context);
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = framePointer(context);
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = stackPointer(context);
    frame.AddrStack.Mode = AddrModeFlat;
    // A walker without unwind information for a function may hand back the same frame again and
    // again, or one below it: the walk ends there, since a caller's frame lies above its callee's.
    // Without this a report could grow for ever and never stop making progress.
    bool first = true;
    DWORD64 previousPc = 0, previousStack = 0;
    for (;;) {
        if (!dbghelp.StackWalk64(kWalkMachine, state.process, thread, &frame, &context, nullptr,
                                 dbghelp.SymFunctionTableAccess64, dbghelp.SymGetModuleBase64, nullptr) ||
            (kWalkEndsAtFrameZero && frame.AddrFrame.Offset == 0))
            break;
        const bool advanced = frame.AddrStack.Offset > previousStack ||
                              (frame.AddrStack.Offset == previousStack && frame.AddrPC.Offset != previousPc);
        if (!first && !advanced) break;
        first = false;
        previousPc = frame.AddrPC.Offset;
        previousStack = frame.AddrStack.Offset;
        const DWORD64 pc = frame.AddrPC.Offset;
        reportPrintf(kFrameAddresses, pc, frame.AddrFrame.Offset);

        alignas(SYMBOL_INFO) char symbolBuffer[sizeof(SYMBOL_INFO) + 1024];
        auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbolBuffer);
        std::memset(symbolBuffer, 0, sizeof symbolBuffer);
        symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        symbol->MaxNameLen = 1024;
        DWORD64 displacement = 0;
        if (dbghelp.SymFromAddr(state.process, pc, &displacement, symbol)) {
            reportPrintf("%hs+%I64X", symbol->Name, displacement);
        } else {
            ModuleLocation where;
            logicalAddress(reinterpret_cast<void*>(static_cast<DWORD_PTR>(pc)), where);
            reportPrintf("%04X:%08I64X %s", where.section, where.offset, where.modulePath);
        }
        IMAGEHLP_LINE64 line{};
        line.SizeOfStruct = sizeof line;
        DWORD lineDisplacement = 0;
        if (dbghelp.SymGetLineFromAddr64(state.process, pc, &lineDisplacement, &line))
            reportPrintf("  %s line %u", line.FileName, static_cast<unsigned>(line.LineNumber));
        else
            reportPrintf("%X", GetLastError());
        reportPrintf("\r\n");

        if (withVariables) {
            IMAGEHLP_STACK_FRAME scope{};
            scope.InstructionOffset = pc;
            dbghelp.SymSetContext(state.process, &scope, nullptr);
            FrameRegisters registers{frame.AddrFrame.Offset, frame.AddrStack.Offset, framePointer(context)};
            dbghelp.SymEnumSymbols(state.process, 0, nullptr, writeSymbolLine, &registers);
            reportPrintf("\r\n");
        }
    }
}

}  // namespace

bool writeReport(const CrashJob& job) {
    EXCEPTION_POINTERS* const info = job.info;
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    reportPrintf("//=====================================================\r\n");
    char time[32];
    SYSTEMTIME now;
    GetLocalTime(&now);
    reportPrintf("Exception time: %s\r\n", formatReportTime(now, time));
    reportPrintf("Exception code: %08X %s\r\n", static_cast<unsigned>(record.ExceptionCode), exceptionName(record.ExceptionCode));
    ModuleLocation fault;
    logicalAddress(record.ExceptionAddress, fault);
    reportPrintf("Fault address:  %p %02X:%08I64X %s\r\n", record.ExceptionAddress, fault.section, fault.offset, fault.modulePath);

    if (!state.dbghelpLoaded) return false;
    const DbgHelp& dbghelp = state.dbghelp;
    dbghelp.SymSetOptions(dbghelp.SymGetOptions() | SYMOPT_LOAD_LINES);
    char searchPath[1024];
    buildSearchPath(searchPath);
    if (!dbghelp.SymInitialize(state.process, searchPath, TRUE)) return false;
    noteProgress();

    reportPrintf("\r\nModules:\r\n");
    dbghelp.SymEnumerateModules64(state.process, writeModuleLine, nullptr);
    writeRegisters(*info->ContextRecord);
    writeCallStack(*info->ContextRecord, false, job.thread);
    reportPrintf("========================\r\n");
    reportPrintf("Local Variables And Parameters\r\n");
    writeCallStack(*info->ContextRecord, true, job.thread);
    reportPrintf("========================\r\n");
    reportPrintf("Global Variables\r\n");
    // The module holding the fault address, found even when no section of it holds the address;
    // with a fault outside every module there are no globals to list.
    if (fault.moduleBase) dbghelp.SymEnumSymbols(state.process, fault.moduleBase, nullptr, writeSymbolLine, nullptr);
    dbghelp.SymCleanup(state.process);
    reportPrintf("\r\n");
    return true;
}

}  // namespace crash
