// The game module of the host tests and of the crash tests. Each test chooses its behaviour in
// "behaviour.txt" beside it; it writes what the host hands over, and what it sees from inside the
// host's process, into "record.txt" beside it. "event" lines give the order in which objects are
// made and ended. "crash=STEP" crashes the process at that step:
//   "dll_main": in DllMain, while the host loads the module
//   "info": in createApplicationInfo, before the host knows the user folder
//   "loader_lock", "heap_lock": there too, holding the loader lock or the process heap's lock
//   "run": in run, once the host has moved the report into the user folder

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "boundary/csafe_string.h"
#include "boundary/game_module.h"
#include "crash/lock_loader.h"
#include "host/first_run.h"
#include "host/window.h"
#include "key_value_file.h"
#include "support/recorded.h"

namespace {

HMODULE self;
KeyValues behaviour;
std::wstring crashStep;
int* volatile nowhere = nullptr;  // volatile: the compiler may not turn the write into a trap

std::string ask(const char* key) { return valueOf(behaviour, key); }
std::wstring askWide(const char* key) { return xml::fromUtf8(ask(key)); }
void record(const std::string& key, const std::string& value) { appendKeyValue(besideModule(self, L"record.txt"), key, value); }
void event(const std::string& name) { record("event", name); }

std::string format(const char* pattern, long a, long b = 0, long c = 0, long d = 0) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

std::string nameOf(IXmlReaderNode* node) {
    std::wstring name = L"null";
    CSafeStringW out(name);
    if (node) node->getName(&out);
    return xml::toUtf8(name);
}

}  // namespace

// Built without optimisation, so that the report sees these frames and their locals as written.
#if defined(__clang__)
#define UNOPTIMISED __attribute__((optnone, noinline))
#else
#define UNOPTIMISED __attribute__((optimize("O0"), noinline))
#endif

UNOPTIMISED void crashInDllMain() {
    if (crashStep == L"dll_main") *nowhere = 6;
}

UNOPTIMISED void crashInApplicationInfo(const WideChar* infoPath) {
    const std::wstring step = crashStep;
    if (step == L"info" && infoPath) *nowhere = 4;
    if (step == L"loader_lock") {  // as code that the loader runs holds it
        lockLoader();
        *nowhere = 5;
    }
    if (step == L"heap_lock" && HeapLock(GetProcessHeap())) *nowhere = 7;
}

UNOPTIMISED void crashInRun() {
    if (crashStep == L"run") *nowhere = 3;
}

namespace {

// Every object handed to the host records when it is made and when the host releases it.
template <class Interface, class Self>
using Object = Recorded<Interface, Self, event>;

// Lent to the host, never released by it.
class TestLog final : public IGameLog {
public:
    void* queryInterface(uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override {}
    void logMessage(const char* text, int level) override { record("log", text + format("|%ld", level)); }
};

class TestResult final : public Object<IGameRun, TestResult> {
public:
    TestResult() : Recorded("result") {}
    int getExitCode() override {
        event("exit-code-read");
        return std::atoi(ask("exit").c_str());
    }
};

// The executable's exports, reached the way other code inside the process reaches them, under
// MSVC's names for this width.
#if defined(_WIN64)
constexpr const char* kMyRegisterClassExport = "?MyRegisterClass@@YAGPEAUHINSTANCE__@@@Z";
constexpr const char* kIsFirstRunExport = "?isFirstRun@@YA_NPEB_W@Z";
constexpr const char* kStartConfigUtilExport = "?startConfigUtil@@YAPEAXPEB_W_N@Z";
#else
constexpr const char* kMyRegisterClassExport = "?MyRegisterClass@@YAGPAUHINSTANCE__@@@Z";
constexpr const char* kIsFirstRunExport = "?isFirstRun@@YA_NPB_W@Z";
constexpr const char* kStartConfigUtilExport = "?startConfigUtil@@YAPAXPB_W_N@Z";
#endif
template <class Function>
Function* hostExport(const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

// What became of the process that startConfigUtil gave.
std::string startedUtility(HANDLE process) {
    if (!process || process == INVALID_HANDLE_VALUE) return process ? "invalid" : "null";
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ended ? format("exit %ld", code) : "running";
}

// One "call=FUNCTION ARGUMENT" line: records "FUNCTION ARGUMENT" with what the export gave.
void callExport(const std::string& call, const std::wstring& moduleFolder) {
    const std::size_t space = std::min(call.find(' '), call.size());
    const std::string function = call.substr(0, space);
    const std::wstring argument = xml::fromUtf8(call.substr(std::min(space + 1, call.size())));
    std::string result = "missing";
    if (function == "MyRegisterClass") {
        if (auto* exported = hostExport<decltype(MyRegisterClass)>(kMyRegisterClassExport))
            result = exported(argument == L"module" ? self : GetModuleHandleW(nullptr)) ? "atom" : "0";
    } else if (function == "isFirstRun") {
        if (auto* exported = hostExport<decltype(isFirstRun)>(kIsFirstRunExport))
            result = exported(argument.c_str()) ? "1" : "0";
    } else if (function == "startConfigUtil") {
        if (auto* exported = hostExport<decltype(startConfigUtil)>(kStartConfigUtilExport))
            result = startedUtility(exported((moduleFolder + argument).c_str(), false));
    }
    record(call, result);
}

class TestModule final : public Object<IGameModule, TestModule> {
public:
    explicit TestModule(HWND window) : Recorded("module"), window(window) {}
    IGameLog* getLog() override { return &log; }

    IGameRun* run(const WideChar* initialScript, IXmlReaderNode* gameRoot, ISafeStringW* error) override {
        record("run.script", initialScript ? xml::toUtf8(initialScript) : "null");
        record("run.root", nameOf(gameRoot));
        recordCursor();
        if (ask("wait") == "1") waitForStop();
        crashInRun();
        if (ask("run") != "null") return new TestResult;
        error->assignString(askWide("run.error").c_str());
        return nullptr;
    }

private:
    // What the host's confinement left: the clip, the window's client area on the screen, and
    // the cursor's display counter (ShowCursor gives the counter after its own change).
    void recordCursor() {
        RECT clip{}, client{};
        GetClipCursor(&clip);
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const char* rect = "%ld,%ld,%ld,%ld";
        record("run.clip", format(rect, clip.left, clip.top, clip.right, clip.bottom));
        record("run.client", format(rect, client.left, client.top, client.right, client.bottom));
        record("run.foreground", GetForegroundWindow() == window ? "1" : "0");
        const int raised = ShowCursor(TRUE);
        ShowCursor(FALSE);
        record("run.cursor", format("%ld", raised - 1));
    }

    // Pumps the window's messages until the test leaves a file "stop" beside the module.
    void waitForStop() {
        while (!std::filesystem::exists(besideModule(self, L"stop"))) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }

    HWND window;
    TestLog log;
};

class TestInfo final : public Object<IApplicationInfo, TestInfo> {
public:
    TestInfo() : Recorded("info") {}
    bool getCompanyName(ISafeStringW* out) override { return give("company", out); }
    bool getTitle(ISafeStringW* out) override { return give("title", out); }
    bool getProductName(ISafeStringW* out) override { return give("product", out); }

private:
    static bool give(const char* key, ISafeStringW* out) {
        out->assignString(askWide(key).c_str());
        return true;
    }
};

// "Root:Child,Child" for the document's root and its children.
std::string outline(IXmlReader* document) {
    IXmlReaderNode* root = document ? document->getRoot() : nullptr;
    std::string text = nameOf(root) + ":";
    for (uint32_t i = 0; root && i < root->getChildCount(); ++i)
        text += (i ? "," : "") + nameOf(root->getChild(static_cast<int32_t>(i)));
    return text;
}

class TestFactory final : public Object<IGameModuleFactory, TestFactory> {
public:
    TestFactory() : Recorded("factory") {}

    IApplicationInfo* createApplicationInfo(const WideChar* infoPath, int reserved) override {
        crashInApplicationInfo(infoPath);
        record("info.path", xml::toUtf8(infoPath));
        record("info.reserved", format("%ld", reserved));
        if (ask("info") == "null") return nullptr;
        return info = new TestInfo;
    }

    IGameModule* createGameModule(IXmlReader* config, const WideChar* moduleFolder, int reserved, WindowHandle window,
                                  bool fullScreen, IApplicationInfo* givenInfo, ISafeStringW* error) override {
        record("create.folder", xml::toUtf8(moduleFolder));
        record("create.reserved", format("%ld", reserved));
        record("create.fullscreen", fullScreen ? "1" : "0");
        record("create.info", givenInfo == info ? "same" : "other");
        record("create.config", outline(config));
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        record("create.text", xml::toUtf8(text));
        record("create.style", format("%08lX", GetWindowLongW(window, GWL_STYLE)));
        record("create.exstyle", format("%08lX", GetWindowLongW(window, GWL_EXSTYLE)));
        for (const std::string& call : valuesOf(behaviour, "call")) callExport(call, moduleFolder);
        if (ask("create") != "null") return new TestModule(window);
        error->assignString(askWide("create.error").c_str());
        return nullptr;
    }

private:
    IApplicationInfo* info = nullptr;
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        behaviour = readKeyValues(besideModule(self, L"behaviour.txt"));
        crashStep = askWide("crash");
        crashInDllMain();
        event("loaded");
    } else if (reason == DLL_PROCESS_DETACH) {
        // A null `reserved` means FreeLibrary; otherwise the process is ending with the library loaded.
        event(reserved ? "ended-with-process" : "unloaded");
    }
    return TRUE;
}

extern "C" IGameModuleFactory* __stdcall createFactory() {
    if (ask("factory") == "null") return nullptr;
    return new TestFactory;
}
