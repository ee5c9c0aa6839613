#pragma once

#include <utility>

#include <windows.h>

// The one owner of Win32 handles: a move-only object that closes what it holds exactly once, in
// the manner of Crashpad's ScopedGeneric. A traits type per kind of handle says which value means
// "nothing" (kernel objects and registry keys: null; files from CreateFileW: INVALID_HANDLE_VALUE)
// and how the handle is closed:
//
//     struct Traits {
//         using Handle = ...;
//         static Handle invalid();
//         static void close(Handle handle);  // never called with invalid()
//     };
//
// Header only and allocation free, so that the crash path may use it too.
namespace win {

template <class Traits>
class ScopedGeneric {
public:
    using Handle = typename Traits::Handle;

    ScopedGeneric() = default;
    explicit ScopedGeneric(Handle handle) : handle(handle) {}
    ~ScopedGeneric() { reset(); }
    ScopedGeneric(ScopedGeneric&& other) noexcept : handle(other.release()) {}
    ScopedGeneric& operator=(ScopedGeneric&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ScopedGeneric(const ScopedGeneric&) = delete;
    ScopedGeneric& operator=(const ScopedGeneric&) = delete;

    Handle get() const { return handle; }
    bool valid() const { return handle != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // Closes the handle held, if any, and takes `replacement`.
    void reset(Handle replacement = Traits::invalid()) {
        const Handle old = std::exchange(handle, replacement);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // Gives the handle up unclosed; the caller owns it from here.
    Handle release() { return std::exchange(handle, Traits::invalid()); }
    // For functions that hand out a handle through an out-parameter: closes the one held, then
    // lends the place to write the new one to.
    Handle* receive() {
        reset();
        return &handle;
    }

private:
    Handle handle = Traits::invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { CloseHandle(handle); }
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { CloseHandle(handle); }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle invalid() { return nullptr; }
    static void close(Handle key) { RegCloseKey(key); }
};

using ScopedKernelHandle = ScopedGeneric<KernelHandleTraits>;  // events, mutexes, processes, threads
using ScopedFileHandle = ScopedGeneric<FileHandleTraits>;      // CreateFileW and its kind
using ScopedRegistryKey = ScopedGeneric<RegistryKeyTraits>;

}  // namespace win
