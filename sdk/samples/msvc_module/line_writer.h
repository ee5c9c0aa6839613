#pragma once

#include <stdint.h>

#include "boundary/wide_char.h"
#include "text_buffer.h"

// Formats text lines into a Sink (any class with `void write(const char* bytes, uint32_t
// count)`) without a C library. Every value comes out exactly, the same on every compiler:
// integers in decimal, bit patterns in hexadecimal, strings quoted with every character outside
// printable ASCII escaped by its code unit.
template <class Sink>
class LineWriter {
public:
    explicit LineWriter(Sink& sink) : sink(sink) {}

    LineWriter& text(const char* ascii) {
        sink.write(ascii, textLength(ascii));
        return *this;
    }

    LineWriter& number(int32_t value) {
        if (value < 0) text("-");
        // Through unsigned arithmetic, so that the most negative value has a magnitude too.
        return number(value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value));
    }

    LineWriter& number(uint32_t value) {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        while (count) sink.write(&digits[--count], 1);
        return *this;
    }

    LineWriter& hex(uint32_t value, int digits) {
        char buffer[8];
        for (int i = digits - 1; i >= 0; --i, value >>= 4) buffer[i] = "0123456789abcdef"[value & 15];
        sink.write(buffer, static_cast<uint32_t>(digits));
        return *this;
    }

    LineWriter& quoted(const WideChar* chars, uint32_t count) { return quote(chars, count, 4, "\\u"); }
    LineWriter& quoted(const char* chars, uint32_t count) { return quote(chars, count, 2, "\\x"); }

    // A zero-terminated string, or "null" for none.
    template <class Char>
    LineWriter& quotedOrNull(const Char* chars) {
        return chars ? quoted(chars, textLength(chars)) : text("null");
    }

    void endLine() { text("\n"); }

private:
    template <class Char>
    LineWriter& quote(const Char* chars, uint32_t count, int digits, const char* escape) {
        text("\"");
        for (uint32_t i = 0; i < count; ++i) {
            // Unsigned, so that 8-bit characters above 127 escape as themselves.
            const uint32_t unit = sizeof(Char) == 1 ? static_cast<unsigned char>(chars[i]) : static_cast<uint32_t>(chars[i]);
            if (unit >= 0x20 && unit < 0x7F && unit != '"' && unit != '\\') {
                const char c = static_cast<char>(unit);
                sink.write(&c, 1);
            } else {
                text(escape).hex(unit, digits);
            }
        }
        return text("\"");
    }

    Sink& sink;
};
