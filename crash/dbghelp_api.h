#pragma once

#include <windows.h>
#include <dbghelp.h>

// DbgHelp, loaded and its entry points resolved when the handler is installed: at crash time
// nothing is opened that could have been prepared. DbgHelp is single-threaded; only the thread
// that writes the one report of the process calls it.
namespace crash {

struct DbgHelp {
    decltype(&::SymGetOptions) SymGetOptions = nullptr;
    decltype(&::SymSetOptions) SymSetOptions = nullptr;
    decltype(&::SymInitialize) SymInitialize = nullptr;
    decltype(&::SymCleanup) SymCleanup = nullptr;
    decltype(&::SymEnumerateModules64) SymEnumerateModules64 = nullptr;
    decltype(&::SymGetModuleInfo64) SymGetModuleInfo64 = nullptr;
    decltype(&::StackWalk64) StackWalk64 = nullptr;
    decltype(&::SymFunctionTableAccess64) SymFunctionTableAccess64 = nullptr;
    decltype(&::SymGetModuleBase64) SymGetModuleBase64 = nullptr;
    decltype(&::SymFromAddr) SymFromAddr = nullptr;
    decltype(&::SymGetLineFromAddr64) SymGetLineFromAddr64 = nullptr;
    decltype(&::SymSetContext) SymSetContext = nullptr;
    decltype(&::SymEnumSymbols) SymEnumSymbols = nullptr;
    decltype(&::SymGetTypeInfo) SymGetTypeInfo = nullptr;
    decltype(&::MiniDumpWriteDump) MiniDumpWriteDump = nullptr;

    // False when the library or one of its entry points is missing.
    bool load();
};

// The symbol tags and basic types of DbgHelp's type information (mingw has no cvconst.h).
enum : DWORD { kSymTagFunction = 5, kSymTagPublicSymbol = 10 };
enum : DWORD { kBasicTypeChar = 2, kBasicTypeWChar = 3, kBasicTypeFloat = 8 };

}  // namespace crash
