#pragma once

#include <string>

#include <windows.h>

// The host's process-wide state, in one place: the entry, the launch, the window and the
// exported functions share it, all on the main thread. It lives as long as the process.
namespace host {

// The game running flag. The launch tells the module's log "Game running" unless the flag is
// `checked`, which in the host's own order it always is by then: the first-run check comes after
// the class registration. Only a later call of the exported MyRegisterClass sets it again.
enum class GameRunning : int {
    checked = 0,          // isFirstRun ran while the flag was `classRegistered`
    classRegistered = 1,  // MyRegisterClass ran, with no first-run check since
    initial = 2,          // before MyRegisterClass; isFirstRun leaves it so
};

struct State {
    // Caption of every message box and text of the main window: "Game" until the launch reads
    // the game's title, which then stays, also when the launch fails afterwards.
    std::wstring applicationTitle = L"Game";
    HINSTANCE instanceHandle = nullptr;  // set by the entry before anything that needs it
    HWND mainWindow = nullptr;           // null until createGameWindow; the host never destroys it
    // "My Games/<product>" under the user's documents, from the moment the launch knows the
    // product; kept to the end of the process.
    std::wstring userFolder;
    GameRunning gameRunningFlag = GameRunning::initial;
};

// The one instance. `state = State{}` puts back the state the process starts with (tests).
extern State state;

}  // namespace host
