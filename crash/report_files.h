#pragma once

#include <string>

#include "crash/crash_state.h"

// The files of one report: the text report in the first of its places that takes it, the
// minidump beside it, kept only when it is complete.
namespace crash {

// Sets the chosen places (the launch's, or the defaults) and the fallbacks; prepared now, so
// that a crash only has to open them.
void setReportPlace(const wchar_t* reportPath, const wchar_t* dumpPath);
void prepareFallbackPlaces(const std::wstring& executableFolder);

}  // namespace crash
