#include "xml/file_identity.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace xml {

bool FileIdentity::operator==(const FileIdentity& other) const {
    if (file != 0 && other.file != 0) return volume == other.volume && file == other.file;
#if defined(_WIN32)
    return CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), other.path.c_str(),
                                static_cast<int>(other.path.size()), TRUE) == CSTR_EQUAL;
#else
    return path == other.path;
#endif
}

FileIdentity identifyFile(std::FILE* stream, const WideString& path) {
    FileIdentity identity;
    identity.path = path;
#if defined(_WIN32)
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH) identity.path.assign(full, length);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    BY_HANDLE_FILE_INFORMATION information;
    if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &information)) {
        identity.volume = information.dwVolumeSerialNumber;
        identity.file = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    }
#else
    struct stat status;
    if (fstat(fileno(stream), &status) == 0) {
        identity.volume = static_cast<std::uint64_t>(status.st_dev);
        identity.file = static_cast<std::uint64_t>(status.st_ino);
    }
#endif
    return identity;
}

}  // namespace xml
