#include "win32_edges.h"

#include <vector>

#include "xml/errors.h"
#include "xml/paths.h"

namespace config {
namespace {

[[noreturn]] void fail(const WideString& what, DWORD code) {
    throw gen_exception(what + widen(" (error ") + std::to_wstring(code) + WideChar(')'));
}

// Deletes the temporary file unless it has taken the place of the real one.
class TemporaryFile {
public:
    explicit TemporaryFile(const WideString& folder) {
        wchar_t buffer[MAX_PATH] = {};
        if (!GetTempFileNameW(folder.c_str(), L"cfg", 0, buffer))
            fail(widen("cannot make a temporary file in ") + folder, GetLastError());
        name = buffer;
    }
    ~TemporaryFile() {
        if (!moved) DeleteFileW(name.c_str());
    }
    const WideString& path() const { return name; }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void moveTo(const WideString& target) {
        if (!MoveFileExW(name.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            fail(widen("cannot replace ") + target, GetLastError());
        moved = true;
    }

private:
    WideString name;
    bool moved = false;
};

WideString moduleFileName() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) fail(widen("cannot find the program's own file"), GetLastError());
        if (length < buffer.size()) return WideString(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

WritableRegistryKey::WritableRegistryKey(HKEY root, const WideString& path) : path(path) {
    const LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                        nullptr, key.receive(), nullptr);
    if (status != ERROR_SUCCESS) fail(widen("cannot open the registry key ") + path, static_cast<DWORD>(status));
}

void WritableRegistryKey::setDword(const wchar_t* name, DWORD value) {
    const LONG status = RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (status != ERROR_SUCCESS)
        fail(widen("cannot set ") + name + widen(" in the registry key ") + path, static_cast<DWORD>(status));
}

WideString dataFolder() {
    const WideString joined = xml::combinePath(xml::parentFolder(moduleFileName()), L"../../data");
    const DWORD needed = joined.empty() ? 0 : GetFullPathNameW(joined.c_str(), 0, nullptr, nullptr);
    if (needed == 0) fail(widen("cannot find the data folder"), GetLastError());
    std::vector<wchar_t> buffer(needed);
    const DWORD length = GetFullPathNameW(joined.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) fail(widen("cannot find the data folder"), GetLastError());
    return WideString(buffer.data(), length);
}

void replaceFile(const WideString& fileName, const std::string& bytes) {
    TemporaryFile temporary(xml::parentFolder(fileName));
    {
        const win::ScopedFileHandle file(CreateFileW(temporary.path().c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) fail(widen("cannot write ") + temporary.path(), GetLastError());
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get()))
            fail(widen("cannot write ") + temporary.path(), GetLastError());
    }
    temporary.moveTo(fileName);
}

Size primaryScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Size windowDecoration() {
    return {2 * GetSystemMetrics(SM_CXFIXEDFRAME),
            GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME)};
}

}  // namespace config
