#pragma once

#include <cstdint>

#include "boundary/base.h"
#include "boundary/wide_string.h"

// The one way a string crosses the boundary: the receiving side supplies an object that writes
// its own string, and the other side calls it. The callee must neither keep nor destroy it.

class ISafeStringW : public IBase {
public:
    // Replaces the whole content with `count` characters from `chars` (zeros included).
    virtual void assign(const WideChar* chars, std::uint32_t count) = 0;
    // Replaces the whole content with the characters up to the terminating zero.
    virtual void assignString(const WideChar* chars) = 0;

protected:
    ~ISafeStringW() = default;
};

// The 8-bit counterpart, with the same slots. The host never implements it; it only calls
// assignString on objects that the game module supplies.
class ISafeStringA : public IBase {
public:
    virtual void assign(const char* chars, std::uint32_t count) = 0;
    virtual void assignString(const char* chars) = 0;

protected:
    ~ISafeStringA() = default;
};

// The host's safe string: lives on the caller's stack for one call and overwrites the caller's
// own string. Destroying it leaves that string alone.
class CSafeStringW final : public ISafeStringW {
public:
    explicit CSafeStringW(WideString& target) : target(&target) {}

    // Points the same object at another string for the next call.
    void retarget(WideString& next) { target = &next; }

    void* queryInterface(std::uint32_t id) override { return id == kSafeStringWId ? this : nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    // std::basic_string::assign copes with characters taken from the target itself.
    void assign(const WideChar* chars, std::uint32_t count) override {
        if (count == 0) target->clear();
        else target->assign(chars, count);
    }
    void assignString(const WideChar* chars) override {
        if (chars) target->assign(chars);
        else target->clear();
    }

private:
    WideString* target;  // not owned
};
