// The configuration utility of the host tests: records how it was started, and marks the game
// configured (FirstRun = 0 under the key named by "configure" in "behaviour.txt") only when the
// test asks for it, as a real utility does once the player has chosen.

#include <windows.h>

#include "key_value_file.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::filesystem::path record = besideModule(nullptr, L"utility.txt");
    appendKeyValue(record, "command", xml::toUtf8(GetCommandLineW()));
    appendKeyValue(record, "folder", xml::toUtf8(std::filesystem::current_path().wstring()));

    const std::string key = valueOf(readKeyValues(besideModule(nullptr, L"behaviour.txt")), "configure");
    const DWORD configured = 0;
    if (key.empty()) return 0;
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, xml::fromUtf8(key).c_str(), L"FirstRun", REG_DWORD, &configured,
                           sizeof configured) == ERROR_SUCCESS ? 0 : 1;
}
