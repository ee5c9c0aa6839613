#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "xml/utf.h"

// "key=value" lines in UTF-8: what a host test asks of its game pieces, and what they saw from
// inside the host's process. Every line is appended with an open and close of its own, so that
// the test sees each line as soon as it is written, and a piece that ends abruptly keeps the
// lines written before.
using KeyValues = std::vector<std::pair<std::string, std::string>>;

inline void appendKeyValue(const std::filesystem::path& file, const std::string& key, const std::string& value) {
    std::ofstream(file, std::ios::binary | std::ios::app) << key << '=' << value << '\n';
}

// Empty when the file does not exist.
inline KeyValues readKeyValues(const std::filesystem::path& file) {
    KeyValues lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return lines;
}

// Every value of `key`, in the order written.
inline std::vector<std::string> valuesOf(const KeyValues& lines, const std::string& key) {
    std::vector<std::string> values;
    for (const auto& [name, value] : lines)
        if (name == key) values.push_back(value);
    return values;
}

// The first value of `key`; empty when there is none.
inline std::string valueOf(const KeyValues& lines, const std::string& key) {
    const std::vector<std::string> values = valuesOf(lines, key);
    return values.empty() ? std::string() : values.front();
}

// A file in the folder of `module` (null: the executable).
inline std::filesystem::path besideModule(HMODULE module, const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return std::filesystem::path(path).replace_filename(name);
}
