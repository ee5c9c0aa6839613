#pragma once

#include <string>

#include "boundary/safe_string.h"

// What a game module would hand in for 8-bit strings: keeps the last text assigned.
class CaptureStringA final : public ISafeStringA {
public:
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void assign(const char* chars, std::uint32_t count) override { text.assign(chars, count); ++calls; }
    void assignString(const char* chars) override { text = chars; ++calls; }

    std::string text = "untouched";
    int calls = 0;
};
