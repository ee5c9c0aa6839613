#pragma once

#include <string>

// Where the running executable lies. Each throws std::runtime_error("path is too long") when the
// system's answer does not fit 260 characters.
namespace win {

// The executable's folder, without a trailing separator.
std::wstring getModuleFolder();
// The same in 8-bit characters; a folder in a drive's root keeps its backslash ("C:\").
std::string getModuleFolderA();
// The full path of `path`, "." and ".." resolved.
std::wstring getFullPath(const std::wstring& path);

}  // namespace win
