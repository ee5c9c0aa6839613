#include "host/first_run.h"

#include <memory>

#include "host/state.h"
#include "xml/paths.h"

bool isFirstRun(const wchar_t* registryPath) {
    if (host::gameRunningFlag == 1) host::gameRunningFlag = 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return true;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG read = RegQueryValueExW(key, L"FirstRun", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return read != ERROR_SUCCESS || type != REG_DWORD || value != 0;
}

HANDLE startConfigUtil(const wchar_t* folder, bool autodetect) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring commandLine = host::configUtilCommandLine(folder, autodetect);
    // CreateProcessW may write into its command line.
    auto writable = std::make_unique<wchar_t[]>(commandLine.size() + 1);
    commandLine.copy(writable.get(), commandLine.size());
    writable[commandLine.size()] = 0;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, writable.get(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return INVALID_HANDLE_VALUE;
    CloseHandle(process.hThread);
    return process.hProcess;
}

namespace host {

std::wstring configUtilCommandLine(const std::wstring& folder, bool autodetect) {
    std::wstring line = L"\"" + xml::combinePath(folder, L"config.exe") + L"\"";
    if (autodetect) line += L" /autodetect";
    return line;
}

}  // namespace host
