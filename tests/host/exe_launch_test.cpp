// game.exe started for real under Wine: the single-instance guard, the game module's factory and
// application information, and the first-run check with the configuration utility.

#include <string>
#include <vector>

#include "game_folder.h"

namespace {

TEST_F(GameExe, FailuresBeforeTheTitleIsKnownCarryTheDefaultCaption) {
    const struct {
        const char* what;
        const char* behaviour;
        bool module;
        const wchar_t* text;
        Events events;
    } cases[] = {
        {"no GameModule.dll", "", false, L"Can't create game module factory", {}},
        {"null factory", "factory=null", true, L"Can't create game module factory", {"loaded", "unloaded"}},
        {"null application information", "info=null", true, L"Error reading application information",
         {"loaded", "factory", "factory-released", "unloaded"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GameFolder game(c.behaviour);
        if (!c.module) game.remove("bin/x86/GameModule.dll");
        const GameEnd end = runGame(game);
        EXPECT_EQ(end.boxes, Boxes{box(L"Game", c.text)});
        EXPECT_EQ(end.exitCode, 0);
        EXPECT_EQ(game.events(), c.events);
        EXPECT_TRUE(game.utilityRecord().empty());
    }
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

TEST_F(GameExe, FirstRunStartsTheUtilityAndGoesOnOnlyOnceConfigured) {
    enum class Registry { Dword0, Dword1, Text0, NoKey };
    const struct {
        const char* what;
        Registry registry;
        bool utility;        // config.exe present
        bool configures;     // the utility sets FirstRun to 0
        bool utilityStarts;
        Boxes boxes;
        long exitCode;
    } cases[] = {
        {"configured", Registry::Dword0, true, true, false, {}, 7},
        {"first run, configured by the utility", Registry::Dword1, true, true, true, {}, 7},
        {"first run, left unconfigured", Registry::Dword1, true, false, true, {}, 0},
        {"FirstRun as the text 0", Registry::Text0, true, true, true, {}, 7},
        {"no key", Registry::NoKey, true, true, true, {}, 7},
        {"no config.exe", Registry::NoKey, false, true, false,
         {box(kGameTitle, L"Can't start configuration utility")}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GameFolder game("exit=7");
        if (!c.utility) game.remove("bin/x86/config.exe");
        if (c.configures) game.behave("configure=" + utf8(game.key.path));
        switch (c.registry) {
            case Registry::Dword0: break;
            case Registry::Dword1: game.key.setFirstRun(DWORD{1}); break;
            case Registry::Text0: game.key.setFirstRun(REG_SZ, kTextZero); break;
            case Registry::NoKey: game.key.remove(); break;
        }
        const GameEnd end = runGame(game);
        EXPECT_EQ(end.boxes, c.boxes);
        EXPECT_EQ(end.exitCode, c.exitCode);
        EXPECT_EQ(game.events(), c.exitCode ? kCompleteRun : kEndedAfterInfo);

        const KeyValues utility = game.utilityRecord();
        if (!c.utilityStarts) {
            EXPECT_TRUE(utility.empty());
            continue;
        }
        EXPECT_EQ(valuesOf(utility, "command"),
                  std::vector<std::string>{utf8(L"\"" + game.bin() + L"\\config.exe\" /autodetect")});
        EXPECT_EQ(valueOf(utility, "folder"), utf8(game.bin()));
    }
}

}  // namespace
