#include "crash/report_watch.h"

#include <cstdio>

#include "crash/crash_state.h"

namespace crash {
namespace {

constexpr DWORD kWatchIntervalMs = 100;

volatile LONG progress = 0;
// Made before any crash: whoever ends the process may have next to no stack left.
char cutNote[96] = "";
DWORD cutNoteLength = 0;

}  // namespace

void noteProgress() { InterlockedIncrement(&progress); }

void prepareWatch() {
    const int length = std::snprintf(cutNote, sizeof cutNote, "\r\nReport cut short: no progress for %lu s\r\n",
                                     static_cast<unsigned long>(kStallLimitMs / 1000));
    cutNoteLength = length > 0 ? static_cast<DWORD>(length) : 0;
}

void watchReport(HANDLE finished, DWORD exitCode) {
    LONG seen = progress;
    DWORD lastStep = GetTickCount();
    while (WaitForSingleObject(finished, kWatchIntervalMs) == WAIT_TIMEOUT) {
        const LONG now = progress;
        if (now != seen) {
            seen = now;
            lastStep = GetTickCount();
        } else if (GetTickCount() - lastStep >= kStallLimitMs) {
            endProcess(exitCode);
        }
    }
}

void endProcess(DWORD exitCode) {
    const HANDLE report = state.reportFile;
    DWORD written = 0;
    if (report && cutNoteLength) WriteFile(report, cutNote, cutNoteLength, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);  // not reached: the process ends with the call above
}

}  // namespace crash
