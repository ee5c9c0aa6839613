#include "host/window.h"

#include "host/state.h"

namespace host {
namespace {

constexpr WORD kIconResource = 107;

}  // namespace

int createGameWindow(bool fullScreen) {
    const DWORD extendedStyle = fullScreen ? WS_EX_TOPMOST | WS_EX_APPWINDOW : 0;
    const DWORD style = fullScreen ? WS_POPUP : WS_CAPTION | WS_SYSMENU;
    // No size of the host's own: the game module sizes its window.
    HWND& window = state.mainWindow;
    window = CreateWindowExW(extendedStyle, kWindowClass, L"", style, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                             nullptr, state.instanceHandle, nullptr);
    if (!window) return 0;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return 1;
}

void confineCursor() {
    const HWND window = state.mainWindow;
    if (GetForegroundWindow() != window) return;
    RECT client;
    GetClientRect(window, &client);
    POINT topLeft{client.left, client.top}, bottomRight{client.right, client.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    const RECT clip{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ClipCursor(&clip);
    ShowCursor(FALSE);
}

void releaseCursor() {
    if (GetForegroundWindow() != state.mainWindow) return;
    ClipCursor(nullptr);
    ShowCursor(TRUE);
}

// Activation is never passed on to DefWindowProcW: the default focus handling does not run.
LRESULT CALLBACK gameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        if (wParam == WA_ACTIVE || wParam == WA_CLICKACTIVE) confineCursor();
        else releaseCursor();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace host

ATOM MyRegisterClass(HINSTANCE instance) {
    host::state.gameRunningFlag = host::GameRunning::classRegistered;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = host::gameWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(host::kIconResource));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = host::kWindowClass;
    return RegisterClassExW(&windowClass);
}
