#pragma once

#include <stdint.h>

// A growable run of characters with a terminating zero, in memory from new[]. Written for code
// that has no standard library: the MSVC-ABI module, and the walk the tests share with it.

template <class Char>
uint32_t textLength(const Char* text) {
    uint32_t length = 0;
    while (text[length]) ++length;
    return length;
}

template <class Char>
class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer() { delete[] units; }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // `chars` may point into this buffer: it is read before the old memory is freed.
    void assign(const Char* chars, uint32_t count) {
        size = 0;
        append(chars, count);
    }

    void append(const Char* chars, uint32_t count) {
        if (size + count >= capacity) {
            uint32_t grown = capacity ? capacity * 2 : 16;
            while (grown <= size + count) grown *= 2;
            Char* bigger = new Char[grown];
            for (uint32_t i = 0; i < size; ++i) bigger[i] = units[i];
            for (uint32_t i = 0; i < count; ++i) bigger[size + i] = chars[i];
            delete[] units;
            units = bigger;
            capacity = grown;
        } else {
            for (uint32_t i = 0; i < count; ++i) units[size + i] = chars[i];
        }
        size += count;
        units[size] = 0;
    }

    void clear() { assign(nullptr, 0); }

    const Char* chars() const { return units ? units : &none; }
    uint32_t length() const { return size; }
    Char* data() { return units; }  // null until something was stored

private:
    Char* units = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
    Char none = 0;
};
