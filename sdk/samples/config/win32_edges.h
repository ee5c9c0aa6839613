#pragma once

#include <string>

#include <windows.h>

#include "boundary/wide_string.h"
#include "config_document.h"
#include "win/scoped_handle.h"

// The utility's few contacts with Windows. Failures throw gen_exception with the error code.
namespace config {

// A registry key opened (and made when missing) to set values.
class WritableRegistryKey {
public:
    WritableRegistryKey(HKEY root, const WideString& path);

    void setDword(const wchar_t* name, DWORD value);

private:
    win::ScopedRegistryKey key;
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
