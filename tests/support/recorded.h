#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "boundary/base.h"

// A boundary object of a test, made with `new`, that notes its life through `note`: its name when
// it is made, "<name>-released" when its owner releases it, which ends it.
template <class Interface, class Self, void (*note)(const std::string&)>
class Recorded : public Interface {
public:
    explicit Recorded(std::string name) : name(std::move(name)) { note(this->name); }
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(static_cast<Self*>(this), flags); }
    void release() override {
        note(name + "-released");
        destroy(kDestroyFree);
    }

private:
    std::string name;
};
