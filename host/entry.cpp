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

namespace {

constexpr UINT kAlreadyRunningText = 110;  // "Игра уже запущена", a Russian string resource
std::new_handler previousNewHandler = nullptr;

// Out of memory: stop in the debugger, or, without one, crash into the report and minidump.
void onOutOfMemory() {
    DebugBreak();
    if (previousNewHandler) previousNewHandler();
}

void warn(const std::wstring& text) { MessageBoxW(nullptr, text.c_str(), host::applicationTitle.c_str(), MB_ICONEXCLAMATION); }

int runGame(HINSTANCE instance) {
    CrashHandler crashHandler;
    previousNewHandler = std::set_new_handler(onOutOfMemory);
    host::instanceHandle = instance;

    HANDLE instanceMutex = CreateMutexW(nullptr, TRUE, L"GameStarted547");
    if (!instanceMutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (instanceMutex) CloseHandle(instanceMutex);
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
    // Held, never released, until here: the guard ends with the handle.
    CloseHandle(instanceMutex);
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return runGame(instance);
    } catch (const std::runtime_error& error) {  // the crash handler could not find the executable's folder
        warn(std::wstring(error.what(), error.what() + std::char_traits<char>::length(error.what())));
        return 0;
    }
}
