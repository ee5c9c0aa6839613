#include "crash/dbghelp_api.h"

namespace crash {
namespace {

template <class Function>
bool resolve(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

}  // namespace

bool DbgHelp::load() {
    // Never unloaded: a report may be due until the process ends.
    const HMODULE library = LoadLibraryW(L"dbghelp.dll");
    return library && resolve(library, "SymGetOptions", SymGetOptions) && resolve(library, "SymSetOptions", SymSetOptions) &&
           resolve(library, "SymInitialize", SymInitialize) && resolve(library, "SymCleanup", SymCleanup) &&
           resolve(library, "SymEnumerateModules64", SymEnumerateModules64) &&
           resolve(library, "SymGetModuleInfo64", SymGetModuleInfo64) && resolve(library, "StackWalk64", StackWalk64) &&
           resolve(library, "SymFunctionTableAccess64", SymFunctionTableAccess64) &&
           resolve(library, "SymGetModuleBase64", SymGetModuleBase64) && resolve(library, "SymFromAddr", SymFromAddr) &&
           resolve(library, "SymGetLineFromAddr64", SymGetLineFromAddr64) && resolve(library, "SymSetContext", SymSetContext) &&
           resolve(library, "SymEnumSymbols", SymEnumSymbols) && resolve(library, "SymGetTypeInfo", SymGetTypeInfo) &&
           resolve(library, "MiniDumpWriteDump", MiniDumpWriteDump);
}

}  // namespace crash
