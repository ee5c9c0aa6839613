#include "game_folder.h"

#include <algorithm>
#include <atomic>

#include "support/module_driver.h"

namespace {

std::string uniqueProduct() {
    static std::atomic<unsigned> serial{0};
    return "Host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
}

struct BoxSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collectBoxes(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<BoxSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == search.process && IsWindowVisible(window) && std::wstring(className) == L"#32770")
        search.found.push_back(window);
    return TRUE;
}

std::wstring readAndDismiss(HWND window) {
    wchar_t caption[512] = {}, text[2048] = {};
    GetWindowTextW(window, caption, 512);
    GetDlgItemTextW(window, 0xFFFF, text, 2048);
    const bool owned = GetWindow(window, GW_OWNER) != nullptr;
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return box(caption, text) + (owned ? L" | owned" : L"");
}

}  // namespace

TestRegistryKey::TestRegistryKey(std::wstring path) : path(std::move(path)) { remove(); }

TestRegistryKey::~TestRegistryKey() {
    remove();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.substr(0, path.rfind(L'\\')).c_str());  // refused while not empty
}

void TestRegistryKey::setFirstRun(DWORD type, const std::string& bytes) const {
    EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"FirstRun", type, bytes.data(),
                              static_cast<DWORD>(bytes.size())), 0);
}

void TestRegistryKey::remove() const { RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()); }

GameFolder::GameFolder(const std::string& behaviour)
    : product(uniqueProduct()), key(L"Software\\" + wide(kGameCompany) + L"\\" + wide(product)) {
    key.setFirstRun(DWORD{0});
    write("data/info.xml", "<Info/>");
    write("data/config.xml", "<Config><Script><Init name='start'/></Script></Config>");
    write("data/game.xml", "<Game/>");
    write("bin/x86/behaviour.txt", std::string("company=") + kGameCompany + "\ntitle=" + utf8(kGameTitle) +
                                       "\nproduct=" + product + "\n" + behaviour + "\n");
    const std::wstring from = programFolder() + L"\\";
    const std::pair<const wchar_t*, const wchar_t*> copies[] = {
        {L"game.exe", L"game.exe"},
        {L"host_test_module.dll", L"GameModule.dll"},
        {L"host_test_config.exe", L"config.exe"},
    };
    for (const auto& [built, copy] : copies)
        EXPECT_TRUE(CopyFileW((from + built).c_str(), (bin() + L"\\" + copy).c_str(), FALSE)) << utf8(built);
}

void GameFolder::remove(const std::string& relative) const { std::filesystem::remove(folder.root() / relative); }

void GameFolder::behave(const std::string& lines) const {
    std::ofstream(folder.root() / "bin/x86/behaviour.txt", std::ios::binary | std::ios::app) << lines << "\n";
}

bool GameFolder::waitForRecord(const std::string& key) const {
    for (int tries = 0; tries < 300; ++tries) {
        if (!valueOf(record(), key).empty()) return true;
        Sleep(100);
    }
    return false;
}

GameProcess::GameProcess(const GameFolder& game) {
    std::wstring commandLine = L"\"" + game.exe() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(game.exe().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        game.rootPath().c_str(), &startup, &process)) {
        ADD_FAILURE() << "game.exe did not start: error " << GetLastError();
        process = {};
    }
}

GameProcess::~GameProcess() {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);  // its files can go only once it has ended
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

GameEnd GameProcess::finish() {
    GameEnd end;
    std::vector<HWND> dismissed;
    const DWORD start = GetTickCount();
    while (process.hProcess && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > 30000) return end;
        BoxSearch search{process.dwProcessId, {}};
        EnumWindows(collectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            // A dismissed box stays visible for a while without a window manager.
            if (std::find(dismissed.begin(), dismissed.end(), window) != dismissed.end()) continue;
            dismissed.push_back(window);
            end.boxes.push_back(readAndDismiss(window));
        }
    }
    DWORD code = 0;
    if (process.hProcess && GetExitCodeProcess(process.hProcess, &code)) end.exitCode = static_cast<long>(code);
    return end;
}

GameExe::GameExe() : turn(CreateMutexW(nullptr, FALSE, L"GamehostGameExeTurn")) {
    // An abandoned turn (a test program that died) is taken over as well.
    const DWORD waited = WaitForSingleObject(turn, 100000);
    EXPECT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) << "no turn for this test";
}

GameExe::~GameExe() {
    ReleaseMutex(turn);
    CloseHandle(turn);
}
