#include "support/module_driver.h"

#include <gtest/gtest.h>

#include "host/launch_system.h"
#include "host/state.h"
#include "win/child_process.h"
#include "xml/files.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

int counter(HMODULE library, const char* name) {
    const auto read = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return read ? read() : -1;
}

class DriverSystem final : public host::LaunchSystem {
public:
    DriverSystem(const std::wstring& dllPath, const std::wstring& dataFolder, ModuleRun& run)
        : dllPath(dllPath), dataFolder(dataFolder), run(run) {}
    ~DriverSystem() override {
        if (IsWindow(window)) DestroyWindow(window);
    }

    std::wstring moduleFolder() override { return win::programFolder(); }
    // The launch asks for one full path, the data folder's: the test's own.
    std::wstring fullPath(const std::wstring&) override { return dataFolder; }

    HMODULE loadModuleLibrary() override {
        const HMODULE library = LoadLibraryW(dllPath.c_str());
        allocationsBefore = counter(library, "moduleLiveAllocations");
        return library;
    }
    IGameModuleFactory* createFactory(HMODULE library) override { return host::createFactoryOf(library); }
    void freeModuleLibrary(HMODULE library) override {
        run.liveObjects = counter(library, "moduleLiveObjects");
        if (allocationsBefore >= 0) run.allocationsLeft = counter(library, "moduleLiveAllocations") - allocationsBefore;
        run.unloaded = FreeLibrary(library) && !GetModuleHandleW(dllPath.c_str());
    }

    bool isFirstRun(const std::wstring&) override { return false; }
    win::ScopedKernelHandle startConfigUtil(const std::wstring&) override { return {}; }
    bool waitForProcess(HANDLE) override { return false; }

    std::optional<std::wstring> commonAppDataFolder() override { return L"C:\\common"; }
    std::optional<std::wstring> documentsFolder() override { return L"C:\\documents"; }
    void setCrashReportPaths(const std::wstring&, const std::wstring&) override {}

    // Read from `primary`, the data folder: the paths the launch joins lead from the program's folder.
    IXmlReader* loadDocument(const std::wstring&, const std::wstring& primary, const std::wstring& secondary,
                             const wchar_t* name) override {
        if (!secondary.empty()) run.sharedFolder = secondary;
        CStdXmlResolver2 resolver(primary.c_str(), nullptr);
        const FileToMemory text((primary + L"\\" + name).c_str());
        return new CXmlParser(text.getData(), &resolver, name);
    }

    // A plain window of a class that the system registered, like the host's: the module sizes it
    // and pumps its messages.
    int createGameWindow(bool) override {
        window = CreateWindowExW(0, L"STATIC", L"", WS_CAPTION | WS_SYSMENU, 0, 0, 320, 240, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOW);
        return window != nullptr;
    }
    WindowHandle mainWindow() override { return window; }
    void setWindowText(const std::wstring& text) override { run.title = text; }
    void confineCursor() override {}

private:
    std::wstring dllPath, dataFolder;
    ModuleRun& run;
    int allocationsBefore = -1;
    HWND window = nullptr;
};

}  // namespace

ModuleRun driveModule(const std::wstring& dllPath, const std::wstring& dataFolder) {
    ModuleRun run;
    host::state = host::State{};
    DriverSystem system(dllPath, dataFolder, run);
    run.errorText.clear();
    run.exitCode = host::runLaunch(system, run.errorText);
    run.userFolder = host::state.userFolder;
    return run;
}

void expectCompleteRun(const ModuleRun& run, const std::wstring& company, const std::wstring& title,
                       const std::wstring& product, int exitCode) {
    EXPECT_EQ(run.title, title);
    EXPECT_EQ(run.sharedFolder, L"C:\\common\\" + company + L"/" + product);
    EXPECT_EQ(run.userFolder, L"C:\\documents\\My Games/" + product);
    EXPECT_EQ(run.exitCode, exitCode);
    expectEndedWith(run, L"");
}

void expectEndedWith(const ModuleRun& run, const std::wstring& errorText) {
    EXPECT_EQ(run.errorText, errorText);
    EXPECT_EQ(run.liveObjects, 0);
    EXPECT_EQ(run.allocationsLeft, 0);
    EXPECT_TRUE(run.unloaded);
}
