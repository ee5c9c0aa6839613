// The sample game module, driven through the whole protocol as the host drives it.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "win/child_process.h"
#include "support/module_driver.h"
#include "support/temp_folder.h"
#include "xml/files.h"

namespace {

std::string sampleFile(const char* name) {
    const FileToMemory file((win::programFolder() + L"\\sample_data\\" + std::wstring(name, name + std::strlen(name))).c_str());
    return std::string(file.getData(), file.getSize());
}

// The sample data with `config` in place of its config.xml.
WideString dataWith(const TempFolder& folder, const std::string& config) {
    for (const char* name : {"info.xml", "game.xml", "sky.xml", "window.xml"})
        folder.write(std::string("data/") + name, sampleFile(name));
    folder.write("data/config.xml", config);
    return folder.path("data");
}

TEST(SampleModule, RunsItsSceneOrSaysWhyNotAndEndsEveryObjectOnce) {
    TempFolder folder;
    const std::wstring dll = win::programFolder() + L"\\GameModule.dll";
    const std::string config = "<Config><Script><Init name='orbit'/></Script><Demo seconds='1' exitCode='5'/></Config>";
    expectCompleteRun(driveModule(dll, dataWith(folder, config)), L"Gamehost Samples", L"Orbit \u2013 a sample game",
                      L"Orbit", 5);
    expectEndedWith(driveModule(dll, dataWith(folder, "<Config><Script><Init name='nowhere'/></Script></Config>")),
                    L"There is no scene named 'nowhere' in game.xml");
}

}  // namespace
