#pragma once

#include <stdint.h>

// The roots of every interface that crosses between the host and the game module.
//
// The game module is normally built by MSVC, so these classes follow MSVC's x86 layout: slot 0
// answers an interface query, slot 1 is the one "deleting destructor" slot that MSVC gives a
// virtual destructor (it takes flags; bit 0 set frees the memory too). Compiled by MSVC (or
// clang for an MSVC target) slot 1 is therefore a real virtual destructor, and module code ends
// objects with `delete`. Compiled by GCC it is declared as the function it is, destroy(flags),
// because GCC would give a virtual destructor two slots and shift every later one. Slots are
// only ever appended, never reordered; no structure is returned by value.

// Interface identifiers answered by queryInterface.
inline constexpr uint32_t kSafeStringWId = 0xD1EC8035;
inline constexpr uint32_t kXmlReaderId = 0x6610957D;
inline constexpr uint32_t kXmlReaderNodeId = 0x6513B1C0;
inline constexpr uint32_t kXmlResolverId = 0xBA5D8952;
inline constexpr uint32_t kXmlDataId = 0x54E9B781;

inline constexpr unsigned int kDestroyFree = 1;  // flag of destroy(): free the memory as well

class IBase {
public:
    // This object when it implements the interface `id`, else null.
    virtual void* queryInterface(uint32_t id) = 0;
#if defined(_MSC_VER)
    virtual ~IBase() {}
#else
    // Ends the object's life; with kDestroyFree also frees it. Returns the object's address.
    virtual void* destroy(unsigned int flags) = 0;

protected:
    ~IBase() = default;
#endif
};

// An object that ends its own life: release() is destroy(kDestroyFree), after which the
// caller's pointer is dead.
class IGeneric : public IBase {
public:
    virtual void release() = 0;
};

#if !defined(_MSC_VER)
// The body of destroy() for a final implementation class created with `new` (or living inside
// another object or on the stack, when the flag is clear).
template <class T>
void* destroyObject(T* self, unsigned int flags) {
    self->~T();
    if (flags & kDestroyFree) ::operator delete(self);
    return self;
}
#endif
