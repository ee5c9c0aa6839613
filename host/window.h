#pragma once

#include <windows.h>

// The game's one top-level window. The host registers its class, creates and shows it, and
// confines the cursor to it while it is active; the message loop belongs to the game module.
extern "C" {
// Registers "GameWindowClass576" and sets the game running flag to 1. Exported.
ATOM MyRegisterClass(HINSTANCE instance);
}

namespace host {

inline constexpr wchar_t kWindowClass[] = L"GameWindowClass576";

// Creates the window (pop-up top-most for full screen, caption and close box otherwise), keeps
// it as the main window and shows it. 1 when it exists, 0 when creation failed.
int createGameWindow(bool fullScreen);

// Hide the cursor in, and clip it to, the client area, or give it back; both only while the
// main window is the foreground window.
void confineCursor();
void releaseCursor();

LRESULT CALLBACK gameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace host
