// The sample game module, driven through the whole protocol as the host drives it.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/module_driver.h"
#include "support/temp_folder.h"
#include "xml/files.h"

namespace {

std::string sampleFile(const char* name) {
    const FileToMemory file((programFolder() + L"\\sample_data\\" + std::wstring(name, name + std::strlen(name))).c_str());
    return std::string(file.getData(), file.getSize());
}

// The sample data with `config` in place of its config.xml.
WideString dataWith(const TempFolder& folder, const std::string& config) {
    for (const char* name : {"info.xml", "game.xml", "sky.xml", "window.xml"})
        folder.write(std::string("data/") + name, sampleFile(name));
    folder.write("data/config.xml", config);
    return folder.path("data");
}

TEST(SampleModule, RunsItsSceneAndEndsEveryObjectOnce) {
    TempFolder folder;
    const std::string config = "<Config><Script><Init name='orbit'/></Script><Demo seconds='1' exitCode='5'/></Config>";
    const ModuleRun run = driveModule(programFolder() + L"\\GameModule.dll", dataWith(folder, config));
    expectCompleteRun(run, L"Gamehost Samples", L"Orbit \u2013 a sample game", L"Orbit", 5);
}

TEST(SampleModule, ReportsAMissingSceneThroughTheErrorText) {
    TempFolder folder;
    const ModuleRun run = driveModule(programFolder() + L"\\GameModule.dll",
                                      dataWith(folder, "<Config><Script><Init name='nowhere'/></Script></Config>"));
    EXPECT_TRUE(run.module);
    EXPECT_FALSE(run.runResult);
    EXPECT_EQ(run.runError, L"There is no scene named 'nowhere' in game.xml");
    EXPECT_EQ(run.liveObjects, 0);
    EXPECT_EQ(run.allocationsLeft, 0);
    EXPECT_TRUE(run.unloaded);
}

}  // namespace
