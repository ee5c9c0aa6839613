#pragma once

#include <string>

#include <windows.h>

// Process-wide state of the host, shared by the entry, the launch, the window and the first-run
// check. Everything runs on the main thread.
namespace host {

extern std::wstring applicationTitle;  // caption of every message box; "Game" until the module names it
extern HINSTANCE instanceHandle;
extern HWND mainWindow;                // null until createGameWindow ran
extern std::wstring userFolder;        // "My Games/<product>" under the user's documents, once known
// 2 at start; MyRegisterClass sets 1, isFirstRun turns 1 into 0. The launch logs "Game running"
// to the module when it is not 0.
extern int gameRunningFlag;

}  // namespace host
