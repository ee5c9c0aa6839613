// A game module that crashes game.exe where the crash tests ask, through its environment:
//
//   CRASH_MODULE_STEP      "info": in createApplicationInfo, before the host knows the user
//                          folder; "run": in run, once the host has moved the report there;
//                          "dll_main": in DllMain while the host loads the module;
//                          "loader_lock", "heap_lock": in createApplicationInfo, holding the
//                          loader lock or the process heap's lock
//   CRASH_MODULE_RUNNING   (optional) an event that run sets on entry
//   CRASH_MODULE_RELEASE   (optional) an event that run waits for before it crashes
//
// The names come from the data folder's info.xml, as a real game's do. Built without
// optimisation, like the scenario program, so that the report sees the frames as written.

#include <exception>
#include <string>

#include <windows.h>

#include "boundary/csafe_string.h"
#include "boundary/game_module.h"
#include "lock_loader.h"
#include "xml/files.h"
#include "xml/parser.h"

namespace {

int* volatile nowhere = nullptr;

std::wstring environment(const wchar_t* name) {
    wchar_t value[256];
    const DWORD length = GetEnvironmentVariableW(name, value, 256);
    return length > 0 && length < 256 ? std::wstring(value, length) : std::wstring();
}

class QuietLog final : public IGameLog {
public:
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override {}
    void logMessage(const char*, int) override {}
};

class Info final : public IApplicationInfo {
public:
    Info(std::wstring company, std::wstring title, std::wstring product)
        : company(std::move(company)), title(std::move(title)), product(std::move(product)) {}
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }
    bool getCompanyName(ISafeStringW* out) override { return give(company, out); }
    bool getTitle(ISafeStringW* out) override { return give(title, out); }
    bool getProductName(ISafeStringW* out) override { return give(product, out); }

private:
    static bool give(const std::wstring& text, ISafeStringW* out) {
        out->assignString(text.c_str());
        return true;
    }
    std::wstring company, title, product;
};

class CrashingModule final : public IGameModule {
public:
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }
    IGameLog* getLog() override { return &log; }

    IGameRun* run(const WideChar*, IXmlReaderNode*, ISafeStringW* error) override {
        if (environment(L"CRASH_MODULE_STEP") != L"run") {
            error->assignString(L"nothing to run");
            return nullptr;
        }
        const std::wstring running = environment(L"CRASH_MODULE_RUNNING");
        const std::wstring release = environment(L"CRASH_MODULE_RELEASE");
        if (!running.empty()) SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, running.c_str()));
        if (!release.empty()) WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, release.c_str()), INFINITE);
        *nowhere = 3;
        return nullptr;
    }

private:
    QuietLog log;
};

std::wstring childText(IXmlReaderNode& node, const wchar_t* name) {
    const wchar_t* text = node.getChildText(name);
    return text ? text : L"";
}

class Factory final : public IGameModuleFactory {
public:
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }

    IApplicationInfo* createApplicationInfo(const WideChar* infoPath, int) override {
        const std::wstring step = environment(L"CRASH_MODULE_STEP");
        if (step == L"info") *nowhere = 4;
        if (step == L"loader_lock") {  // as code that the loader runs holds it
            lockLoader();
            *nowhere = 5;
        }
        if (step == L"heap_lock" && HeapLock(GetProcessHeap())) *nowhere = 7;
        try {
            const FileToMemory file(infoPath);
            CXmlParser document(file.getData(), nullptr, L"info.xml");
            IXmlReaderNode& root = *document.getRoot();
            return new Info(childText(root, L"Company"), childText(root, L"Title"), childText(root, L"Product"));
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    IGameModule* createGameModule(IXmlReader*, const WideChar*, int, WindowHandle, bool, IApplicationInfo*,
                                  ISafeStringW*) override {
        return new CrashingModule;
    }
};

}  // namespace

extern "C" IGameModuleFactory* __stdcall createFactory() { return new Factory; }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH && environment(L"CRASH_MODULE_STEP") == L"dll_main") *nowhere = 6;
    return TRUE;
}
