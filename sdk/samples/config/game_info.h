#pragma once

#include "boundary/wide_string.h"

namespace config {

// What info.xml in the data folder tells about the game.
struct GameInfo {
    WideString company;
    WideString title;
    WideString product;
};

// Throws gen_exception naming the file when it is missing or malformed or lacks a field.
GameInfo readGameInfo(const WideString& fileName);

}  // namespace config
