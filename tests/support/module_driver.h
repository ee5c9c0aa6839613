#pragma once

#include <string>

#include <windows.h>

// Speaks the game module protocol with a module DLL as the host does: load the library, the
// factory, the application information and its three strings, the module created with the
// parsed "config.xml" (destroyed right after), `run` with the parsed "game.xml", then every
// release in the host's order and the unload. Counters the module exports
// (moduleLiveObjects, moduleLiveAllocations) are read before the unload.
struct ModuleRun {
    bool factory = false;
    bool info = false;
    bool module = false;
    bool runResult = false;
    std::wstring company, title, product;
    std::wstring createError = L"untouched", runError = L"untouched";
    std::string documentError;       // a config.xml or game.xml the host side could not load
    int exitCode = -1;
    int liveObjects = -1;            // after the releases; -1 when not exported
    int allocationsLeft = -1;        // after the releases, minus before the factory
    bool unloaded = false;           // FreeLibrary succeeded and the module is gone
};

ModuleRun driveModule(const std::wstring& dllPath, const std::wstring& dataFolder);

// Expects a run that made every object, reported no error, gave these names and exit code,
// and left nothing behind in the module.
void expectCompleteRun(const ModuleRun& run, const wchar_t* company, const wchar_t* title, const wchar_t* product,
                       int exitCode);

// The folder of the running test program.
std::wstring programFolder();
