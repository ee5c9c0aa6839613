// The configuration utility run as the host runs it, from a game folder laid out like a real one.
#include <windows.h>

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "host/game_folder.h"
#include "xml/model.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kConfigured = "0:" + std::to_string(REG_DWORD) + ":0";  // see GameFolder::firstRun

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

// One run of the sample utility as config.exe of a game that is not configured yet. The test
// display is 1024x768.
struct UtilityRun {
    const char* what;
    std::string config;    // config.xml before
    WPARAM answer;         // the player's answer to the question; 0: run with /autodetect
    DWORD exitCode;
    std::string expected;  // config.xml after, and the game configured; empty: nothing changed
    bool withInfo = true;
};

TEST(ConfigUtility, WritesTheModeAndMarksTheGameConfiguredOrChangesNothing) {
    const std::string asked = "<Config><Window width='640' height='480'/><fullscreen/></Config>";
    const UtilityRun runs[] = {
        {"autodetect, a window that fits",
         "<Config>\n\t<Script>\n\t\t<Init name=\"orbit\" />\n\t</Script>\n\t<Window width=\"800\" height=\"600\" />\n</Config>",
         0, 0, "<Config><Script><Init name='orbit'/></Script><Window width='800' height='600'/></Config>"},
        {"autodetect, every full-screen element removed, the rest kept",
         "<Config><!-- lost --><fullscreen/><Window width='640' height='480' note='a &amp; b'/><FULLSCREEN a='1'/>"
         "<refer filename='more.xml' node='x'/><Demo seconds='3'>text</Demo></Config>",
         0, 0,
         "<Config><Window width='640' height='480' note='a &amp; b'/><refer filename='more.xml' node='x'/>"
         "<Demo seconds='3'>text</Demo></Config>"},
        {"autodetect, no window size", "<Config><Script/></Config>", 0, 0, "<Config><Script/></Config>"},
        {"autodetect, a window as wide as the screen", "<Config><Window width='1024' height='600'/></Config>", 0, 0,
         "<Config><Window width='1024' height='600'/><FullScreen/></Config>"},
        {"autodetect, a window as high as the screen", "<Config><Window width='900' height='760'/><FullScreen/></Config>",
         0, 0, "<Config><Window width='900' height='760'/><FullScreen/></Config>"},
        {"autodetect, UTF-8 with its mark",
         kBom + "<Config><Title>Orbit \xE2\x80\x93 \xC3\xA9</Title><fullScreen/><Window width='5000'/></Config>", 0, 0,
         kBom + "<Config><Title>Orbit \xE2\x80\x93 \xC3\xA9</Title><Window width='5000'/><FullScreen/></Config>"},
        {"autodetect, no info.xml", "<Config><FullScreen/></Config>", 0, 2, "", false},
        {"autodetect, malformed config.xml", "<Config><Window></Config>", 0, 2, ""},
        {"autodetect, config.xml without a root", "<?xml version='1.0'?>", 0, 2, ""},
        {"asked, windowed", asked, IDNO, 0, "<Config><Window width='640' height='480'/></Config>"},
        {"asked, full screen", asked, IDYES, 0, "<Config><Window width='640' height='480'/><FullScreen/></Config>"},
        {"asked, cancelled", asked, IDCANCEL, 1, ""},
    };
    for (const UtilityRun& c : runs) {
        SCOPED_TRACE(c.what);
        const GameFolder game;
        game.install(L"config.exe", L"config.exe");
        game.write("data/config.xml", c.config);
        if (!c.withInfo) game.remove("data/info.xml");
        game.removeKey();
        // Wine without a window manager takes a while to show the box: 10 seconds for that, 30
        // more for the end.
        bool askedThePlayer = false;
        win::ChildProcess utility(game.bin() + L"\\config.exe", c.answer ? L"" : L" /autodetect", game.bin());
        ASSERT_TRUE(utility.wait(40000, [&](const win::ChildBox& box) {
            if (askedThePlayer || box.caption() != kGameTitle) return;
            askedThePlayer = true;
            box.answer(c.answer);
        }));
        EXPECT_EQ(askedThePlayer, c.answer != 0);
        EXPECT_EQ(utility.exitCode(), c.exitCode);
        const std::string written = readFile(game.folder.root() / "data/config.xml");
        EXPECT_EQ(game.firstRun(), c.expected.empty() ? "absent" : kConfigured);
        if (c.expected.empty()) {
            EXPECT_EQ(written, c.config);
        } else {
            EXPECT_EQ(normalized(written), normalized(c.expected));
            EXPECT_EQ(written.rfind(kBom, 0) == 0, c.expected.rfind(kBom, 0) == 0) << written;
        }
    }
}

}  // namespace
