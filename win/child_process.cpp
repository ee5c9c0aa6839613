#include "win/child_process.h"

#include <vector>

#include "xml/paths.h"

namespace win {

std::wstring programFolder() {
    wchar_t path[MAX_PATH];
    return xml::parentFolder(std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH)));
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                           bool captureOutput) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    win::ScopedKernelHandle write;
    if (captureOutput) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        CreatePipe(pipe.receive(), write.receive(), &inheritable, 0);
        SetHandleInformation(pipe.get(), HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = write.get();
    }
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, captureOutput, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        error = GetLastError();
        return;
    }
    process.reset(info.hProcess);
    thread.reset(info.hThread);
    id = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (!process) return;
    TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), 5000);
}

bool ChildProcess::wait(DWORD timeout, const std::function<void(const ChildBox&)>& onBox) {
    if (!process) return false;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeout) return false;
        std::vector<HWND> boxes;  // all found before any is answered and goes
        for (HWND window = nullptr; onBox && (window = FindWindowExW(nullptr, window, L"#32770", nullptr));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == id && IsWindowVisible(window) && seen.insert(window).second) boxes.push_back(window);
        }
        for (HWND window : boxes) onBox(ChildBox{window});
    }
    return true;
}

DWORD ChildProcess::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

std::string ChildProcess::output() const {
    std::string text;
    char chunk[256];
    DWORD read = 0;
    while (pipe && ReadFile(pipe.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
    return text;
}

}  // namespace win
