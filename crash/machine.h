#pragma once

#include <windows.h>

// What the report reads of a thread's registers, for the width this process is built for. The
// report's layout is the same for both; the registers, the walk's machine and the width of an
// address differ.
namespace crash {

// A frame's registers that a variable's place may be relative to, as the walk unwound them.
struct FrameRegisters {
    DWORD64 frame = 0;  // the frame address DbgHelp gives (x86: EBP)
    DWORD64 stack = 0;  // the frame's stack pointer
    DWORD64 base = 0;   // x64: the frame's RBP
};

#if defined(_WIN64)
constexpr DWORD kWalkMachine = IMAGE_FILE_MACHINE_AMD64;
// x64 walks unwind through tables: frames without a frame pointer come back with frame address 0
// and the walk goes on past them.
constexpr bool kWalkEndsAtFrameZero = false;
inline DWORD64 instructionPointer(const CONTEXT& c) { return c.Rip; }
inline DWORD64 framePointer(const CONTEXT& c) { return c.Rbp; }
inline DWORD64 stackPointer(const CONTEXT& c) { return c.Rsp; }
// Addresses in 16 hexadecimal digits.
constexpr const char* kCallStackHeader = "Address           Frame             Function            SourceFile\r\n";
constexpr const char* kFrameAddresses = "%016I64X  %016I64X  ";
#else
constexpr DWORD kWalkMachine = IMAGE_FILE_MACHINE_I386;
constexpr bool kWalkEndsAtFrameZero = true;
inline DWORD64 instructionPointer(const CONTEXT& c) { return c.Eip; }
inline DWORD64 framePointer(const CONTEXT& c) { return c.Ebp; }
inline DWORD64 stackPointer(const CONTEXT& c) { return c.Esp; }
constexpr const char* kCallStackHeader = "Address   Frame     Function            SourceFile\r\n";
constexpr const char* kFrameAddresses = "%08I64X  %08I64X  ";
#endif

// DbgHelp's numbers of the registers a variable may be relative to (CodeView's CV_AMD64_RBP and
// CV_AMD64_RSP); on x86 every relative place is relative to the frame address.
constexpr ULONG kRegisterRbp = 334, kRegisterRsp = 335;

inline DWORD64 registerValue(ULONG reg, const FrameRegisters& registers) {
#if defined(_WIN64)
    if (reg == kRegisterRsp) return registers.stack;
    if (reg == kRegisterRbp) return registers.base;
#else
    (void)reg;
#endif
    return registers.frame;
}

}  // namespace crash
