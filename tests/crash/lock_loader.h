#pragma once

#include <windows.h>

// Takes the loader lock for good on this thread, as code that the loader runs holds it.
inline void lockLoader() {
    using LockLoader = LONG(WINAPI*)(ULONG, ULONG*, ULONG_PTR*);
    const auto lock = reinterpret_cast<LockLoader>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrLockLoaderLock")));
    ULONG_PTR cookie = 0;
    lock(0, nullptr, &cookie);
}
