// How an MSVC-built module calls the three functions that game.exe exports: declared as below
// and linked against an import library of game.exe. MSVC decorates the names from these
// declarations (the pointer qualifiers differ between x86 and x64).
//
// The build links this file against an import library made from game.exe's own export table,
// so it fails when game.exe does not export exactly the names MSVC gives these declarations.

struct HINSTANCE__;

__declspec(dllimport) bool isFirstRun(const wchar_t* registryPath);
__declspec(dllimport) void* startConfigUtil(const wchar_t* folder, bool autodetect);
__declspec(dllimport) unsigned short MyRegisterClass(HINSTANCE__* instance);

extern "C" __declspec(dllexport) int callExecutable(HINSTANCE__* instance, const wchar_t* registryPath,
                                                    const wchar_t* folder) {
    const bool firstRun = isFirstRun(registryPath);
    const bool started = startConfigUtil(folder, firstRun) != nullptr;
    return MyRegisterClass(instance) + started;
}

extern "C" int __stdcall DllMain(void*, unsigned long, void*) { return 1; }
