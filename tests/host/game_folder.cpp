#include "game_folder.h"

#include <atomic>

#include <shlobj.h>
#include <shlwapi.h>

#include "support/wide.h"

namespace {

std::string uniqueProduct() {
    static std::atomic<unsigned> serial{0};
    return "Host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
}

std::wstring shellFolder(int which) {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, which, nullptr, 0, folder);
    return folder;
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

std::string TestRegistryKey::firstRun() const {
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG status = RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"FirstRun", RRF_RT_ANY, &type, &value, &size);
    if (status == ERROR_FILE_NOT_FOUND) return "absent";
    return std::to_string(status) + ":" + std::to_string(type) + ":" + std::to_string(value);
}

void TestRegistryKey::remove() const { RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()); }

GameFolder::GameFolder(const std::string& behaviour)
    : product(uniqueProduct()), key(L"Software\\" + wide(kGameCompany) + L"\\" + wide(product)) {
    key.setFirstRun(DWORD{0});
    write("data/info.xml", "\xEF\xBB\xBF<Info><Company>" + std::string(kGameCompany) + "</Company><Title>" +
                               utf8(kGameTitle) + "</Title><Product>" + product + "</Product></Info>");
    write("data/config.xml", "<Config><Script><Init name='start'/></Script></Config>");
    write("data/game.xml", "<Game/>");
    write("bin/x86/behaviour.txt", std::string("company=") + kGameCompany + "\ntitle=" + utf8(kGameTitle) +
                                       "\nproduct=" + product + "\n" + behaviour + "\n");
    install(L"game.exe", L"game.exe");
    install(L"host_test_module.dll", L"GameModule.dll");
    install(L"host_test_config.exe", L"config.exe");
}

GameFolder::~GameFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(userFolder(), ignored);
}

void GameFolder::install(const std::wstring& built, const std::wstring& name) const {
    const std::filesystem::path from = std::filesystem::path(programFolder()) / built, to = bin();
    std::filesystem::create_directories(to);
    EXPECT_TRUE(CopyFileW(from.c_str(), (to / name).c_str(), FALSE)) << utf8(built);
    // Under the name that the image's CodeView record gives, which is the built one.
    const std::filesystem::path pdb = std::filesystem::path(from).replace_extension(".pdb");
    if (std::filesystem::exists(pdb)) CopyFileW(pdb.c_str(), (to / pdb.filename()).c_str(), FALSE);
}

std::filesystem::path GameFolder::userFolder() const {
    return std::filesystem::path(shellFolder(CSIDL_PERSONAL)) / "My Games" / product;
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
    const DWORD waited = WaitForSingleObject(turn.get(), 100000);
    EXPECT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) << "no turn for this test";
}

GameExe::~GameExe() { ReleaseMutex(turn.get()); }

std::wstring expanded(std::string text, const GameFolder& game, const std::string& name) {
    wchar_t joined[MAX_PATH] = {};
    PathCombineW(joined, game.bin().c_str(), wide("../../data/" + name).c_str());
    const std::pair<std::string, std::string> fields[] = {
        {"{joined}", utf8(joined)},
        {"{data}", slashed(game.rootPath()) + "/data"},
        {"{shared}", slashed(shellFolder(CSIDL_COMMON_APPDATA)) + "/" + kGameCompany + "/" + game.product},
    };
    for (const auto& [field, value] : fields)
        for (std::size_t at; (at = text.find(field)) != std::string::npos;) text.replace(at, field.size(), value);
    return wide(text);
}
