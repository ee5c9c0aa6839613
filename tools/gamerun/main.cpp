// gamerun: starts a game's game.exe and watches it from outside, for build servers and scripts
// that must know how a run ended. The host ends every failed start with a message box and exit
// code 0, so the exit code alone cannot tell a failure from a clean end; and a game that waits for
// an answer would hang the run. gamerun prints and answers every message box, ends the game when
// it overruns its time, and says which of these happened in its own exit code:
//
//   gamerun GAME_EXE [--seconds N]      (default 60)
//
//   the game's exit code   it ended by itself and showed no message box
//   2                      usage error, or game.exe could not be started
//   124                    it did not end within N seconds and was ended
//   125                    it showed a message box (printed as: box "CAPTION": TEXT)

#include <cstdio>
#include <cwchar>
#include <string>

#include <windows.h>

#include "win/child_process.h"
#include "xml/paths.h"
#include "xml/utf.h"

namespace {

constexpr int kUsageError = 2, kTimedOut = 124, kShowedBox = 125;

int usage() {
    std::fputs("usage: gamerun GAME_EXE [--seconds N]\n", stderr);
    return kUsageError;
}

void print(const std::wstring& text) { std::fputs((xml::toUtf8(text) + "\n").c_str(), stdout); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && argc != 4) return usage();
    unsigned long seconds = 60;
    if (argc == 4) {
        wchar_t* end = nullptr;
        seconds = std::wcstoul(argv[3], &end, 10);
        if (std::wcscmp(argv[2], L"--seconds") != 0 || *end || seconds == 0 || seconds > 86400) return usage();
    }
    const std::wstring game = argv[1];
    // The host finds its data relative to its own folder; started from there, as a player would.
    win::ChildProcess process(game, L"", xml::parentFolder(game));
    if (process.startError()) {
        print(L"gamerun: " + game + L" did not start: error " + std::to_wstring(process.startError()));
        return kUsageError;
    }
    bool showedBox = false;
    const bool ended = process.wait(seconds * 1000, [&](const win::ChildBox& box) {
        showedBox = true;
        print(L"box \"" + box.caption() + L"\": " + box.text());
        box.answer();
    });
    std::fflush(stdout);
    if (!ended) {
        print(L"gamerun: the game did not end within " + std::to_wstring(seconds) + L" s and was ended");
        return kTimedOut;
    }
    const DWORD code = process.exitCode();
    print(L"gamerun: exit code " + std::to_wstring(static_cast<long>(code)));
    return showedBox ? kShowedBox : static_cast<int>(code);
}
