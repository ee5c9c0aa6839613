#include "crash/report_files.h"

#include <cwchar>

#include "crash/report_watch.h"

namespace crash {
namespace {

void copyPath(wchar_t (&target)[MAX_PATH + 1], const wchar_t* path) {
    std::wcsncpy(target, path ? path : L"", MAX_PATH);  // a longer path is cut
    target[MAX_PATH] = 0;
}

// `folder` + "\" + `name`, or nothing when it would not fit.
void preparePlace(PreparedPath& prepared, const wchar_t* folder, const wchar_t* name) {
    wchar_t path[MAX_PATH + 1];
    const std::size_t length = std::wcslen(folder);
    const bool separated = length > 0 && (folder[length - 1] == L'\\' || folder[length - 1] == L'/');
    const int written = std::swprintf(path, MAX_PATH + 1, L"%ls%ls%ls", folder, separated ? L"" : L"\\", name);
    preparePath(prepared, length > 0 && written > 0 && written <= MAX_PATH ? path : L"");
}

// The dump of `job` beside the report, kept only when complete.
void writeMinidump(const CrashJob& job) {
    const HANDLE dump = createCrashFile(state.dumps[state.reportPlace], CrashFile::dump);
    if (!dump) return;
    MINIDUMP_EXCEPTION_INFORMATION exception{job.threadId, job.info, TRUE};
    if (state.dbghelp.MiniDumpWriteDump(state.process, GetCurrentProcessId(), dump, MiniDumpNormal, &exception, nullptr,
                                        nullptr))
        keepFile(dump);
    noteProgress();
    CloseHandle(dump);
}

}  // namespace

void setReportPlace(const wchar_t* reportPath, const wchar_t* dumpPath) {
    // Prepared from the whole path: one too long for the handler's buffers is no place at all,
    // rather than a cut name.
    if (reportPath) {
        copyPath(state.reportPath, reportPath);
        preparePath(state.reports[kChosenPlace], reportPath);
    }
    if (dumpPath) {
        copyPath(state.dumpPath, dumpPath);
        preparePath(state.dumps[kChosenPlace], dumpPath);
    }
}

void prepareFallbackPlaces(const wchar_t* executableFolder) {
    preparePlace(state.reports[kExecutablePlace], executableFolder, L"exception.txt");
    preparePlace(state.dumps[kExecutablePlace], executableFolder, L"exception.dmp");
    wchar_t temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    if (length == 0 || length > MAX_PATH) temporary[0] = 0;
    preparePlace(state.reports[kTemporaryPlace], temporary, L"exception.txt");
    preparePlace(state.dumps[kTemporaryPlace], temporary, L"exception.dmp");
}

void reportCrash(const CrashJob& job) {
    HANDLE file = nullptr;
    for (int place = kChosenPlace; place < kPlaceCount && !file; ++place) {
        file = createCrashFile(state.reports[place], CrashFile::report);
        state.reportPlace = static_cast<ReportPlace>(place);
    }
    if (!file) return;
    state.reportFile = file;
    noteProgress();
    const bool whole = writeReport(job);
    // Closed before the dump is begun, so that a dump that stalls leaves the report as it is.
    // Taken back in one exchange: the watch may take it at the same time for its note.
    file = InterlockedExchangePointer(&state.reportFile, nullptr);
    if (file) CloseHandle(file);
    if (whole) writeMinidump(job);
}

}  // namespace crash
