#pragma once

#include <functional>
#include <set>
#include <string>

#include <windows.h>

#include "win/scoped_handle.h"

namespace win {

// The folder of the running program.
std::wstring programFolder();

// A message box of a child process. Its texts are read only when asked for: reading the text
// waits on the box's thread.
struct ChildBox {
    HWND window;
    std::wstring caption() const {
        wchar_t caption[512] = {};
        return GetWindowTextW(window, caption, 512) ? caption : L"";
    }
    std::wstring text() const {
        wchar_t text[2048] = {};
        return GetDlgItemTextW(window, 0xFFFF, text, 2048) ? text : L"";
    }
    bool owned() const { return GetWindow(window, GW_OWNER) != nullptr; }
    void answer(WPARAM button = IDOK) const { PostMessageW(window, WM_COMMAND, button, 0); }
};

// A started program, watched from outside: its message boxes read and answered, its end waited
// for within a bound. One still running at the end is ended and waited for: its files are free
// only once it has ended.
class ChildProcess {
public:
    // The command line is the quoted `program` followed by `arguments` as given. With
    // `captureOutput`, its stdout and stderr go to a pipe that output() reads. When the program
    // cannot be started, startError() says why and wait() returns false.
    ChildProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                 bool captureOutput = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits up to `timeout` milliseconds for the end, handing each visible message box of the
    // process to `onBox` once. False when the process did not start or did not end in time.
    bool wait(DWORD timeout, const std::function<void(const ChildBox&)>& onBox = nullptr);
    DWORD exitCode() const;  // once ended
    DWORD startError() const { return error; }  // 0 when it started
    // Everything it printed; complete once it has ended.
    std::string output() const;

private:
    win::ScopedKernelHandle process, thread, pipe;
    DWORD id = 0;
    DWORD error = 0;
    // A box stays visible a while after its answer, without a window manager.
    std::set<HWND> seen;
};

}  // namespace win
