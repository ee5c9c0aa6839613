// Measures what DbgHelp gives a crash filter in a 64-bit process: the stack walk through frames
// with and without a frame pointer, names, lines, and locals with their registers. Build and run:
//   x86_64-w64-mingw32-g++-posix -O2 -gdwarf-4 -static dbghelp_probe.cpp -o probe.exe -ldbghelp
//   WINEARCH=win64 WINEPREFIX=<fresh folder> /usr/lib/wine/wine64 probe.exe
// What it printed under Wine 8 is in ../x64-facts.md.
#include <windows.h>
#include <dbghelp.h>
#include <cstdio>

struct Position { int x; int y; double weight; };
int* volatile nowhere = nullptr;
const char* globalText = "global";

__attribute__((noinline, optimize("O0"))) void crashWithLocals(int attempt) {
    int count = 0x2A; double weight = 1.25; Position where{3, 4, 0.5}; const char* text = "ABCDEF";
    *nowhere = attempt + count + (int)weight + where.x + text[0];
}
__attribute__((noinline)) int optimisedMiddle(int n) {  // -O2: no frame pointer
    volatile int pad[64]; pad[n & 63] = n; crashWithLocals(n); return pad[1];
}
__attribute__((noinline, optimize("O0"))) void outer(int depth) { optimisedMiddle(depth + 1); }

BOOL CALLBACK onSymbol(PSYMBOL_INFO s, ULONG, PVOID) {
    std::printf("    sym %s flags=%lx reg=%lu addr=%llx size=%lu tag=%lu\n", s->Name, s->Flags, s->Register,
                (unsigned long long)s->Address, s->Size, s->Tag);
    return TRUE;
}

LONG WINAPI filter(EXCEPTION_POINTERS* e) {
    HANDLE p = GetCurrentProcess(), t = GetCurrentThread();
    SymSetOptions(SYMOPT_LOAD_LINES | SYMOPT_DEFERRED_LOADS | SYMOPT_UNDNAME);
    std::printf("SymInitialize %d\n", SymInitialize(p, nullptr, TRUE));
    CONTEXT c = *e->ContextRecord;
    std::printf("RIP %016llx RSP %016llx RBP %016llx\n", c.Rip, c.Rsp, c.Rbp);
    STACKFRAME64 f{}; f.AddrPC.Offset = c.Rip; f.AddrPC.Mode = AddrModeFlat; f.AddrFrame.Offset = c.Rbp;
    f.AddrFrame.Mode = AddrModeFlat; f.AddrStack.Offset = c.Rsp; f.AddrStack.Mode = AddrModeFlat;
    for (int i = 0; i < 12; ++i) {
        if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, p, t, &f, &c, nullptr, SymFunctionTableAccess64, SymGetModuleBase64, nullptr)) {
            std::printf("walk ends at %d\n", i); break;
        }
        char buf[sizeof(SYMBOL_INFO) + 256] = {}; auto* s = (SYMBOL_INFO*)buf; s->SizeOfStruct = sizeof(SYMBOL_INFO); s->MaxNameLen = 255;
        DWORD64 d = 0; IMAGEHLP_LINE64 l{}; l.SizeOfStruct = sizeof l; DWORD ld = 0;
        BOOL named = SymFromAddr(p, f.AddrPC.Offset, &d, s);
        BOOL lined = SymGetLineFromAddr64(p, f.AddrPC.Offset, &ld, &l);
        std::printf("#%d pc=%016llx frame=%016llx stack=%016llx %s+%llx %s:%lu\n", i, f.AddrPC.Offset, f.AddrFrame.Offset,
                    f.AddrStack.Offset, named ? s->Name : "?", d, lined ? l.FileName : "?", lined ? l.LineNumber : 0);
        IMAGEHLP_STACK_FRAME sf{}; sf.InstructionOffset = f.AddrPC.Offset; sf.FrameOffset = f.AddrFrame.Offset; sf.StackOffset = f.AddrStack.Offset;
        SymSetContext(p, &sf, nullptr);
        SymEnumSymbols(p, 0, nullptr, onSymbol, nullptr);
    }
    HANDLE dump = CreateFileW(L"probe.dmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    MINIDUMP_EXCEPTION_INFORMATION info{GetCurrentThreadId(), e, FALSE};
    std::printf("MiniDumpWriteDump %d\n", MiniDumpWriteDump(p, GetCurrentProcessId(), dump, MiniDumpNormal, &info, nullptr, nullptr));
    CloseHandle(dump);
    std::fflush(stdout);
    ExitProcess(5);
}

int main() { SetUnhandledExceptionFilter(filter); std::printf("start\n"); std::fflush(stdout); outer(1); }
