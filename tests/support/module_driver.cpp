#include "support/module_driver.h"

#include <memory>

#include <gtest/gtest.h>

#include "boundary/csafe_string.h"
#include "boundary/game_module.h"
#include "xml/files.h"
#include "xml/parser.h"
#include "xml/resolver.h"

namespace {

struct DestroyDocument {
    void operator()(IXmlReader* document) const { document->destroy(kDestroyFree); }
};
using Document = std::unique_ptr<IXmlReader, DestroyDocument>;

// The document, or null with the failure in `error`: the driver still releases everything.
Document load(const std::wstring& folder, const wchar_t* name, std::string& error) {
    try {
        CStdXmlResolver2 resolver(folder.c_str(), nullptr);
        const FileToMemory text((folder + L"\\" + name).c_str());
        return Document(new CXmlParser(text.getData(), &resolver, name));
    } catch (const std::exception& failure) {
        error = failure.what();
        return nullptr;
    }
}

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
    HWND window = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)), L"driver", WS_CAPTION | WS_SYSMENU, 0, 0, 320, 240,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
}

int counter(HMODULE library, const char* name) {
    const auto read = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return read ? read() : -1;
}

}  // namespace

std::wstring programFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

ModuleRun driveModule(const std::wstring& dllPath, const std::wstring& dataFolder) {
    ModuleRun report;
    const HMODULE library = LoadLibraryW(dllPath.c_str());
    if (!library) return report;
    const int allocationsBefore = counter(library, "moduleLiveAllocations");
    const auto createFactory = reinterpret_cast<CreateFactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, kCreateFactoryExport)));
    IGameModuleFactory* factory = createFactory ? createFactory() : nullptr;
    report.factory = factory != nullptr;
    if (factory) {
        IApplicationInfo* info = factory->createApplicationInfo((dataFolder + L"\\info.xml").c_str(), 0);
        report.info = info != nullptr;
        if (info) {
            CSafeStringW out(report.company);
            info->getCompanyName(&out);
            out.retarget(report.title);
            info->getTitle(&out);
            out.retarget(report.product);
            info->getProductName(&out);

            Document config = load(dataFolder, L"config.xml", report.documentError);
            if (!config) {
                info->release();
                factory->release();
                FreeLibrary(library);
                return report;
            }
            IXmlReaderNode* root = config->getRoot();
            std::wstring script;
            if (IXmlReaderNode* init = root->findChild(L"Script", false) ? root->findChild(L"Script", false)->findChild(L"Init", false) : nullptr) {
                out.retarget(script);
                init->getAttributeString(init->findAttribute(L"name", false), &out);
            }
            const bool fullScreen = root->findChildIndex(L"FullScreen", -1, false) != -1;
            HWND window = makeWindow();
            out.retarget(report.createError);
            report.createError.clear();
            IGameModule* module = factory->createGameModule(config.get(), programFolder().c_str(), 0, window, fullScreen, info, &out);
            report.module = module != nullptr;
            config.reset();
            info->release();
            factory->release();
            factory = nullptr;
            if (module) {
                module->getLog()->logMessage("Game running", 1);
                if (Document game = load(dataFolder, L"game.xml", report.documentError)) {
                    out.retarget(report.runError);
                    report.runError.clear();
                    IGameRun* result = module->run(script.c_str(), game->getRoot(), &out);
                    game.reset();
                    report.runResult = result != nullptr;
                    if (result) {
                        report.exitCode = result->getExitCode();
                        result->release();
                    }
                }
                module->release();
            }
            if (IsWindow(window)) DestroyWindow(window);
        }
        if (factory) factory->release();
    }
    report.liveObjects = counter(library, "moduleLiveObjects");
    const int allocationsAfter = counter(library, "moduleLiveAllocations");
    if (allocationsBefore >= 0) report.allocationsLeft = allocationsAfter - allocationsBefore;
    report.unloaded = FreeLibrary(library) && !GetModuleHandleW(dllPath.c_str());
    return report;
}

void expectCompleteRun(const ModuleRun& run, const wchar_t* company, const wchar_t* title, const wchar_t* product,
                       int exitCode) {
    EXPECT_TRUE(run.factory && run.info && run.module && run.runResult);
    EXPECT_EQ(run.documentError, "");
    EXPECT_EQ(run.company, company);
    EXPECT_EQ(run.title, title);
    EXPECT_EQ(run.product, product);
    EXPECT_EQ(run.createError, L"");
    EXPECT_EQ(run.runError, L"");
    EXPECT_EQ(run.exitCode, exitCode);
    EXPECT_EQ(run.liveObjects, 0);
    EXPECT_EQ(run.allocationsLeft, 0);
    EXPECT_TRUE(run.unloaded);
}
