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

void watchReport(HANDLE finished, const volatile DWORD& exitCode) {
    LONG seen = progress;
    DWORD lastStep = GetTickCount();
    for (;;) {
        const DWORD waited = finished ? WaitForSingleObject(finished, kWatchIntervalMs) : (Sleep(kWatchIntervalMs), WAIT_TIMEOUT);
        if (waited != WAIT_TIMEOUT) return;
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
    // Not while a write is under way: a second write on the file would wait for the first, and a
    // stuck write may be what stalled the report.
    const HANDLE report = InterlockedExchangePointer(&state.reportFile, nullptr);
    DWORD written = 0;
    if (report && cutNoteLength && !state.writing) WriteFile(report, cutNote, cutNoteLength, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);  // not reached: the process ends with the call above
}

}  // namespace crash
