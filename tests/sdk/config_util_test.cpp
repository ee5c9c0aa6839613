// The configuration utility run as the host runs it, from a game folder laid out like a real one.
#include <windows.h>

#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "host/game_folder.h"
#include "xml/model.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kConfigured = "0:" + std::to_string(REG_DWORD) + ":0";  // see TestRegistryKey::firstRun

// A game installed with the sample utility as its config.exe, not configured yet.
class Game : public GameFolder {
public:
    explicit Game(const std::string& configXml, bool withInfo = true) {
        install(L"config.exe", L"config.exe");
        write("data/config.xml", configXml);
        if (!withInfo) remove("data/info.xml");
        key.remove();
    }
    std::string configXml() const { return readFile(folder.root() / "data/config.xml"); }
};

// The utility run as the host runs it, in its own folder, its message boxes handed to `onBox`:
// its exit code, -1 when it did not end within `timeout` milliseconds.
long runUtility(const Game& game, const WideString& arguments, DWORD timeout = 30000,
                const std::function<void(const ChildBox&)>& onBox = nullptr) {
    ChildProcess utility(game.bin() + L"\\config.exe", arguments, game.bin());
    return utility.wait(timeout, onBox) ? static_cast<long>(utility.exitCode()) : -1;
}

// Read back and written out in the writer's one layout: equal for equal elements, attributes
// and texts, whatever the layout of the file was.
std::string normalized(const std::string& bytes) {
    xml::CXmlDocument document;
    document.parse(bytes.data(), bytes.data() + bytes.size());
    std::ostringstream out;
    out << (document.utf8 ? "utf-8 " : "legacy ");
    document.root->writeXml(out, document, 0);
    return out.str();
}

void expectRewritten(const Game& game, const std::string& expected) {
    const std::string written = game.configXml();
    EXPECT_EQ(normalized(written), normalized(expected));
    EXPECT_EQ(written.rfind(kBom, 0) == 0, expected.rfind(kBom, 0) == 0) << written;
    EXPECT_EQ(game.key.firstRun(), kConfigured);
}

// The test display is 1024x768.
TEST(ConfigUtility, AutodetectWritesTheModeThatFitsTheScreen) {
    const struct { std::string input; std::string expected; } cases[] = {
        {"<Config>\n\t<Script>\n\t\t<Init name=\"orbit\" />\n\t</Script>\n\t<Window width=\"800\" height=\"600\" />\n</Config>",
         "<Config><Script><Init name='orbit'/></Script><Window width='800' height='600'/></Config>"},
        {"<Config><!-- lost --><fullscreen/><Window width='640' height='480' note='a &amp; b'/><FULLSCREEN a='1'/>"
         "<refer filename='more.xml' node='x'/><Demo seconds='3'>text</Demo></Config>",
         "<Config><Window width='640' height='480' note='a &amp; b'/><refer filename='more.xml' node='x'/>"
         "<Demo seconds='3'>text</Demo></Config>"},
        {"<Config><Script/></Config>", "<Config><Script/></Config>"},
        {"<Config><Window width='1024' height='600'/></Config>", "<Config><Window width='1024' height='600'/><FullScreen/></Config>"},
        {"<Config><Window width='900' height='760'/><FullScreen/></Config>",
         "<Config><Window width='900' height='760'/><FullScreen/></Config>"},
        {kBom + "<Config><Title>Orbit \xE2\x80\x93 \xC3\xA9</Title><fullScreen/><Window width='5000'/></Config>",
         kBom + "<Config><Title>Orbit \xE2\x80\x93 \xC3\xA9</Title><Window width='5000'/><FullScreen/></Config>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const Game game(c.input);
        EXPECT_EQ(runUtility(game, L" /autodetect"), 0);
        expectRewritten(game, c.expected);
    }
}

TEST(ConfigUtility, AutodetectFailureChangesNothing) {
    const std::string good = "<Config><FullScreen/></Config>";
    const struct { const char* what; std::string config; bool withInfo; } cases[] = {
        {"no info.xml", good, false},
        {"malformed config.xml", "<Config><Window></Config>", true},
        {"config.xml without a root", "<?xml version='1.0'?>", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Game game(c.config, c.withInfo);
        EXPECT_GT(runUtility(game, L" /autodetect"), 0);
        EXPECT_EQ(game.key.firstRun(), "absent");
        EXPECT_EQ(game.configXml(), c.config);
    }
}

TEST(ConfigUtility, AsksThePlayerWithoutTheFlag) {
    const std::string input = "<Config><Window width='640' height='480'/><fullscreen/></Config>";
    const struct { WPARAM answer; long exitCode; std::string expected; std::string firstRun; } cases[] = {
        {IDNO, 0, "<Config><Window width='640' height='480'/></Config>", kConfigured},
        {IDYES, 0, "<Config><Window width='640' height='480'/><FullScreen/></Config>", kConfigured},
        {IDCANCEL, 1, input, "absent"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const Game game(input);
        bool asked = false;
        // Wine without a window manager takes a while to show the box: 10 seconds for that, 30 more
        // for the end.
        const long code = runUtility(game, L"", 40000, [&](const ChildBox& box) {
            if (asked || box.caption() != kGameTitle) return;
            asked = true;
            box.answer(c.answer);
        });
        ASSERT_TRUE(asked);
        EXPECT_EQ(code, c.exitCode);
        EXPECT_EQ(normalized(game.configXml()), normalized(c.expected));
        EXPECT_EQ(game.key.firstRun(), c.firstRun);
    }
}

}  // namespace
