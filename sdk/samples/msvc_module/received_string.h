#pragma once

#include <stdint.h>

#include "boundary/safe_string.h"
#include "text_buffer.h"

// The module's side of the safe-string slots: objects it hands to the host (or the library) to
// receive one string each, remembering whether anything arrived at all.
template <class Char, class Interface>
class ReceivedString : public Interface {
public:
    void assign(const Char* chars, uint32_t count) override {
        text.assign(chars, count);
        arrived = true;
    }
    // A null pointer stores the empty text, as the host's own strings do.
    void assignString(const Char* chars) override { assign(chars, chars ? textLength(chars) : 0); }

    void forget() {
        text.clear();
        arrived = false;
    }
    bool received() const { return arrived; }
    const Char* chars() const { return text.chars(); }
    uint32_t length() const { return text.length(); }

protected:
    ~ReceivedString() = default;

    TextBuffer<Char> text;
    bool arrived = false;
};

class ReceivedW final : public ReceivedString<WideChar, ISafeStringW> {
public:
    void* queryInterface(uint32_t id) override { return id == kSafeStringWId ? this : nullptr; }
#if !defined(_MSC_VER)
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
#endif

    // The same text with the ASCII letters in the other case: a name that only a lookup
    // ignoring case still finds.
    void swapCase() {
        WideChar* units = text.data();
        for (uint32_t i = 0; units && i < text.length(); ++i) {
            const WideChar c = units[i];
            if (c >= 'a' && c <= 'z') units[i] = WideChar(c - 'a' + 'A');
            else if (c >= 'A' && c <= 'Z') units[i] = WideChar(c - 'A' + 'a');
        }
    }
};

// 8-bit strings have no interface identifier of their own.
class ReceivedA final : public ReceivedString<char, ISafeStringA> {
public:
    void* queryInterface(uint32_t) override { return nullptr; }
#if !defined(_MSC_VER)
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
#endif
};
