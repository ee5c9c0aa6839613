#include "xml/files.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/wide.h"
#include "xml/file_identity.h"

namespace {

std::string contents(const FileToMemory& file) { return std::string(file.getData(), file.getSize()); }

TEST(FileToMemory, HoldsTheBytesWholeWithAZeroAfterThem) {
    TempFolder folder;
    const std::string withZero("a\0b\r\n\xC3\xA9", 7);
    for (const std::string& bytes : {std::string(), withZero, std::string(100000, 'x')}) {
        const FileToMemory file(folder.write("f.xml", bytes).c_str());
        EXPECT_EQ(file.getSize(), bytes.size());
        EXPECT_EQ(contents(file), bytes);
        EXPECT_EQ(file.getData()[file.getSize()], '\0');
    }
}

TEST(FileToMemory, MissingFilesAndFoldersCannotBeOpened) {
    TempFolder folder;
    folder.write("sub/inner.xml", "<a/>");
    for (const WideString& name : {folder.path("missing.xml"), folder.path("sub"), W("no/../such\xC3\xA9.xml")}) {
        try {
            FileToMemory file(name.c_str());
            ADD_FAILURE() << "opened " << xml::toUtf8(name);
        } catch (const FileToMemory::InitError& error) {
            EXPECT_EQ(xml::fromUtf8(error.what()), W("error opening file \"") + name + W("\""));
        }
    }
}

TEST(FileToMemory, ReadingAnotherStreamReplacesTheBuffer) {
    TempFolder folder;
    FileToMemory file(folder.write("first", "first content").c_str());
    std::FILE* second = std::fopen(xml::toUtf8(folder.path("first")).c_str(), "rb");
    ASSERT_NE(second, nullptr);
    std::fseek(second, 6, SEEK_SET);  // reading starts from the stream's beginning anyway
    folder.write("first", "");
    file.read(second);
    std::fclose(second);
    EXPECT_EQ(file.getSize(), 0u);
    EXPECT_EQ(file.getData()[0], '\0');
}

// An index of 0 (ReFS, some network shares) says nothing: the full paths decide then.
TEST(FileIdentity, WithoutAnIndexTheFullPathsDecide) {
    const struct {
        xml::FileIdentity a, b;
        bool same;
    } cases[] = {
        {{1, 5, W("a")}, {1, 5, W("b")}, true},   // one file by two paths
        {{1, 5, W("a")}, {2, 5, W("a")}, false},  // the same index on another volume
        {{1, 0, W("a")}, {1, 0, W("b")}, false},  // no index: two files, not one
        {{1, 0, W("a")}, {1, 7, W("a")}, true},
#if defined(_WIN32)
        {{1, 0, W("C:/x/A.xml")}, {1, 0, W("C:/x/a.xml")}, true},  // paths compare as the file system does
#else
        {{1, 0, W("C:/x/A.xml")}, {1, 0, W("C:/x/a.xml")}, false},
#endif
    };
    for (const auto& c : cases) EXPECT_EQ(c.a == c.b, c.same) << xml::toUtf8(c.a.path) << " " << xml::toUtf8(c.b.path);
}

}  // namespace
