#include "game_folder.h"

#include <atomic>

#include <shlobj.h>
#include <shlwapi.h>

#include "support/wide.h"

namespace fs = std::filesystem;

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

Files crashFilesIn(const fs::path& folder) {
    Files files;
    for (const char* name : {"exception.txt", "exception.dmp"})
        if (fs::exists(folder / name)) files.insert(name);
    return files;
}

void copyImage(const fs::path& image, const fs::path& to, bool withPdb) {
    fs::create_directories(to.parent_path());
    fs::copy_file(image, to, fs::copy_options::overwrite_existing);
    const fs::path pdb = fs::path(image).replace_extension(".pdb");
    if (withPdb && fs::exists(pdb)) fs::copy_file(pdb, to.parent_path() / pdb.filename(), fs::copy_options::overwrite_existing);
}

GameFolder::GameFolder(const std::string& behaviour)
    : product(uniqueProduct()), keyPath(L"Software\\" + W(kGameCompany) + L"\\" + W(product)) {
    removeKey();
    setFirstRun(0);
    write("data/info.xml", "\xEF\xBB\xBF<Info><Company>" + std::string(kGameCompany) + "</Company><Title>" +
                               xml::toUtf8(kGameTitle) + "</Title><Product>" + product + "</Product></Info>");
    write("data/config.xml", "<Config><Script><Init name='start'/></Script></Config>");
    write("data/game.xml", "<Game/>");
    write("bin/x86/behaviour.txt", expand("company=" + std::string(kGameCompany) + "\ntitle={title}\nproduct=" +
                                          product + "\n" + behaviour + "\n"));
    install(L"game.exe", L"game.exe");
    install(L"host_test_module.dll", L"GameModule.dll");
    install(L"host_test_config.exe", L"config.exe");
}

GameFolder::~GameFolder() {
    removeKey();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.substr(0, keyPath.rfind(L'\\')).c_str());  // refused while not empty
    std::error_code ignored;
    fs::remove_all(userFolder(), ignored);
}

void GameFolder::setFirstRun(DWORD type, const std::string& bytes, const std::wstring& subkey) const {
    const std::wstring path = subkey.empty() ? keyPath : keyPath + L"\\" + subkey;
    EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"FirstRun", type, bytes.data(),
                              static_cast<DWORD>(bytes.size())), 0);
}

std::string GameFolder::firstRun() const {
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG status = RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), L"FirstRun", RRF_RT_ANY, &type, &value, &size);
    if (status == ERROR_FILE_NOT_FOUND) return "absent";
    return std::to_string(status) + ":" + std::to_string(type) + ":" + std::to_string(value);
}

void GameFolder::removeKey() const { RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str()); }

std::string GameFolder::expand(std::string text) const {
    const auto joined = [this](const char* name) {
        wchar_t path[MAX_PATH] = {};
        PathCombineW(path, bin().c_str(), (L"../../data/" + W(name)).c_str());
        return xml::toUtf8(path);
    };
    const std::pair<std::string, std::string> fields[] = {
        {"{title}", xml::toUtf8(kGameTitle)},
        {"{root}", xml::toUtf8(rootPath())},
        {"{bin}", xml::toUtf8(bin())},
        {"{key}", xml::toUtf8(keyPath)},
        {"{config}", joined("config.xml")},
        {"{game}", joined("game.xml")},
        {"{data}", slashed(rootPath()) + "/data"},
        {"{shared}", slashed(shellFolder(CSIDL_COMMON_APPDATA)) + "/" + kGameCompany + "/" + product},
    };
    for (const auto& [field, value] : fields)
        for (std::size_t at; (at = text.find(field)) != std::string::npos;) text.replace(at, field.size(), value);
    return text;
}

fs::path GameFolder::userFolder() const { return fs::path(shellFolder(CSIDL_PERSONAL)) / "My Games" / product; }

void GameFolder::behave(const std::string& lines) const {
    std::ofstream(folder.root() / "bin/x86/behaviour.txt", std::ios::binary | std::ios::app) << expand(lines) << "\n";
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
    const bool ended = process.wait(30000, [&](const win::ChildBox& shown) {
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
