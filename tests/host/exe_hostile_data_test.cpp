// game.exe under Wine against hostile game data: documents that are empty, binary, huge, too
// deep, folders, or refer to themselves, and a missing "info.xml". Every launch must end with its
// message box (or quietly) and exit code 0, or run normally, and never with a crash report.

#include <filesystem>
#include <random>
#include <string>

#include <shlobj.h>

#include "game_folder.h"
#include "support/module_driver.h"
#include "support/wide.h"

namespace {

namespace fs = std::filesystem;

const std::string kEmpty;
const std::string kConfigReferringToItself = "<Config><refer filename='config.xml'/></Config>";
const std::string kGameReferringToItself = "<Game><refer filename='game.xml'/></Game>";

// Where a crash report of this game would be written: beside game.exe, or in the user folder.
bool anyCrashReport(const GameFolder& game) {
    wchar_t documents[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);
    const fs::path places[] = {fs::path(game.bin()), fs::path(documents) / "My Games" / game.product};
    for (const fs::path& place : places)
        for (const char* report : {"exception.txt", "exception.dmp"})
            if (fs::exists(place / report)) return true;
    return false;
}

std::string binaryGarbage() {
    std::mt19937 random(20261207);
    std::string bytes(1, '\xFF');  // never a character of either encoding
    while (bytes.size() < 4096) bytes += static_cast<char>(1 + random() % 255);
    return bytes;
}

std::string nested(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "<a>";
    for (int i = 0; i < levels; ++i) text += "</a>";
    return text;
}

// `head`, then `line` repeated to 50 MiB, then `tail`.
std::string fiftyMebibytes(const std::string& head, const std::string& line, const std::string& tail) {
    std::string text = head;
    text.reserve((50u << 20) + line.size() + tail.size());
    while (text.size() < (50u << 20)) text += line;
    return text + tail;
}

TEST_F(GameExe, HostileDocumentsEndWithTheirMessageNeverACrash) {
    const std::string garbage = binaryGarbage();
    const std::string tooDeep = nested(1001);
    const std::string deepest = "<Game>" + nested(999) + "</Game>";
    // Game data whose root is never closed (the error comes at the very end), and a well-formed
    // configuration (the game runs).
    const std::string unclosed =
        fiftyMebibytes("<Game>\n", "\t<Item id=\"12345\" pos=\"1.5,2.5,3.5\">text</Item>\n", "");
    const std::string config = fiftyMebibytes("<Config><Script><Init name='start'/></Script>\n",
                                              "\t<Pad a=\"1\" b=\"two\" c=\"3.25\"/>\n", "</Config>");
    const struct {
        const char* name;
        const std::string* content;  // null: a folder of that name
        const char* text;            // null: the game runs
        const Events& events;
    } cases[] = {
        {"config.xml", nullptr, "error opening file \"{joined}\"", kEndedAfterInfo},
        {"game.xml", nullptr, "error opening file \"{joined}\"", kEndedAfterModule},
        {"config.xml", &kEmpty, "unexpected end-of-file at row: 1, column: 1", kEndedAfterInfo},
        {"game.xml", &kEmpty, "unexpected end-of-file at row: 1, column: 1", kEndedAfterModule},
        {"config.xml", &garbage, "invalid character at row: 1, column: 1", kEndedAfterInfo},
        {"game.xml", &garbage, "invalid character at row: 1, column: 1", kEndedAfterModule},
        {"config.xml", &tooDeep, "element nesting too deep at row: 1, column: 3001", kEndedAfterInfo},
        {"game.xml", &tooDeep, "element nesting too deep at row: 1, column: 3001", kEndedAfterModule},
        {"game.xml", &deepest, nullptr, kCompleteRun},
        {"config.xml", &kConfigReferringToItself,
         "can't resolve reference in \"config.xml\" at row: 1, column: 9, reason:\n"
         "can't resolve reference in \"{data}/config.xml\" at row: 1, column: 9, reason:\n"
         "circular reference to \"{data}/config.xml\"",
         kEndedAfterInfo},
        {"game.xml", &kGameReferringToItself,
         "can't resolve reference in \"game.xml\" at row: 1, column: 7, reason:\n"
         "can't resolve reference in \"{data}/game.xml\" at row: 1, column: 7, reason:\n"
         "circular reference to \"{data}/game.xml\"",
         kEndedAfterModule},
        {"config.xml", &config, nullptr, kCompleteRun},
        {"game.xml", &unclosed, "no ending tag found for element at row: 1, column: 1 at row: 1092268, column: 48",
         kEndedAfterModule},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + (c.text ? c.text : "runs"));
        const GameFolder game("exit=7");
        const std::string file = std::string("data/") + c.name;
        if (c.content) {
            game.write(file, *c.content);
        } else {
            game.remove(file);
            fs::create_directory(game.folder.root() / file);
        }
        const GameEnd end = runGame(game);
        if (c.text) {
            const std::wstring text = L"Error parsing " + wide(c.name) + L": " + expanded(c.text, game, c.name);
            EXPECT_EQ(end.boxes, Boxes{box(kGameTitle, text)});
            EXPECT_EQ(end.exitCode, 0);
        } else {
            EXPECT_TRUE(end.boxes.empty());
            EXPECT_EQ(end.exitCode, 7);
        }
        EXPECT_EQ(game.events(), c.events);
        EXPECT_FALSE(anyCrashReport(game));
    }
}

// The sample game reads info.xml itself: without it there is no application information.
TEST_F(GameExe, MissingInfoXmlEndsBeforeTheTitleIsKnown) {
    const GameFolder game;
    ASSERT_TRUE(CopyFileW((programFolder() + L"\\GameModule.dll").c_str(), (game.bin() + L"\\GameModule.dll").c_str(), FALSE));
    game.remove("data/info.xml");
    const GameEnd end = runGame(game);
    EXPECT_EQ(end.boxes, Boxes{box(L"Game", L"Error reading application information")});
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_FALSE(anyCrashReport(game));
}

}  // namespace
