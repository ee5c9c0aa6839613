#pragma once

#include <windows.h>

// A report in progress is watched rather than timed: every step of it counts, and the process is
// ended only when the count stands still for the stall limit. So a large report may take as long
// as it needs, and one stuck on a lock (the heap's, the loader's) ends the process instead of
// freezing the game.
namespace crash {

// The longest step of a report measured under Wine, loading the symbols of game.exe, takes about
// 1.6 s; a machine several times slower still makes progress within this.
constexpr DWORD kStallLimitMs = 8000;

// One step of the report done: a piece written, a frame walked, a member looked up.
void noteProgress();

// Prepares the note that a cut report ends with; called at installation.
void prepareWatch();

// Returns when `finished` is set. Ends the process with `exitCode`, read then, when the report
// makes no progress for the stall limit before that. Without an event it waits for the report to
// stand still.
void watchReport(HANDLE finished, const volatile DWORD& exitCode);

// Ends the process at once with `exitCode`, noting in a report still open that it was cut short.
// Any dump still open goes with it.
[[noreturn]] void endProcess(DWORD exitCode);

}  // namespace crash
