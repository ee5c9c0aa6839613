#include "game_folder.h"

#include <atomic>

#include <shlobj.h>
#include <shlwapi.h>

#include "support/module_driver.h"
#include "support/wide.h"

namespace {

std::string uniqueProduct() {
    static std::atomic<unsigned> serial{0};
    return "Host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
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

GameEnd GameProcess::finish() {
    GameEnd end;
    const bool ended = process.wait(30000, [&](const ChildBox& shown) {
        end.boxes.push_back(box(shown.caption(), shown.text()) + (shown.owned() ? L" | owned" : L""));
        shown.answer(IDOK);
    });
    if (ended) end.exitCode = static_cast<long>(process.exitCode());
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

std::wstring expanded(std::string text, const GameFolder& game, const std::string& name) {
    wchar_t joined[MAX_PATH] = {}, common[MAX_PATH] = {};
    PathCombineW(joined, game.bin().c_str(), wide("../../data/" + name).c_str());
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common);
    const std::pair<std::string, std::string> fields[] = {
        {"{joined}", utf8(joined)},
        {"{data}", slashed(game.rootPath()) + "/data"},
        {"{shared}", slashed(common) + "/" + kGameCompany + "/" + game.product},
    };
    for (const auto& [field, value] : fields)
        for (std::size_t at; (at = text.find(field)) != std::string::npos;) text.replace(at, field.size(), value);
    return wide(text);
}
