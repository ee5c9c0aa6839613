#pragma once

#include <string>

// Runs a module DLL through the host's own launch (host::runLaunch) with a system of the test's:
// the library at `dllPath`, the documents in `dataFolder`, a plain window of the test program,
// a game that is configured already, the shared data in "C:\common" and My Documents in
// "C:\documents". So the module is driven in the launch's order and released in its order,
// inside the test program, where the counters that the module exports (moduleLiveObjects,
// moduleLiveAllocations) are read before the library is unloaded.
struct ModuleRun {
    int exitCode = -1;
    std::wstring errorText = L"untouched";  // the launch's text for the player
    std::wstring title, sharedFolder, userFolder;  // as the launch made them of the module's names
    int liveObjects = -1;                   // after the releases; -1 when not exported
    int allocationsLeft = -1;               // after the releases, minus before the factory
    bool unloaded = false;                  // FreeLibrary succeeded and the module is gone
};

ModuleRun driveModule(const std::wstring& dllPath, const std::wstring& dataFolder);

// Expects a run that reported no error, gave these names and exit code, and left nothing
// behind in the module.
void expectCompleteRun(const ModuleRun& run, const std::wstring& company, const std::wstring& title,
                       const std::wstring& product, int exitCode);
// Expects a launch that ended with `errorText` (none: empty) and left nothing behind in the module.
void expectEndedWith(const ModuleRun& run, const std::wstring& errorText);
