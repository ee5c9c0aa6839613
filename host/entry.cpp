// The process's entry: crash reporting armed first, one copy of the game at a time, the window
// class, the launch, and the one place where the launch's error text reaches the player.

#include <new>
#include <stdexcept>
#include <string>

#include <windows.h>

#include "crash/crash_handler.h"
#include "host/launch_system.h"
#include "host/state.h"
#include "host/window.h"
#include "win/scoped_handle.h"
#include "xml/utf.h"

namespace {

constexpr UINT kAlreadyRunningText = 110;  // "Игра уже запущена", a Russian string resource
std::new_handler previousNewHandler = nullptr;

// Out of memory: stop in the debugger, or, without one, crash into the report and minidump.
void onOutOfMemory() {
    DebugBreak();
    if (previousNewHandler) previousNewHandler();
}

void warn(const std::wstring& text) { MessageBoxW(nullptr, text.c_str(), host::state.applicationTitle.c_str(), MB_ICONEXCLAMATION); }

int runGame(HINSTANCE instance) {
    CrashHandler crashHandler;
    previousNewHandler = std::set_new_handler(onOutOfMemory);
    host::state.instanceHandle = instance;

    // Held, never released, until the guard ends with the handle.
    win::ScopedKernelHandle instanceMutex(CreateMutexW(nullptr, TRUE, L"GameStarted547"));
    if (!instanceMutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        instanceMutex.reset();
        wchar_t text[256] = L"";
        LoadStringW(instance, kAlreadyRunningText, text, 256);
        warn(text);
        return 0;
    }
    MyRegisterClass(instance);
    std::wstring errorText;
    int exitCode = host::launchGame(errorText);
    if (!errorText.empty()) {
        warn(errorText);
        exitCode = 0;
    }
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return runGame(instance);
    } catch (const std::runtime_error& error) {  // the crash handler could not find the executable's folder
        warn(xml::readableText(error.what()));
        return 0;
    }
}
