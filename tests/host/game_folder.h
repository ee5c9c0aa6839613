#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "host/game_pieces/key_value_file.h"
#include "win/child_process.h"
#include "support/temp_folder.h"
#include "win/scoped_handle.h"

// The names of the test game, in its info.xml and handed out by the test module. The title is
// not ASCII, so that a caption that went through a narrow string shows.
inline constexpr char kGameCompany[] = "Gamehost Host Test";
inline const std::wstring kGameTitle = L"Test game \u2013 \u00e9t\u00e9";

// The order of the test module's "event" records: objects made and released, the library loaded
// and unloaded. A launch that ends releases what it made in reverse order of creation.
using Events = std::vector<std::string>;
inline const Events kEndedAfterInfo = {"loaded", "factory", "info", "info-released", "factory-released", "unloaded"};
inline const Events kEndedAfterModule = {"loaded", "factory", "info", "module", "info-released", "factory-released",
                                         "module-released", "unloaded"};
inline const Events kCompleteRun = {"loaded", "factory", "info", "module", "info-released", "factory-released",
                                    "result", "exit-code-read", "result-released", "module-released", "unloaded"};

// "0" as a registry string stores it: UTF-16 with its terminating zero.
inline const std::string kTextZero("0\0\0\0", 4);

using Files = std::set<std::string>;
// The crash files (exception.txt, exception.dmp) in `folder`.
Files crashFilesIn(const std::filesystem::path& folder);
// Copies an image as a game ships it, with its PDB when the build made one (and `withPdb`),
// under the name that the image's CodeView record gives, which is the built one.
void copyImage(const std::filesystem::path& image, const std::filesystem::path& to, bool withPdb = true);

// One installation of the game in a temporary folder ROOT:
//   ROOT/bin/x86/game.exe, GameModule.dll (the test module), config.exe (the test utility)
//   ROOT/data/info.xml (the names above and a product of its own), config.xml (windowed,
//       initial script "start"), game.xml (root "Game")
// and the game's registry key, Software\<company>\<product>, with FirstRun = 0, both removed at
// the end with the user folder. The module and the utility read "behaviour.txt" and write
// "record.txt" and "utility.txt", all in ROOT/bin/x86.
class GameFolder {
public:
    // `behaviour`: lines for the test module after the names, with the fields of expand().
    explicit GameFolder(const std::string& behaviour = "");
    ~GameFolder();

    void write(const std::string& relative, const std::string& bytes) const { folder.write(relative, bytes); }
    void remove(const std::string& relative) const { std::filesystem::remove(folder.root() / relative); }
    void behave(const std::string& lines) const;  // appended to "behaviour.txt"
    // Copies `built` from beside the test program into ROOT/bin/x86 as `name`.
    void install(const std::wstring& built, const std::wstring& name) const {
        copyImage(std::filesystem::path(win::programFolder()) / built, bin() + L"\\" + name);
    }
    // The value "FirstRun" of the game's key or of its `subkey`, made as needed; read back as
    // "absent" or "STATUS:TYPE:VALUE"; the key removed.
    void setFirstRun(DWORD type, const std::string& bytes, const std::wstring& subkey = L"") const;
    void setFirstRun(DWORD value) const { setFirstRun(REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4)); }
    std::string firstRun() const;
    void removeKey() const;

    // `text` with its fields filled in: {title}, {root}, {bin} (where game.exe lies), {key} (the
    // registry key), {config} and {game} (the executable's folder joined with "../../data/NAME" by
    // the system, as the host joins it, not normalised), {data} and {shared} (the two folders
    // where references are looked for, as the resolver reports them).
    std::string expand(std::string text) const;
    std::wstring rootPath() const { return folder.path(); }
    std::wstring bin() const { return rootPath() + L"\\bin\\x86"; }
    std::filesystem::path userFolder() const;  // "My Games\<product>" in My Documents
    KeyValues record() const { return readKeyValues(folder.root() / "bin/x86/record.txt"); }
    KeyValues utilityRecord() const { return readKeyValues(folder.root() / "bin/x86/utility.txt"); }
    // Waits up to 30 seconds for the module to record `key`.
    bool waitForRecord(const std::string& key) const;
    // Makes a module that waits in run go on.
    void stop() const { write("bin/x86/stop", ""); }

    TempFolder folder;
    const std::string product;
    const std::wstring keyPath;
};

// A message box that the game showed, read before it was dismissed: "CAPTION | TEXT", followed by
// " | owned" when it had an owner window.
using Boxes = std::vector<std::wstring>;
inline std::wstring box(const std::wstring& caption, const std::wstring& text) { return caption + L" | " + text; }

struct GameEnd {
    Boxes boxes;
    long exitCode = -1;  // -1: still running after 30 seconds, then ended by the test
};

// A started game.exe, its current folder ROOT (not its own folder). A process still running at
// the end is ended.
class GameProcess {
public:
    explicit GameProcess(const GameFolder& game) : process(game.bin() + L"\\game.exe", L"", game.rootPath()) {}
    GameEnd finish();  // reads and dismisses every message box of the process until it ends

private:
    win::ChildProcess process;
};

inline GameEnd runGame(const GameFolder& game) { return GameProcess(game).finish(); }

// The tests of game.exe take turns, across test programs too: the game admits one instance per
// machine, and the cursor and the foreground window are shared.
class GameExe : public ::testing::Test {
protected:
    GameExe();
    ~GameExe() override { ReleaseMutex(turn.get()); }

private:
    win::ScopedKernelHandle turn;
};
