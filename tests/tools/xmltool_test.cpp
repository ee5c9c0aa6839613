#include "tools/xmltool/xmltool.h"

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/wide.h"

namespace {

struct Result {
    int code;
    std::string out;
    std::string err;
    bool operator==(const Result& o) const { return std::tie(code, out, err) == std::tie(o.code, o.out, o.err); }
};

std::ostream& operator<<(std::ostream& stream, const Result& r) {
    return stream << "exit " << r.code << ", out: " << r.out << ", err: " << r.err;
}

Result run(const std::vector<WideString>& arguments) {
    std::ostringstream out, err;
    const int code = xmltool::run(arguments, out, err);
    return {code, out.str(), err.str()};
}

TEST(XmlTool, DumpPrintsTheNodeTreeOrTheError) {
    TempFolder folder;
    const WideString good = folder.write("good.xml", "\xEF\xBB\xBF<r a='1' b='\"\\'>t\xC3\xA9<c>&#1;</c>x<d/></r>");
    EXPECT_EQ(run({W("dump"), good}),
              (Result{0,
                      "{\"name\":\"r\",\"text\":\"t\\u00e9\",\"attributes\":[[\"a\",\"1\"],[\"b\",\"\\\"\\\\\"]],\"children\":["
                      "{\"name\":\"c\",\"text\":\"\\u0001\",\"attributes\":[],\"children\":[]},"
                      "{\"name\":\"d\",\"text\":\"\",\"attributes\":[],\"children\":[]}]}\n",
                      ""}));
    const WideString bad = folder.write("bad.xml", "<r>\n<s></r>");
    EXPECT_EQ(run({W("dump"), W("--name"), W("n.xml"), bad, W("--no-resolver")}),
              (Result{1, "", "invalid ending tag found for element at row: 2, column: 1 at row: 2, column: 4\n"}));
    EXPECT_EQ(run({W("dump"), folder.path("none.xml")}),
              (Result{1, "", "error opening file \"" + xml::toUtf8(folder.path("none.xml")) + "\"\n"}));
}

TEST(XmlTool, DumpResolvesReferencesFromTheFilesFolderOrTheGivenOnes) {
    TempFolder folder;
    const WideString top = folder.write("top.xml", "<t><refer filename='part.xml'/></t>");
    folder.write("part.xml", "<p><here/></p>");
    folder.write("other/part.xml", "<p><there/></p>");
    folder.write("second/only.xml", "<p><second/></p>");
    const auto children = [](const Result& r) { return r.out.substr(r.out.find("\"children\"")); };
    EXPECT_EQ(children(run({W("dump"), top})), "\"children\":[{\"name\":\"here\",\"text\":\"\",\"attributes\":[],\"children\":[]}]}\n");
    EXPECT_NE(run({W("dump"), W("--primary"), folder.path("other"), top}).out.find("there"), std::string::npos);
    const WideString second = folder.write("s.xml", "<t><refer filename='only.xml'/></t>");
    EXPECT_NE(run({W("dump"), second, W("--secondary"), folder.path("second")}).out.find("second"), std::string::npos);
    for (const char* name : {"n.xml", ""}) {  // an empty name is a name too
        EXPECT_EQ(run({W("dump"), top, W("--no-resolver"), W("--name"), W(name)}),
                  (Result{1, "", "can't resolve reference in \"" + std::string(name) +
                                     "\" at row: 1, column: 4 because no resolver was specified\n"}));
    }
}

TEST(XmlTool, CheckReportsEveryFailingFileOnce) {
    TempFolder folder;
    folder.write("data/a.xml", "<a><refer filename='sub/b.xml'/></a>");
    folder.write("data/sub/b.xml", "<b/>");
    folder.write("data/sub/c.xml", "<c>\n<d></c>");
    folder.write("data/z.xml", "<z><refer filename='none.xml'/></z>");
    folder.write("data/zero.xml", std::string("<?xml version=\"1.0\"?>\r\n<y/>\0<junk", 33));  // the game stops at 0
    folder.write("data/notes.txt", "<not xml");
    folder.write("data/upper.XML", "<not checked");
    const WideString loose = folder.write("loose.txt", "<loose/>");
#if !defined(_WIN32)
    std::filesystem::create_symlink("../loose.txt", folder.root() / "data/link.xml");  // not followed
    std::filesystem::create_directory_symlink("sub", folder.root() / "data/linked");
#endif
    const std::string data = xml::toUtf8(folder.path("data"));
    const Result r = run({W("check"), folder.path("data"), loose});
    EXPECT_EQ(r, (Result{1,
                         data + "/sub/c.xml: invalid ending tag found for element at row: 2, column: 1 at row: 2, column: 4\n" +
                             data + "/z.xml: can't resolve reference in \"" + data +
                             "/z.xml\" at row: 1, column: 4, reason:\ncan't open file \"" +
                             slashed(folder.path("data/none.xml")) + "\"\n" + data +
                             "/zero.xml: zero byte at row: 2, column: 5\n",
                         "6 files checked, 3 failed\n"}));
    for (const char* jobs : {"1", "3", "64"})  // the same output whatever runs at once
        EXPECT_EQ(run({W("check"), W("-j"), W(jobs), folder.path("data"), loose}), r) << jobs;
    for (const char* jobs : {"0", "x", "-2"}) EXPECT_EQ(run({W("check"), W("--jobs"), W(jobs), loose}).code, 2) << jobs;
    EXPECT_EQ(run({W("check"), folder.path("data/sub/b.xml")}), (Result{0, "", "1 files checked, 0 failed\n"}));
    EXPECT_EQ(run({W("check")}).code, 2);
}

// format writes the model back as it goes: a failure leaves what came before it.
TEST(XmlTool, FormatAndModelPrintTheDocumentOrTheError) {
    const struct { const char* command; const char* document; Result expected; } cases[] = {
        {"format", "<a x='1'\n  y='2'>\n  <b>text</b></a>", {0, "<a x=\"1\"\n\ty=\"2\"\n>\n\t<b>text</b>\n</a>", ""}},
        {"format", "<a><b/><c v='&#233;'/></a>",
         {1, "<a>\n\t<b />\n\t<c v=", "character string cannot be expressed in legacy encoding\n"}},
        {"format", "<a>", {1, "", "no ending tag found for element at row: 1, column: 1 at row: 1, column: 1\n"}},
        {"model", "<r\n a='1'>\n  text\n  <c/></r>",
         {0,
          "{\"utf8\":false,\"root\":{\"name\":\"r\",\"row\":0,\"column\":0,\"attributes\":[[\"a\",\"1\",true]],"
          "\"children\":[{\"text\":\"text\",\"row\":1,\"column\":7},"
          "{\"name\":\"c\",\"row\":3,\"column\":2,\"attributes\":[],\"children\":[]}]}}\n",
          ""}},
        {"model", "<?xml version=\"1.0\"?>", {1, "", "malformed Xml document\n"}},
    };
    TempFolder folder;
    for (const auto& c : cases)
        EXPECT_EQ(run({W(c.command), folder.write("f.xml", c.document)}), c.expected) << c.command << " " << c.document;
}

TEST(XmlTool, ConvertPrintsValuesInOneFormat) {
    const struct { const char* type; const char* text; const char* out; } cases[] = {
        {"bool", "true", "ok true\n"},        {"long", "-99999999999", "ok -2147483648\n"},
        {"ulong", "-1", "ok 4294967295\n"},  {"uint64", "zz", "ok 1295\n"},
        {"float", "0.1", "ok 0.100000001\n"}, {"float", "1e39", "ok inf\n"},
        {"float", "-1e39", "ok -inf\n"},     {"vector2", "1, 2", "ok 1,2\n"},
        {"vector3", "1 2 3", "fail\n"},      {"unitvector4", "0,0,0,2", "ok 0,0,0,1\n"},
        {"unitvector4", "0,0,0,0", "ok nan,nan,nan,nan\n"},
        {"color", "red", "ok 1,0,0\n"},      {"stringa", "abc", "ok abc\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run({W("convert"), W(c.type), W(c.text)}), (Result{0, c.out, ""})) << c.type << " " << c.text;
}

TEST(XmlTool, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<const char*>> cases = {
        {}, {"frobnicate"}, {"dump"}, {"dump", "a", "b"}, {"dump", "a", "--name"}, {"dump", "a", "--bogus"},
        {"model"}, {"convert", "long"}, {"convert", "double", "1"},
    };
    for (const auto& arguments : cases) {
        std::vector<WideString> wide;
        for (const char* argument : arguments) wide.push_back(W(argument));
        const Result r = run(wide);
        EXPECT_EQ(r.code, 2) << arguments.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: xmltool"), std::string::npos);
    }
}

}  // namespace
