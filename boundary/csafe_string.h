#pragma once

#include <stdint.h>

#include "boundary/safe_string.h"
#include "boundary/wide_string.h"

// The host's safe string: lives on the caller's stack for one call and overwrites the caller's
// own string. Destroying it leaves that string alone.
class CSafeStringW final : public ISafeStringW {
public:
    explicit CSafeStringW(WideString& target) : target(&target) {}

    // Points the same object at another string for the next call.
    void retarget(WideString& next) { target = &next; }

    void* queryInterface(uint32_t id) override { return id == kSafeStringWId ? this : nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    // std::basic_string::assign copes with characters taken from the target itself.
    void assign(const WideChar* chars, uint32_t count) override {
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
