#pragma once

#include <string>

#include "boundary/wide_char.h"

// Where the test module crashes the process when its behaviour asks ("crash=STEP"):
//   "dll_main": in DllMain, while the host loads the module
//   "info": in createApplicationInfo, before the host knows the user folder
//   "loader_lock", "heap_lock": there too, holding the loader lock or the process heap's lock
//   "run": in run, once the host has moved the report into the user folder
// Built without optimisation, so that the report sees these frames and their locals as written.
extern std::wstring crashStep;

void crashInDllMain();
void crashInApplicationInfo(const WideChar* infoPath);
void crashInRun();
