#include "host/first_run.h"

#include <memory>
#include <string>

#include "host/state.h"
#include "win/scoped_handle.h"
#include "xml/paths.h"

namespace {

// "\"<folder>\config.exe\"", followed by " /autodetect" when asked.
std::wstring configUtilCommandLine(const std::wstring& folder, bool autodetect) {
    std::wstring line = L"\"" + xml::combinePath(folder, L"config.exe") + L"\"";
    if (autodetect) line += L" /autodetect";
    return line;
}

}  // namespace

bool isFirstRun(const wchar_t* registryPath) {
    host::GameRunning& flag = host::state.gameRunningFlag;
    if (flag == host::GameRunning::classRegistered) flag = host::GameRunning::checked;
    win::ScopedRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS) return true;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG read = RegQueryValueExW(key.get(), L"FirstRun", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return read != ERROR_SUCCESS || type != REG_DWORD || value != 0;
}

HANDLE startConfigUtil(const wchar_t* folder, bool autodetect) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring commandLine = configUtilCommandLine(folder, autodetect);
    // CreateProcessW may write into its command line.
    auto writable = std::make_unique<wchar_t[]>(commandLine.size() + 1);
    commandLine.copy(writable.get(), commandLine.size());
    writable[commandLine.size()] = 0;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, writable.get(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return INVALID_HANDLE_VALUE;
    const win::ScopedKernelHandle thread(process.hThread);  // not needed: closed at once
    return process.hProcess;
}
