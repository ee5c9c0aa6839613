#pragma once

#include <string>

namespace win {

// The game's key under HKEY_LOCAL_MACHINE, which holds its "FirstRun" value:
// "Software\<company>\<product>".
inline std::wstring registryBasePath(const std::wstring& company, const std::wstring& product) {
    return L"Software\\" + company + L"\\" + product;
}

}  // namespace win
