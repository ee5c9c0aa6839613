#pragma once

#include <string>

#include <windows.h>

#include "boundary/wide_string.h"
#include "config_document.h"

// The utility's few contacts with Windows. Failures throw gen_exception with the error code.
namespace config {

// Closes a kernel handle that CreateFileW and its kind return.
class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle) : handle(handle) {}
    ~OwnedHandle() {
        if (valid()) CloseHandle(handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    bool valid() const { return handle && handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }

private:
    HANDLE handle;
};

// A registry key opened (and made when missing) to set values.
class WritableRegistryKey {
public:
    WritableRegistryKey(HKEY root, const WideString& path);
    ~WritableRegistryKey() { RegCloseKey(key); }
    WritableRegistryKey(const WritableRegistryKey&) = delete;
    WritableRegistryKey& operator=(const WritableRegistryKey&) = delete;

    void setDword(const wchar_t* name, DWORD value);

private:
    HKEY key = nullptr;
    WideString path;  // for messages
};

// The full path of "../../data" beside this executable, found as the host finds it.
WideString dataFolder();

// Writes a temporary file beside `fileName` and moves it over, so a failure leaves the old file.
void replaceFile(const WideString& fileName, const std::string& bytes);

Size primaryScreenSize();
// What a captioned window adds to its client area.
Size windowDecoration();

}  // namespace config
