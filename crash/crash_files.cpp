#include "crash/crash_files.h"

#include <cstring>

#include <winternl.h>

namespace crash {
namespace {

// Not in every header set: the record of FileDispositionInformation.
struct Disposition {
    BOOLEAN deleteFile;
};

bool setDeleteOnClose(HANDLE file, bool remove) {
    Disposition disposition{static_cast<BOOLEAN>(remove)};
    IO_STATUS_BLOCK status{};
    return NT_SUCCESS(NtSetInformationFile(file, &status, &disposition, sizeof disposition, FileDispositionInformation));
}

}  // namespace

void preparePath(PreparedPath& prepared, const wchar_t* path) {
    prepared = PreparedPath{};
    UNICODE_STRING native{};
    if (!path || !*path || !RtlDosPathNameToNtPathName_U(path, &native, nullptr, nullptr)) return;
    if (native.Length + sizeof(wchar_t) <= sizeof prepared.native) {
        std::memcpy(prepared.native, native.Buffer, native.Length);
        prepared.native[native.Length / sizeof(wchar_t)] = 0;
        prepared.bytes = native.Length;
    }
    RtlFreeUnicodeString(&native);
}

HANDLE createCrashFile(const PreparedPath& path, CrashFile kind) {
    if (path.bytes == 0) return nullptr;
    UNICODE_STRING name{path.bytes, path.bytes, const_cast<wchar_t*>(path.native)};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    const bool dump = kind == CrashFile::dump;
    const ULONG options = FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE | (dump ? 0 : FILE_WRITE_THROUGH);
    HANDLE file = nullptr;
    IO_STATUS_BLOCK status{};
    if (!NT_SUCCESS(NtCreateFile(&file, GENERIC_WRITE | SYNCHRONIZE | (dump ? DELETE : 0), &attributes, &status, nullptr,
                                 FILE_ATTRIBUTE_NORMAL, 0, FILE_OVERWRITE_IF, options, nullptr, 0)))
        return nullptr;
    // Marked for removal before anything is written: whatever ends the process before the dump is
    // complete (the watch, a second fault) takes the file with it. A file system that cannot
    // mark it still gets the dump, unprotected.
    if (dump) setDeleteOnClose(file, true);
    return file;
}

bool keepFile(HANDLE file) { return setDeleteOnClose(file, false); }

}  // namespace crash
