#include "xml/paths.h"

#include <gtest/gtest.h>

#include "support/wide.h"

namespace xml {
namespace {

struct Case {
    const char* input;
    const char* expected;
};

TEST(Paths, CollapseResolvesParentsAndUsesSlashes) {
    const Case cases[] = {
        {"C:\\a\\b\\..\\c.xml", "C:/a/c.xml"}, {"a//b/", "a/b"}, {"../x", "../x"},
        {"a/./b", "a/./b"}, {"a/b/../../..", ".."}, {"../../x", "../../x"}, {"a/../../x", "../x"},
        {"", ""}, {"\\", ""}, {"a\\\\b", "a/b"},
#if defined(_WIN32)
        {"\\\\server\\share\\..\\x", "//server/x"}, {"/a/b", "a/b"}, {"//", "//"},
#else
        {"/a/b/../c", "/a/c"}, {"//a", "/a"}, {"/..", "/.."}, {"/", "/"},
#endif
    };
    for (const Case& c : cases) EXPECT_EQ(collapsePath(W(c.input)), W(c.expected)) << c.input;
}

TEST(Paths, ParentFolderCutsAtTheLastSeparator) {
    const Case cases[] = {
        {"C:\\x\\game.exe", "C:\\x"}, {"a/b\\c.xml", "a/b"}, {"a.xml", ""}, {"/a.xml", ""},
        {"\\\\a.xml", ""}, {"//a.xml", "/"}, {"x\\", "x"}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(parentFolder(W(c.input)), W(c.expected)) << c.input;
}

TEST(Paths, CombineKeepsTheRelativePartInsideTheFolder) {
    for (const char* relative : {"b.xml", "/b.xml", "\\\\/b.xml"})
        EXPECT_EQ(combinePath(W("dir"), W(relative)), combinePath(W("dir"), W("b.xml"))) << relative;
    EXPECT_EQ(combinePath(W(""), W("/b.xml")), W("b.xml"));
#if defined(_WIN32)
    EXPECT_EQ(combinePath(W("C:\\a"), W("b.xml")), W("C:\\a\\b.xml"));
    EXPECT_EQ(combinePath(W("C:\\a\\b"), W("..\\..\\data")), W("C:\\data"));
    EXPECT_EQ(combinePath(WideString(250, 'a'), W("0123456789.xml")), W(""));  // beyond 260
#else
    EXPECT_EQ(combinePath(W("/a"), W("b.xml")), W("/a/b.xml"));
    EXPECT_EQ(combinePath(W("a/"), W("b.xml")), W("a/b.xml"));
    EXPECT_EQ(combinePath(WideString(300, 'a'), W("b")).size(), 302u);  // no limit here
#endif
}

}  // namespace
}  // namespace xml
