#pragma once

#include <optional>
#include <string>

#include <windows.h>

#include "boundary/game_module.h"
#include "win/scoped_handle.h"

// Everything the launch asks of the system, so that its decisions (what comes next, which text
// the player sees, what is released in which order) are tested with a recording fake where
// Wine cannot make a call fail. The Win32 implementation is thin.
namespace host {

class LaunchSystem {
public:
    virtual ~LaunchSystem() = default;

    // Throw std::runtime_error("path is too long") like the host's path functions.
    virtual std::wstring moduleFolder() = 0;
    virtual std::wstring fullPath(const std::wstring& path) = 0;

    // The game module library: loaded by name (null when it cannot be), its factory (none from a
    // null library), unloaded by freeModuleLibrary alone.
    virtual HMODULE loadModuleLibrary() = 0;
    virtual IGameModuleFactory* createFactory(HMODULE library) = 0;
    virtual void freeModuleLibrary(HMODULE library) = 0;

    virtual bool isFirstRun(const std::wstring& registryPath) = 0;
    // The configuration utility started in `folder` with automatic detection; no handle when it
    // could not be started.
    virtual win::ScopedKernelHandle startConfigUtil(const std::wstring& folder) = 0;
    // Waits for the process to end; false when the wait failed.
    virtual bool waitForProcess(HANDLE process) = 0;

    // The common application data folder and My Documents; nothing when the shell has none.
    virtual std::optional<std::wstring> commonAppDataFolder() = 0;
    virtual std::optional<std::wstring> documentsFolder() = 0;
    virtual void setCrashReportPaths(const std::wstring& report, const std::wstring& dump) = 0;

    // Reads and parses a document with a resolver rooted at `primary` (and `secondary` when not
    // empty). Throws what loading and parsing throw.
    virtual IXmlReader* loadDocument(const std::wstring& path, const std::wstring& primary,
                                     const std::wstring& secondary, const wchar_t* name) = 0;

    // The main window: 1 when created and shown, 0 otherwise.
    virtual int createGameWindow(bool fullScreen) = 0;
    virtual WindowHandle mainWindow() = 0;
    virtual void setWindowText(const std::wstring& text) = 0;
    virtual void confineCursor() = 0;
};

// The whole start of the game: module, application information, first run, folders, both
// documents, window, module creation and run. Returns the game's exit code; on any failure 0,
// with `errorText` set to a message for the player or left empty for a quiet end. Writes the
// application title and the user folder of the process-wide state.
int runLaunch(LaunchSystem& system, std::wstring& errorText);

// The launch against the real system.
int launchGame(std::wstring& errorText);

// The factory of a loaded module library, from its export under the name this width looks for
// first, then under the other spelling; null when it has neither or gives none.
IGameModuleFactory* createFactoryOf(HMODULE library);

}  // namespace host
