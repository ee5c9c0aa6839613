#pragma once

#include <windows.h>

// The first-run check and the configuration utility, exported by the executable under MSVC's
// decorated names (exports.def) with the plain C calling convention.
extern "C" {
// True unless HKLM\<registryPath> holds "FirstRun" as a DWORD of 0: a missing key or value, a
// value of another type or size, or no access all count as a first run. Turns a game running
// flag of classRegistered into checked.
bool isFirstRun(const wchar_t* registryPath);
// Starts "<folder>\config.exe" (with " /autodetect" when asked) in `folder`. The caller owns
// the process handle; INVALID_HANDLE_VALUE when it cannot be started.
HANDLE startConfigUtil(const wchar_t* folder, bool autodetect);
}
