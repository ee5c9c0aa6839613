// game.exe started for real under Wine, each time in a fresh game folder: the single-instance
// guard, the game module's factory and application information, the first-run check with the
// configuration utility, the documents (hostile ones too), what config.xml chooses, what the module
// receives and sees from inside the process (the window, the cursor, the executable's exports)
// and how its outcome ends the launch. No launch may end with a crash report.

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "game_folder.h"
#include "support/wide.h"

namespace {

namespace fs = std::filesystem;

using Change = std::function<void(const GameFolder&)>;

// One start of game.exe and how it ends. Texts may hold the fields of GameFolder::expand.
struct Launch {
    std::string what;
    std::string behaviour;  // lines for the test module
    Change setup;           // what changes in the folder or the registry before the start
    std::string box;        // "CAPTION | TEXT"; empty: none
    long exitCode;
    Events events;
    std::vector<std::string> log = {};  // what the module's log received
    const char* utility = nullptr;      // the arguments of config.exe, when it ran in the game's folder
    KeyValues recorded = {};            // values that the module recorded
};

Change writes(const std::string& document, std::string content) {
    return [=](const GameFolder& game) { game.write("data/" + document, content); };
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

// What every launch hands the module, as far as it gets.
const KeyValues kHandedOver = {{"info.path", "{root}\\data\\info.xml"}, {"info.reserved", "0"}, {"create.folder", "{bin}"},
                               {"create.reserved", "0"},  {"create.info", "same"},  {"create.text", "{title}"},
                               {"run.root", "Game"}};

// Wine adds these to the styles that the host asks for: WS_VISIBLE comes from showing the window.
constexpr LONG kAddedStyles = WS_VISIBLE | WS_CLIPSIBLINGS, kAddedExStyles = WS_EX_WINDOWEDGE;

LONG recordedHex(const KeyValues& record, const char* key) {
    return static_cast<LONG>(std::strtoul(valueOf(record, key).c_str(), nullptr, 16));
}

void expectLaunches(const std::vector<Launch>& launches) {
    for (const Launch& launch : launches) {
        SCOPED_TRACE(launch.what);
        const GameFolder game(launch.behaviour);
        if (launch.setup) launch.setup(game);
        const GameEnd end = runGame(game);
        EXPECT_EQ(end.boxes, launch.box.empty() ? Boxes{} : Boxes{W(game.expand(launch.box))});
        EXPECT_EQ(end.exitCode, launch.exitCode);
        const KeyValues record = game.record();
        EXPECT_EQ(valuesOf(record, "event"), launch.events);
        EXPECT_EQ(valuesOf(record, "log"), launch.log);
        for (const KeyValues* expected : {&kHandedOver, &launch.recorded})
            for (const auto& [key, value] : *expected)
                if (expected == &launch.recorded || !valueOf(record, key).empty()) {
                    EXPECT_EQ(valueOf(record, game.expand(key)), game.expand(value)) << key;
                }
        if (!valueOf(record, "create.style").empty()) {
            // Full screen: a top-most pop-up; windowed: no sizing border, no minimise or maximise box.
            const bool fullScreen = valueOf(record, "create.fullscreen") == "1";
            EXPECT_EQ(recordedHex(record, "create.style") & ~kAddedStyles,
                      fullScreen ? LONG(WS_POPUP) : LONG(WS_CAPTION | WS_SYSMENU));
            EXPECT_EQ(recordedHex(record, "create.exstyle") & ~kAddedExStyles,
                      fullScreen ? LONG(WS_EX_TOPMOST | WS_EX_APPWINDOW) : 0);
        }
        if (!valueOf(record, "run.clip").empty()) {
            // The cursor is confined to the client area and hidden twice: once when the shown
            // window was activated, once more by the launch right before the run.
            EXPECT_EQ(valueOf(record, "run.foreground"), "1");
            EXPECT_EQ(valueOf(record, "run.clip"), valueOf(record, "run.client"));
            EXPECT_EQ(valueOf(record, "run.cursor"), "-2");
        }
        const KeyValues utility = game.utilityRecord();
        const std::string started = game.expand("\"{bin}\\config.exe\"") + (launch.utility ? launch.utility : "");
        EXPECT_EQ(valuesOf(utility, "command"), launch.utility ? std::vector{started} : std::vector<std::string>{});
        if (launch.utility) {
            EXPECT_EQ(valueOf(utility, "folder"), game.expand("{bin}"));
        }
        EXPECT_EQ(crashFilesIn(game.bin()), Files{});
        EXPECT_EQ(crashFilesIn(game.userFolder()), Files{});
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
        {"late class registration", "call=MyRegisterClass exe", {}, "", 0, kCompleteRun, {"Game running|1"}},
        {"late class registration, checked again", "call=MyRegisterClass exe\ncall=isFirstRun Software", {}, "", 0,
         kCompleteRun},
    });
}

// The test utility sets FirstRun to 0 only when told so ("configure").
TEST_F(GameExe, FirstRunStartsTheUtilityAndGoesOnOnlyOnceConfigured) {
    const Change firstRun = [](const GameFolder& game) { game.setFirstRun(1); };
    const Change noKey = [](const GameFolder& game) { game.removeKey(); };
    expectLaunches({
        {"configured", "exit=7\nconfigure={key}", {}, "", 7, kCompleteRun},
        {"first run, configured by the utility", "exit=7\nconfigure={key}", firstRun, "", 7, kCompleteRun, {},
         " /autodetect"},
        {"first run, left unconfigured", "exit=7", firstRun, "", 0, kEndedAfterInfo, {}, " /autodetect"},
        {"FirstRun as the text 0", "exit=7\nconfigure={key}",
         [](const GameFolder& game) { game.setFirstRun(REG_SZ, kTextZero); }, "", 7, kCompleteRun, {}, " /autodetect"},
        {"no key", "exit=7\nconfigure={key}", noKey, "", 7, kCompleteRun, {}, " /autodetect"},
        {"no config.exe", "exit=7",
         [=](const GameFolder& game) {
             noKey(game);
             game.remove("bin/x86/config.exe");
         },
         "{title} | Can't start configuration utility", 0, kEndedAfterInfo},
    });
}

TEST_F(GameExe, ConfigurationChoosesScreenModeAndInitialScript) {
    const auto chooses = [](const char* config, const char* fullScreen, const char* script) {
        return Launch{config, "", writes("config.xml", config), "", 0, kCompleteRun, {}, nullptr,
                      {{"create.fullscreen", fullScreen}, {"run.script", script}}};
    };
    expectLaunches({
        chooses("<Config><Script><Init name='intro'/></Script></Config>", "0", "intro"),
        chooses("<config><fullscreen/><SCRIPT><INIT NAME='Menu'/></SCRIPT></config>", "1", "Menu"),
        chooses("<Config><FULLSCREEN>0</FULLSCREEN><Script/></Config>", "1", ""),
        chooses("<Config><Script><Init/></Script><FullScreen>0</FullScreen></Config>", "1", ""),
        chooses("<Config><Init name='loose'/><Script><Init name='x'><FullScreen/></Init></Script></Config>", "0", "x"),
        chooses("<Config><Script><Start name='y'/></Script></Config>", "0", ""),
        {"the configuration handed over", "", writes("config.xml", "<Config><Script/><Window/></Config>"), "", 0,
         kCompleteRun, {}, nullptr, {{"create.config", "Config:Script,Window"}}},
    });
}

TEST_F(GameExe, ExportsWorkFromInsideTheProcess) {
    // What isFirstRun says about a key: only a DWORD of 0 means configured. Zero bytes of another
    // type or of another length are no such DWORD.
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;  // none: no key
        const char* firstRun;
    } keys[] = {
        {"one", REG_DWORD, std::string("\1\0\0\0", 4), "1"}, {"zero", REG_DWORD, std::string(4, '\0'), "0"},
        {"text", REG_SZ, kTextZero, "1"},                    {"binary", REG_BINARY, std::string(4, '\0'), "1"},
        {"long", REG_DWORD, std::string(8, '\0'), "1"},      {"absent", REG_DWORD, "", "1"},
    };
    // The utility is started without automatic detection; MyRegisterClass from the executable
    // finds the class registered already, and marks the game running.
    Launch launch{"exports", "", [&](const GameFolder& game) {
                      for (const auto& k : keys)
                          if (!k.bytes.empty()) game.setFirstRun(k.type, k.bytes, W(k.name));
                  },
                  "", 0, kCompleteRun, {"Game running|1"}, "",
                  {{"startConfigUtil", "exit 0"}, {"startConfigUtil \\nowhere", "invalid"},
                   {"MyRegisterClass exe", "0"}, {"MyRegisterClass module", "atom"}}};
    for (const auto& k : keys) {
        launch.behaviour += "call=isFirstRun {key}\\" + std::string(k.name) + "\n";
        launch.recorded.push_back({"isFirstRun {key}\\" + std::string(k.name), k.firstRun});
    }
    launch.behaviour += "call=startConfigUtil\ncall=startConfigUtil \\nowhere\ncall=MyRegisterClass exe\n"
                        "call=MyRegisterClass module";
    expectLaunches({launch});
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

// Documents that are missing, malformed, empty, binary, huge, too deep, folders, or refer to a
// missing file or to themselves: the launch ends with their message, never with a crash.
TEST_F(GameExe, DocumentErrorsEndTheLaunchWithTheirMessage) {
    std::mt19937 random(20261207);
    std::string garbage(1, '\xFF');  // never a character of either encoding
    while (garbage.size() < 4096) garbage += static_cast<char>(1 + random() % 255);
    std::vector<Launch> launches;
    for (const std::string document : {"config.xml", "game.xml"}) {
        const bool config = document == "config.xml";
        const auto fails = [&](const std::string& what, Change setup, const std::string& message) {
            launches.push_back({document + " " + what, "", setup, "{title} | Error parsing " + document + ": " + message, 0,
                                config ? kEndedAfterInfo : kEndedAfterModule});
        };
        const std::string opening = std::string("error opening file \"{") + (config ? "config" : "game") + "}\"";
        fails("missing", removes("data/" + document), opening);
        fails("a folder", folderFor(document), opening);
        fails("without a root", writes(document, "<?xml version=\"1.0\"?>"), "malformed Xml document");
        fails("empty", writes(document, ""), "unexpected end-of-file at row: 1, column: 1");
        fails("binary", writes(document, garbage), "invalid character at row: 1, column: 1");
        fails("too deep", writes(document, nested(1001)), "element nesting too deep at row: 1, column: 3001");
    }
    expectLaunches(launches);
    const std::string config = "{title} | Error parsing config.xml: ", game = "{title} | Error parsing game.xml: ";
    expectLaunches({
        {"config.xml malformed", "", writes("config.xml", "<Config>\n  <Window></Config>"),
         config + "invalid ending tag found for element at row: 2, column: 3 at row: 2, column: 11", 0, kEndedAfterInfo},
        {"config.xml refers to a missing file", "", writes("config.xml", "<Config><refer filename='gone.xml'/></Config>"),
         config + "can't resolve reference in \"config.xml\" at row: 1, column: 9, reason:\n"
                  "can't open file \"{shared}/gone.xml\"",
         0, kEndedAfterInfo},
        {"config.xml refers to itself", "", writes("config.xml", "<Config><refer filename='config.xml'/></Config>"),
         config + "can't resolve reference in \"config.xml\" at row: 1, column: 9, reason:\n"
                  "can't resolve reference in \"{data}/config.xml\" at row: 1, column: 9, reason:\n"
                  "circular reference to \"{data}/config.xml\"",
         0, kEndedAfterInfo},
        {"config.xml of 50 MiB", "exit=7",
         writes("config.xml", fiftyMebibytes("<Config><Script><Init name='start'/></Script>\n",
                                             "\t<Pad a=\"1\" b=\"two\" c=\"3.25\"/>\n", "</Config>")),
         "", 7, kCompleteRun},
        {"game.xml malformed", "", writes("game.xml", "<Game a=1/>"),
         game + "expected '\"' or ''' but found '1' at row: 1, column: 10", 0, kEndedAfterModule},
        {"game.xml as deep as allowed", "exit=7", writes("game.xml", "<Game>" + nested(999) + "</Game>"), "", 7,
         kCompleteRun},
        {"game.xml refers to a missing file", "", writes("game.xml", "<Game><refer filename='gone.xml'/></Game>"),
         game + "can't resolve reference in \"game.xml\" at row: 1, column: 7, reason:\n"
                "can't open file \"{data}/gone.xml\"",
         0, kEndedAfterModule},
        {"game.xml refers to itself", "", writes("game.xml", "<Game><refer filename='game.xml'/></Game>"),
         game + "can't resolve reference in \"game.xml\" at row: 1, column: 7, reason:\n"
                "can't resolve reference in \"{data}/game.xml\" at row: 1, column: 7, reason:\n"
                "circular reference to \"{data}/game.xml\"",
         0, kEndedAfterModule},
        // The root is never closed: the error comes at the very end.
        {"game.xml of 50 MiB, never closed", "",
         writes("game.xml", fiftyMebibytes("<Game>\n", "\t<Item id=\"12345\" pos=\"1.5,2.5,3.5\">text</Item>\n", "")),
         game + "no ending tag found for element at row: 1, column: 1 at row: 1092268, column: 48", 0, kEndedAfterModule},
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
