#include "xml/files.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/wide.h"

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

}  // namespace
