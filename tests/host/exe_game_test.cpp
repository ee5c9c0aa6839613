// game.exe started for real under Wine: what config.xml chooses, the window, what the game module
// receives, and the executable's exports as code inside the process calls them.

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "game_folder.h"
#include "support/wide.h"

namespace {

// Wine adds these to what the host asks for: WS_VISIBLE comes from showing the window.
constexpr LONG kAddedStyles = WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr LONG kAddedExStyles = WS_EX_WINDOWEDGE;

LONG recordedHex(const KeyValues& record, const char* key) {
    return static_cast<LONG>(std::strtoul(valueOf(record, key).c_str(), nullptr, 16));
}

TEST_F(GameExe, ConfigurationChoosesScreenModeAndInitialScript) {
    const struct {
        const char* config;
        bool fullScreen;
        const char* script;
    } cases[] = {
        {"<Config><Script><Init name='intro'/></Script></Config>", false, "intro"},
        {"<config><fullscreen/><SCRIPT><INIT NAME='Menu'/></SCRIPT></config>", true, "Menu"},
        {"<Config><FULLSCREEN>0</FULLSCREEN><Script/></Config>", true, ""},
        {"<Config><Script><Init/></Script><FullScreen>0</FullScreen></Config>", true, ""},
        {"<Config><Init name='loose'/><Script><Init name='x'><FullScreen/></Init></Script></Config>", false, "x"},
        {"<Config><Script><Start name='y'/></Script></Config>", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        const GameFolder game;
        game.write("data/config.xml", c.config);
        const GameEnd end = runGame(game);
        EXPECT_TRUE(end.boxes.empty());
        EXPECT_EQ(end.exitCode, 0);
        const KeyValues record = game.record();
        EXPECT_EQ(valueOf(record, "create.fullscreen"), c.fullScreen ? "1" : "0");
        EXPECT_EQ(valueOf(record, "run.script"), c.script);
        const LONG style = recordedHex(record, "create.style") & ~kAddedStyles;
        const LONG exStyle = recordedHex(record, "create.exstyle") & ~kAddedExStyles;
        if (c.fullScreen) {
            EXPECT_EQ(style, LONG(WS_POPUP));
            EXPECT_EQ(exStyle, WS_EX_TOPMOST | WS_EX_APPWINDOW);
        } else {
            EXPECT_EQ(style, WS_CAPTION | WS_SYSMENU);  // no sizing border, no minimise or maximise box
            EXPECT_EQ(exStyle, 0);
        }
    }
}

TEST_F(GameExe, ModuleReceivesWhatTheLaunchPrepared) {
    const GameFolder game;
    game.write("data/config.xml", "<Config><Script><Init name='start'/></Script><Window/></Config>");
    const GameEnd end = runGame(game);
    EXPECT_TRUE(end.boxes.empty());
    EXPECT_EQ(end.exitCode, 0);
    const KeyValues record = game.record();
    EXPECT_EQ(wide(valueOf(record, "info.path")), game.rootPath() + L"\\data\\info.xml");
    EXPECT_EQ(valueOf(record, "info.reserved"), "0");
    EXPECT_EQ(wide(valueOf(record, "create.folder")), game.bin());
    EXPECT_EQ(valueOf(record, "create.reserved"), "0");
    EXPECT_EQ(valueOf(record, "create.info"), "same");
    EXPECT_EQ(valueOf(record, "create.config"), "Config:Script,Window");
    EXPECT_EQ(wide(valueOf(record, "create.text")), kGameTitle);
    EXPECT_EQ(valueOf(record, "run.root"), "Game");
    EXPECT_EQ(game.events(), kCompleteRun);

    // The cursor is confined to the client area and hidden twice: once when the shown window was
    // activated, once more by the launch right before the run.
    EXPECT_EQ(valueOf(record, "run.foreground"), "1");
    EXPECT_EQ(valueOf(record, "run.clip"), valueOf(record, "run.client"));
    EXPECT_EQ(valueOf(record, "run.cursor"), "-2");
}

TEST_F(GameExe, ExportsWorkFromInsideTheProcess) {
    const GameFolder game;
    // What isFirstRun says about a key: only a DWORD of 0 means configured. Zero bytes of another
    // type or of another length are no such DWORD.
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;  // none: no key
        const char* firstRun;
    } keys[] = {
        {"-1", REG_DWORD, std::string("\1\0\0\0", 4), "1"},
        {"-0", REG_DWORD, std::string(4, '\0'), "0"},
        {"-text", REG_SZ, kTextZero, "1"},
        {"-binary", REG_BINARY, std::string(4, '\0'), "1"},
        {"-long", REG_DWORD, std::string(8, '\0'), "1"},
        {"-absent", REG_DWORD, "", "1"},
    };
    std::deque<TestRegistryKey> owned;
    for (const auto& k : keys) {
        owned.emplace_back(game.key.path + wide(k.name));
        if (!k.bytes.empty()) owned.back().setFirstRun(k.type, k.bytes);
        game.behave("call=isFirstRun " + utf8(owned.back().path));
    }
    game.behave("call=startConfigUtil\ncall=startConfigUtil \\nowhere\n"
                "call=MyRegisterClass exe\ncall=MyRegisterClass module");

    const GameEnd end = runGame(game);
    EXPECT_TRUE(end.boxes.empty());
    EXPECT_EQ(end.exitCode, 0);
    const KeyValues record = game.record();
    for (std::size_t i = 0; i < owned.size(); ++i)
        EXPECT_EQ(valueOf(record, "isFirstRun " + utf8(owned[i].path)), keys[i].firstRun) << keys[i].name;
    EXPECT_EQ(valueOf(record, "startConfigUtil"), "exit 0");
    EXPECT_EQ(valueOf(record, "startConfigUtil \\nowhere"), "invalid");
    EXPECT_EQ(valueOf(record, "MyRegisterClass exe"), "0") << "the host registered its class already";
    EXPECT_EQ(valueOf(record, "MyRegisterClass module"), "atom");
    // Without automatic detection the command line ends with the closing quote.
    const KeyValues utility = game.utilityRecord();
    EXPECT_EQ(valuesOf(utility, "command"), std::vector<std::string>{utf8(L"\"" + game.bin() + L"\\config.exe\"")});
    EXPECT_EQ(valueOf(utility, "folder"), utf8(game.bin()));
}

}  // namespace
