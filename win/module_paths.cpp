#include "win/module_paths.h"

#include <stdexcept>

#include <windows.h>
#include <shlwapi.h>

#include "xml/paths.h"

namespace win {
namespace {

[[noreturn]] void tooLong() { throw std::runtime_error("path is too long"); }

}  // namespace

std::wstring getModuleFolder() {
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) tooLong();  // a full buffer means the name was cut
    return xml::parentFolder(std::wstring(name, length));
}

std::string getModuleFolderA() {
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) tooLong();
    char folder[MAX_PATH + 1];
    lstrcpynA(folder, name, MAX_PATH + 1);
    PathRemoveFileSpecA(folder);
    return folder;
}

std::wstring getFullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) tooLong();
    return std::wstring(full, length);
}

}  // namespace win
