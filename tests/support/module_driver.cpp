#include "support/module_driver.h"

#include <gtest/gtest.h>

#include "host/launch_system.h"
#include "host/state.h"
#include "support/child_process.h"
#include "xml/files.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

constexpr wchar_t kCommonData[] = L"C:\\common";

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, w, l);
}

// A plain window like the host's: the module sizes it and pumps its messages.
HWND makeWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProcedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ModuleDriverWindow";
        return RegisterClassExW(&wc);
    }();
    HWND window = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"driver",
                                  WS_CAPTION | WS_SYSMENU, 0, 0, 320, 240, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
}

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

    std::wstring moduleFolder() override { return programFolder(); }
    // The launch asks for one full path, the data folder's: the test's own.
    std::wstring fullPath(const std::wstring&) override { return dataFolder; }

    HMODULE loadModuleLibrary() override {
        const HMODULE library = LoadLibraryW(dllPath.c_str());
        allocationsBefore = counter(library, "moduleLiveAllocations");
        return library;
    }
    IGameModuleFactory* createFactory(HMODULE library) override {
        const auto create = reinterpret_cast<CreateFactoryFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, kCreateFactoryExport)));
        return create ? create() : nullptr;
    }
    void freeModuleLibrary(HMODULE library) override {
        run.liveObjects = counter(library, "moduleLiveObjects");
        if (allocationsBefore >= 0) run.allocationsLeft = counter(library, "moduleLiveAllocations") - allocationsBefore;
        run.unloaded = FreeLibrary(library) && !GetModuleHandleW(dllPath.c_str());
    }

    bool isFirstRun(const std::wstring&) override { return false; }
    win::ScopedKernelHandle startConfigUtil(const std::wstring&) override { return {}; }
    bool waitForProcess(HANDLE) override { return false; }

    std::optional<std::wstring> commonAppDataFolder() override { return kCommonData; }
    std::optional<std::wstring> documentsFolder() override { return L"C:\\documents"; }
    void setCrashReportPaths(const std::wstring&, const std::wstring&) override {}

    // Read from `primary`, the data folder: the paths the launch joins lead from the program's folder.
    IXmlReader* loadDocument(const std::wstring&, const std::wstring& primary, const std::wstring& secondary,
                             const wchar_t* name) override {
        if (!secondary.empty()) sharedFolder = secondary;
        CStdXmlResolver2 resolver(primary.c_str(), nullptr);
        const FileToMemory text((primary + L"\\" + name).c_str());
        return new CXmlParser(text.getData(), &resolver, name);
    }

    int createGameWindow(bool) override { return (window = makeWindow()) != nullptr; }
    WindowHandle mainWindow() override { return window; }
    void setWindowText(const std::wstring& text) override { run.title = text; }
    void confineCursor() override {}

    // "<common data>\<company>/<product>", as the launch joined it.
    std::wstring sharedFolder;

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
    // The user folder ends in "My Games/<product>", the shared folder in "<company>/<product>".
    const std::wstring& user = host::state.userFolder;
    const std::size_t games = user.find(L"My Games/");
    if (games != std::wstring::npos) run.product = user.substr(games + 9);
    const std::size_t skip = std::char_traits<wchar_t>::length(kCommonData) + 1;
    if (system.sharedFolder.size() > skip + run.product.size())
        run.company = system.sharedFolder.substr(skip, system.sharedFolder.size() - skip - run.product.size() - 1);
    return run;
}

void expectCompleteRun(const ModuleRun& run, const wchar_t* company, const wchar_t* title, const wchar_t* product,
                       int exitCode) {
    EXPECT_EQ(run.company, company);
    EXPECT_EQ(run.title, title);
    EXPECT_EQ(run.product, product);
    EXPECT_EQ(run.exitCode, exitCode);
    expectEndedWith(run, L"");
}

void expectEndedWith(const ModuleRun& run, const std::wstring& errorText) {
    EXPECT_EQ(run.errorText, errorText);
    EXPECT_EQ(run.liveObjects, 0);
    EXPECT_EQ(run.allocationsLeft, 0);
    EXPECT_TRUE(run.unloaded);
}
