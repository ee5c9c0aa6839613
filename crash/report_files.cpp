#include "crash/report_files.h"

#include <string>

#include "crash/report_watch.h"
#include "win/scoped_handle.h"
#include "xml/paths.h"

namespace crash {
namespace {

// An unknown folder, or one too long to join a name to (combinePath then gives nothing), is no
// place.
void preparePlace(ReportPlace place, const std::wstring& folder) {
    preparePath(state.reports[place], folder.empty() ? L"" : xml::combinePath(folder, L"exception.txt").c_str());
    preparePath(state.dumps[place], folder.empty() ? L"" : xml::combinePath(folder, L"exception.dmp").c_str());
}

// The dump of `job` beside the report, kept only when complete.
void writeMinidump(const CrashJob& job) {
    const win::ScopedKernelHandle dump(createCrashFile(state.dumps[state.reportPlace], CrashFile::dump));
    if (!dump) return;
    MINIDUMP_EXCEPTION_INFORMATION exception{job.threadId, job.info, TRUE};
    // A second attempt, from an empty file, when the first fails: under 64-bit Wine a dump was
    // missing after about one crash test run in five, with the report complete.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool written = state.dbghelp.MiniDumpWriteDump(state.process, GetCurrentProcessId(), dump.get(),
                                                             MiniDumpNormal, &exception, nullptr, nullptr);
        noteProgress();
        if (written) {
            keepFile(dump.get());
            return;
        }
        SetFilePointer(dump.get(), 0, nullptr, FILE_BEGIN);
        SetEndOfFile(dump.get());
    }
}

}  // namespace

void setReportPlace(const wchar_t* reportPath, const wchar_t* dumpPath) {
    // Prepared from the whole path: one too long for the handler's buffers is no place at all,
    // rather than a cut name.
    if (reportPath) preparePath(state.reports[kChosenPlace], reportPath);
    if (dumpPath) preparePath(state.dumps[kChosenPlace], dumpPath);
}

void prepareFallbackPlaces(const std::wstring& executableFolder) {
    wchar_t temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    preparePlace(kExecutablePlace, executableFolder);
    preparePlace(kTemporaryPlace, std::wstring(temporary, length <= MAX_PATH ? length : 0));
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
    win::ScopedKernelHandle(InterlockedExchangePointer(&state.reportFile, nullptr)).reset();
    if (whole) writeMinidump(job);
}

}  // namespace crash
