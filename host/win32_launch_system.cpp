// The launch against the real system: each operation one or two Win32 calls.

#include <algorithm>

#include <shlobj.h>
#include <windows.h>

#include "crash/crash_handler.h"
#include "host/first_run.h"
#include "host/launch_system.h"
#include "host/state.h"
#include "host/window.h"
#include "win/module_paths.h"
#include "xml/files.h"
#include "xml/parser.h"
#include "xml/paths.h"
#include "xml/resolver.h"

namespace host {
namespace {

std::optional<std::wstring> shellFolder(int which) {
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, which, nullptr, 0, folder))) return std::nullopt;
    return std::wstring(folder);
}

class Win32LaunchSystem final : public LaunchSystem {
public:
    std::wstring moduleFolder() override { return win::getModuleFolder(); }
    std::wstring fullPath(const std::wstring& path) override { return win::getFullPath(path); }

    HMODULE loadModuleLibrary() override { return LoadLibraryA("GameModule.dll"); }
    IGameModuleFactory* createFactory(HMODULE library) override { return createFactoryOf(library); }
    void freeModuleLibrary(HMODULE library) override { FreeLibrary(library); }

    bool isFirstRun(const std::wstring& registryPath) override { return ::isFirstRun(registryPath.c_str()); }
    win::ScopedKernelHandle startConfigUtil(const std::wstring& folder) override {
        const HANDLE process = ::startConfigUtil(folder.c_str(), true);
        return win::ScopedKernelHandle(process == INVALID_HANDLE_VALUE ? nullptr : process);
    }
    bool waitForProcess(HANDLE process) override { return WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0; }

    std::optional<std::wstring> commonAppDataFolder() override { return shellFolder(CSIDL_COMMON_APPDATA); }
    std::optional<std::wstring> documentsFolder() override { return shellFolder(CSIDL_PERSONAL); }
    // The user folder is made here, every missing level of it, or a crash would find no folder to
    // write its report into. The shell splits a path only at backslashes, so the copy it gets has
    // no other separator; the paths the handler keeps stay as the launch built them.
    void setCrashReportPaths(const std::wstring& report, const std::wstring& dump) override {
        std::wstring folder = xml::parentFolder(report);
        std::replace(folder.begin(), folder.end(), L'/', L'\\');
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        CrashHandler::setReportPath(report.c_str());
        CrashHandler::setDumpPath(dump.c_str());
    }

    // The text and the resolver serve only while the parser is built.
    IXmlReader* loadDocument(const std::wstring& path, const std::wstring& primary, const std::wstring& secondary,
                             const wchar_t* name) override {
        CStdXmlResolver2 resolver(primary.c_str(), secondary.empty() ? nullptr : secondary.c_str());
        const FileToMemory text(path.c_str());
        return new CXmlParser(text.getData(), &resolver, name);
    }

    int createGameWindow(bool fullScreen) override { return host::createGameWindow(fullScreen); }
    WindowHandle mainWindow() override { return state.mainWindow; }
    void setWindowText(const std::wstring& text) override { SetWindowTextW(state.mainWindow, text.c_str()); }
    void confineCursor() override { host::confineCursor(); }
};

}  // namespace

IGameModuleFactory* createFactoryOf(HMODULE library) {
    FARPROC found = GetProcAddress(library, kCreateFactoryExport);
    if (!found && kCreateFactoryExportFallback) found = GetProcAddress(library, kCreateFactoryExportFallback);
    const auto create = reinterpret_cast<CreateFactoryFunction>(reinterpret_cast<void*>(found));
    return create ? create() : nullptr;
}

int launchGame(std::wstring& errorText) {
    Win32LaunchSystem system;
    return runLaunch(system, errorText);
}

}  // namespace host
