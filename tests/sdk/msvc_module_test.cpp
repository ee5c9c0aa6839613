// The module built with MSVC's ABI (clang, no runtime library), driven through the whole
// protocol by the host's GCC-built code. Its walk of game.xml must match, byte for byte, the
// same walk compiled here and run over the library's own nodes.

#include <cctype>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "sdk/samples/msvc_module/node_walk.h"
#include "win/child_process.h"
#include "support/module_driver.h"
#include "support/temp_folder.h"
#include "xml/files.h"
#include "xml/parser.h"
#include "xml/utf.h"

namespace {

// Something for every slot: names repeated in other cases, values that convert and values
// that do not, non-ASCII texts, an empty element, nesting.
const std::string kGame = "\xEF\xBB\xBF" R"(<?xml version="1.0" encoding="utf-8"?>
<Game version="3" Version="three" ratio="0.5" title="Grüße – ☃">
	<Item id="1">12</Item>
	<item id="2">-7</item>
	<ITEM id="3">zz</ITEM>
	<Item id="4">second Item</Item>
	<Empty/>
	<Text>Grüße, 世界 – ☃</Text>
	<Ascii>plain 7-bit text, a tab	and a tilde ~</Ascii>
	<Unsafe>caf&#233; &#127;</Unsafe>
	<Color>tomato</Color>
	<Colors named="midnightblue" upper="Tomato" hash="#4FA3FF" short="#fff" alpha="#80FF0000"
	        numbers="25, 25, 60" fraction="0.5,0.25,1" word="nocolor" hashless="4FA3FF">#123456</Colors>
	<Vector>1.5,-2,3,0.25</Vector>
	<Position>-1,0.5,1e3</Position>
	<Vectors two="1.5,-2" three="1,2,3" four="0,0,3,4" zero="0,0,0,0" one="7" spaced=" 1 , 2 "
	         letters="a,b" five="1,2,3,4,5">1,2</Vectors>
	<Number>3w5e11264sgsf</Number>
	<Numbers ulong="4294967295" over="99999999999" long="-2147483648" under="-99999999999" minus="-1"
	         plus="+12" base36="1y2p0ij32e8e7" beyond="zzzzzzzzzzzzzz" hex="0x10" blank="  "
	         lead="  42" trail="42  " mixed="12ab">1234567890</Numbers>
	<Bool>true</Bool>
	<Bools t="true" f="false" one="1" zero="0" yes="yes" trailing="true  " upper="TRUE" two="2">0</Bools>
	<Float>6.02214076e23</Float>
	<Floats tiny="1e-45" huge="1e39" negativeZero="-0" tenth="0.1" exp="2.5E3" word="abc"
	        partial="3.5kg">-1.5</Floats>
	<Nested depth="1"><Level depth="2"><Level depth="3">bottom</Level><level/></Level></Nested>
	<Mixed>first text<Child/>second text</Mixed>
</Game>
)";

struct StringSink {
    std::string bytes;
    void write(const char* chars, std::uint32_t count) { bytes.append(chars, count); }
};

std::string walkedHere(const std::string& game) {
    CXmlParser document(game.c_str(), nullptr, L"game.xml");
    StringSink sink;
    walkNodes(document.getRoot(), sink);
    return sink.bytes;
}

std::wstring moduleDll() { return win::programFolder() + L"\\msvc_module\\GameModule.dll"; }

// A data folder whose config.xml holds `walk` (a Walk element, or nothing) and exit code 23.
std::wstring dataFolder(const TempFolder& folder, const std::string& walk) {
    folder.write("data/game.xml", kGame);
    folder.write("data/config.xml", "<Config><Script><Init name='walk'/></Script>" + walk +
                                        "<ExitCode value='23'/></Config>");
    return folder.path("data");
}

std::string walkElement(const WideString& file) { return "<Walk file='" + xml::toUtf8(file) + "'/>"; }

TEST(MsvcModule, WalksGameXmlExactlyAsTheHostsOwnBuildDoes) {
    TempFolder folder;
    const WideString walkFile = folder.path("walk.txt");
    const ModuleRun run = driveModule(moduleDll(), dataFolder(folder, walkElement(walkFile)));
    expectCompleteRun(run, L"Gamehost Samples", L"Node walk \u2013 an MSVC-ABI module", L"NodeWalk", 23);

    const FileToMemory walked(walkFile.c_str());
    EXPECT_EQ(std::string(walked.getData(), walked.getSize()),
              "script \"walk\"\nlog 1 \"Game running\"\n" + walkedHere(kGame));
}

// Without this, two empty or one-sided walks would compare equal just as well.
TEST(MsvcModule, WalkReachesEverySlotWithBothOutcomes) {
    std::map<int, std::set<std::string>> outcomes;  // slot: first words after the arrow
    std::istringstream walk(walkedHere(kGame));
    for (std::string line; std::getline(walk, line);) {
        const std::size_t result = line.find(" -> ") + 4;
        if (std::isdigit(static_cast<unsigned char>(line[0])))
            outcomes[std::stoi(line)].insert(line.substr(result, line.find(' ', result) - result));
    }
    for (int slot = 0; slot <= 44; ++slot) {
        if (slot == 1) continue;  // the destructor: nodes belong to their document
        EXPECT_FALSE(outcomes[slot].empty()) << "slot " << slot;
        if (slot == 3 || (slot >= 9 && slot <= 28) || slot >= 34) {
            EXPECT_TRUE(outcomes[slot].count("true") && outcomes[slot].count("false")) << "slot " << slot;
        }
    }
}

// The module's refusals reach the player through the host's strings, and everything still ends.
TEST(MsvcModule, FailuresAreReportedInTheHostsStrings) {
    TempFolder folder;
    expectEndedWith(driveModule(moduleDll(), dataFolder(folder, "")),
                    L"Can't create game module: config.xml names no Walk file");
    expectEndedWith(driveModule(moduleDll(), dataFolder(folder, walkElement(folder.path("missing/walk.txt")))),
                    L"The walk file cannot be created");
}

}  // namespace
