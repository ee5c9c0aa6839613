// The sample configuration utility. Run with /autodetect (as the host does on a game's first
// run) it picks the mode without a word; otherwise it asks the player. Either way it writes the
// mode into config.xml and marks the game configured (FirstRun = 0).

#include <exception>

#include <windows.h>

#include "config_document.h"
#include "game_info.h"
#include "win32_edges.h"
#include "win/registry_path.h"
#include "xml/errors.h"
#include "xml/files.h"
#include "xml/paths.h"
#include "xml/utf.h"

namespace {

constexpr int kConfigured = 0;
constexpr int kCancelled = 1;
constexpr int kFailed = 2;

bool hasAutodetectFlag(const wchar_t* commandLine) {
    const WideStringView line(commandLine ? commandLine : L"");
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find_first_of(L" \t", start);
        if (end == WideStringView::npos) end = line.size();
        if (CompareStringOrdinal(line.data() + start, static_cast<int>(end - start), L"/autodetect", -1, TRUE) ==
            CSTR_EQUAL)
            return true;
        start = end + 1;
    }
    return false;
}

// `caption` becomes the game's title as soon as it is known, for the boxes shown later.
int configure(bool autodetect, WideString& caption) {
    const WideString data = config::dataFolder();
    const config::GameInfo info = config::readGameInfo(xml::combinePath(data, L"info.xml"));
    caption = info.title;

    const WideString configName = xml::combinePath(data, L"config.xml");
    const FileToMemory file(configName.c_str());
    const auto document = config::parseConfig(file.getData(), file.getData() + file.getSize(), configName);

    bool fullScreen = false;
    if (autodetect) {
        fullScreen = config::needsFullScreen(config::requestedWindowSize(*document->root), config::windowDecoration(),
                                             config::primaryScreenSize());
    } else {
        const int answer = MessageBoxW(nullptr, L"Play in full screen?\n\nYes: full screen\nNo: in a window",
                                       caption.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return kCancelled;
        if (answer == 0) throw gen_exception(L"cannot ask the question");
        fullScreen = answer == IDYES;
    }

    // Opened before config.xml changes, so that a registry closed to writing leaves both alone.
    config::WritableRegistryKey key(HKEY_LOCAL_MACHINE, win::registryBasePath(info.company, info.product));
    config::setFullScreen(*document->root, fullScreen);
    config::replaceFile(configName, config::configFileBytes(*document));
    key.setDword(L"FirstRun", 0);
    return kConfigured;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // The host waits for an autodetecting run: it must never stop at a message box.
    const bool autodetect = hasAutodetectFlag(commandLine);
    WideString caption = L"Configuration";
    try {
        return configure(autodetect, caption);
    } catch (const std::exception& error) {
        if (!autodetect) MessageBoxW(nullptr, xml::readableText(error.what()).c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
        return kFailed;
    }
}
