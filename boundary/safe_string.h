#pragma once

#include <stdint.h>

#include "boundary/base.h"
#include "boundary/wide_char.h"

// The one way a string crosses the boundary: the receiving side supplies an object that writes
// its own string, and the other side calls it. The callee must neither keep nor destroy it.

class ISafeStringW : public IBase {
public:
    // Replaces the whole content with `count` characters from `chars` (zeros included).
    virtual void assign(const WideChar* chars, uint32_t count) = 0;
    // Replaces the whole content with the characters up to the terminating zero.
    virtual void assignString(const WideChar* chars) = 0;

protected:
    ~ISafeStringW() = default;
};

// The 8-bit counterpart, with the same slots. The host never implements it; it only calls
// assignString on objects that the game module supplies.
class ISafeStringA : public IBase {
public:
    virtual void assign(const char* chars, uint32_t count) = 0;
    virtual void assignString(const char* chars) = 0;

protected:
    ~ISafeStringA() = default;
};
