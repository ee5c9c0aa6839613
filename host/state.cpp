#include "host/state.h"

namespace host {

std::wstring applicationTitle = L"Game";
HINSTANCE instanceHandle = nullptr;
HWND mainWindow = nullptr;
std::wstring userFolder;
int gameRunningFlag = 2;

}  // namespace host
