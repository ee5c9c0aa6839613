// game.exe started for real under Wine, each time in a fresh game folder, and how the launch ends:
// the single-instance guard, the game module's factory and application information, the first-run
// check with the configuration utility, the documents (hostile ones too) and the module's outcome.
// No launch may end with a crash report.

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "game_folder.h"

namespace {

namespace fs = std::filesystem;

using Change = std::function<void(const GameFolder&)>;

// One start of game.exe and how it ends.
struct Launch {
    const char* what;
    std::string behaviour;  // lines for the test module
    Change setup;            // what changes in the folder or the registry before the start
    std::string box;        // "CAPTION | TEXT" with the fields of expanded() and {title}; empty: none
    long exitCode;
    Events events;
    const char* document = "";             // the document that "{joined}" names
    std::vector<std::string> log = {};      // what the module's log received
    bool utilityStarted = false;            // config.exe ran, with /autodetect, in the game's folder
};

Change writes(const std::string& document, const std::string* content) {
    return [=](const GameFolder& game) { game.write("data/" + document, *content); };
}
Change removes(const std::string& relative) {
    return [=](const GameFolder& game) { game.remove(relative); };
}
// A folder where the document should be.
Change folderFor(const std::string& document) {
    return [=](const GameFolder& game) {
        game.remove("data/" + document);
        fs::create_directory(game.folder.root() / "data" / document);
    };
}

// Where a crash report of this game would be written: beside game.exe, or in the user folder.
bool anyCrashReport(const GameFolder& game) {
    for (const fs::path& place : {fs::path(game.bin()), game.userFolder()})
        for (const char* report : {"exception.txt", "exception.dmp"})
            if (fs::exists(place / report)) return true;
    return false;
}

void expectLaunches(std::initializer_list<Launch> launches) {
    for (const Launch& launch : launches) {
        SCOPED_TRACE(launch.what);
        const GameFolder game(launch.behaviour);
        if (launch.setup) launch.setup(game);
        const GameEnd end = runGame(game);
        std::string box = launch.box;
        if (box.rfind("{title}", 0) == 0) box.replace(0, 7, utf8(kGameTitle));
        EXPECT_EQ(end.boxes, box.empty() ? Boxes{} : Boxes{expanded(box, game, launch.document)});
        EXPECT_EQ(end.exitCode, launch.exitCode);
        EXPECT_EQ(game.events(), launch.events);
        EXPECT_EQ(valuesOf(game.record(), "log"), launch.log);
        const KeyValues utility = game.utilityRecord();
        const std::vector<std::string> started{utf8(L"\"" + game.bin() + L"\\config.exe\" /autodetect")};
        EXPECT_EQ(valuesOf(utility, "command"), launch.utilityStarted ? started : std::vector<std::string>{});
        if (launch.utilityStarted) EXPECT_EQ(valueOf(utility, "folder"), utf8(game.bin()));
        EXPECT_FALSE(anyCrashReport(game));
    }
}

TEST_F(GameExe, TheModuleDecidesHowTheLaunchEnds) {
    expectLaunches({
        // Before the title is known, boxes carry the default caption.
        {"no GameModule.dll", "", removes("bin/x86/GameModule.dll"), "Game | Can't create game module factory", 0, {}},
        {"null factory", "factory=null", {}, "Game | Can't create game module factory", 0, {"loaded", "unloaded"}},
        {"null application information", "info=null", {}, "Game | Error reading application information", 0,
         {"loaded", "factory", "factory-released", "unloaded"}},
        // The sample game reads info.xml itself: without it there is no application information.
        {"sample module without info.xml", "",
         [](const GameFolder& game) {
             game.install(L"GameModule.dll", L"GameModule.dll");
             game.remove("data/info.xml");
         },
         "Game | Error reading application information", 0, {}},
        {"exit code", "exit=37", {}, "", 37, kCompleteRun},
        {"no module", "create=null\ncreate.error=boom", {}, "{title} | Can't create game module: boom", 0,
         kEndedAfterInfo},
        {"no module, no reason", "create=null", {}, "{title} | Can't create game module: ", 0, kEndedAfterInfo},
        {"failed run", "run=null\nrun.error=oops", {}, "{title} | oops", 0, kEndedAfterModule},
        {"failed run, no reason", "run=null\nexit=5", {}, "", 0, kEndedAfterModule},
        // "Game running" is logged only when MyRegisterClass ran after the first-run check: never in
        // the host's own order, but after a call during the module's creation that no later
        // first-run check undid.
        {"late class registration", "call=MyRegisterClass exe", {}, "", 0, kCompleteRun, "", {"Game running|1"}},
        {"late class registration, checked again", "call=MyRegisterClass exe\ncall=isFirstRun Software", {}, "", 0,
         kCompleteRun},
    });
}

TEST_F(GameExe, FirstRunStartsTheUtilityAndGoesOnOnlyOnceConfigured) {
    // The test utility sets FirstRun to 0 only when told so.
    const auto configures = [](const Change& registry) {
        return [=](const GameFolder& game) {
            game.behave("configure=" + utf8(game.key.path));
            if (registry) registry(game);
        };
    };
    const Change firstRun = [](const GameFolder& game) { game.key.setFirstRun(DWORD{1}); };
    const Change noKey = [](const GameFolder& game) { game.key.remove(); };
    expectLaunches({
        {"configured", "exit=7", configures({}), "", 7, kCompleteRun},
        {"first run, configured by the utility", "exit=7", configures(firstRun), "", 7, kCompleteRun, "", {}, true},
        {"first run, left unconfigured", "exit=7", firstRun, "", 0, kEndedAfterInfo, "", {}, true},
        {"FirstRun as the text 0", "exit=7",
         configures([](const GameFolder& game) { game.key.setFirstRun(REG_SZ, kTextZero); }), "", 7, kCompleteRun, "",
         {}, true},
        {"no key", "exit=7", configures(noKey), "", 7, kCompleteRun, "", {}, true},
        {"no config.exe", "exit=7",
         [=](const GameFolder& game) {
             noKey(game);
             game.remove("bin/x86/config.exe");
         },
         "{title} | Can't start configuration utility", 0, kEndedAfterInfo},
    });
}

TEST_F(GameExe, DocumentErrorsEndTheLaunch) {
    const std::string malformedConfig = "<Config>\n  <Window></Config>", noRoot = "<?xml version=\"1.0\"?>",
                      goneConfig = "<Config><refer filename='gone.xml'/></Config>", unquoted = "<Game a=1/>",
                      goneGame = "<Game><refer filename='gone.xml'/></Game>";
    const std::string config = "{title} | Error parsing config.xml: ", game = "{title} | Error parsing game.xml: ";
    expectLaunches({
        {"config.xml missing", "", removes("data/config.xml"), config + "error opening file \"{joined}\"", 0,
         kEndedAfterInfo, "config.xml"},
        {"config.xml malformed", "", writes("config.xml", &malformedConfig),
         config + "invalid ending tag found for element at row: 2, column: 3 at row: 2, column: 11", 0, kEndedAfterInfo},
        {"config.xml without a root", "", writes("config.xml", &noRoot), config + "malformed Xml document", 0,
         kEndedAfterInfo},
        {"config.xml refers to a missing file", "", writes("config.xml", &goneConfig),
         config + "can't resolve reference in \"config.xml\" at row: 1, column: 9, reason:\n"
                  "can't open file \"{shared}/gone.xml\"",
         0, kEndedAfterInfo},
        {"game.xml missing", "", removes("data/game.xml"), game + "error opening file \"{joined}\"", 0,
         kEndedAfterModule, "game.xml"},
        {"game.xml malformed", "", writes("game.xml", &unquoted),
         game + "expected '\"' or ''' but found '1' at row: 1, column: 10", 0, kEndedAfterModule},
        {"game.xml without a root", "", writes("game.xml", &noRoot), game + "malformed Xml document", 0,
         kEndedAfterModule},
        {"game.xml refers to a missing file", "", writes("game.xml", &goneGame),
         game + "can't resolve reference in \"game.xml\" at row: 1, column: 7, reason:\n"
                "can't open file \"{data}/gone.xml\"",
         0, kEndedAfterModule},
    });
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

// Documents that are empty, binary, huge, too deep, folders, or refer to themselves.
TEST_F(GameExe, HostileDocumentsEndWithTheirMessageNeverACrash) {
    std::mt19937 random(20261207);
    std::string garbage(1, '\xFF');  // never a character of either encoding
    while (garbage.size() < 4096) garbage += static_cast<char>(1 + random() % 255);
    const std::string empty, tooDeep = nested(1001), deepest = "<Game>" + nested(999) + "</Game>";
    const std::string configToItself = "<Config><refer filename='config.xml'/></Config>",
                      gameToItself = "<Game><refer filename='game.xml'/></Game>";
    // Game data whose root is never closed (the error comes at the very end), and a well-formed
    // configuration (the game runs).
    const std::string unclosed = fiftyMebibytes("<Game>\n", "\t<Item id=\"12345\" pos=\"1.5,2.5,3.5\">text</Item>\n", "");
    const std::string config = fiftyMebibytes("<Config><Script><Init name='start'/></Script>\n",
                                              "\t<Pad a=\"1\" b=\"two\" c=\"3.25\"/>\n", "</Config>");
    const std::string inConfig = "{title} | Error parsing config.xml: ", inGame = "{title} | Error parsing game.xml: ";
    expectLaunches({
        {"config.xml a folder", "exit=7", folderFor("config.xml"), inConfig + "error opening file \"{joined}\"", 0,
         kEndedAfterInfo, "config.xml"},
        {"game.xml a folder", "exit=7", folderFor("game.xml"), inGame + "error opening file \"{joined}\"", 0,
         kEndedAfterModule, "game.xml"},
        {"config.xml empty", "exit=7", writes("config.xml", &empty),
         inConfig + "unexpected end-of-file at row: 1, column: 1", 0, kEndedAfterInfo},
        {"game.xml empty", "exit=7", writes("game.xml", &empty), inGame + "unexpected end-of-file at row: 1, column: 1",
         0, kEndedAfterModule},
        {"config.xml binary", "exit=7", writes("config.xml", &garbage), inConfig + "invalid character at row: 1, column: 1",
         0, kEndedAfterInfo},
        {"game.xml binary", "exit=7", writes("game.xml", &garbage), inGame + "invalid character at row: 1, column: 1", 0,
         kEndedAfterModule},
        {"config.xml too deep", "exit=7", writes("config.xml", &tooDeep),
         inConfig + "element nesting too deep at row: 1, column: 3001", 0, kEndedAfterInfo},
        {"game.xml too deep", "exit=7", writes("game.xml", &tooDeep),
         inGame + "element nesting too deep at row: 1, column: 3001", 0, kEndedAfterModule},
        {"game.xml as deep as allowed", "exit=7", writes("game.xml", &deepest), "", 7, kCompleteRun},
        {"config.xml refers to itself", "exit=7", writes("config.xml", &configToItself),
         inConfig + "can't resolve reference in \"config.xml\" at row: 1, column: 9, reason:\n"
                    "can't resolve reference in \"{data}/config.xml\" at row: 1, column: 9, reason:\n"
                    "circular reference to \"{data}/config.xml\"",
         0, kEndedAfterInfo},
        {"game.xml refers to itself", "exit=7", writes("game.xml", &gameToItself),
         inGame + "can't resolve reference in \"game.xml\" at row: 1, column: 7, reason:\n"
                  "can't resolve reference in \"{data}/game.xml\" at row: 1, column: 7, reason:\n"
                  "circular reference to \"{data}/game.xml\"",
         0, kEndedAfterModule},
        {"config.xml of 50 MiB", "exit=7", writes("config.xml", &config), "", 7, kCompleteRun},
        {"game.xml of 50 MiB, never closed", "exit=7", writes("game.xml", &unclosed),
         inGame + "no ending tag found for element at row: 1, column: 1 at row: 1092268, column: 48", 0,
         kEndedAfterModule},
    });
}

TEST_F(GameExe, ASecondInstanceRefusesToStartWhileTheFirstRuns) {
    const GameFolder first("wait=1\nexit=3"), second;
    GameProcess running(first);
    ASSERT_TRUE(first.waitForRecord("run.script"));

    const GameEnd refused = runGame(second);
    EXPECT_EQ(refused.boxes, Boxes{box(L"Game", L"Игра уже запущена")});
    EXPECT_EQ(refused.exitCode, 0);
    EXPECT_TRUE(second.record().empty()) << "the second instance loaded the module";

    first.stop();
    const GameEnd ended = running.finish();
    EXPECT_TRUE(ended.boxes.empty());
    EXPECT_EQ(ended.exitCode, 3);
}

}  // namespace
