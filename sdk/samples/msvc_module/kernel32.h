#pragma once

#include <stdint.h>

// The few kernel32 functions the module calls. Declared here rather than through <windows.h>:
// the module is built without any C library, Windows SDK or mingw-w64 runtime headers.
extern "C" {
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, unsigned long flags, uintptr_t bytes);
__declspec(dllimport) int __stdcall HeapFree(void* heap, unsigned long flags, void* block);
__declspec(dllimport) void* __stdcall CreateFileW(const wchar_t* path, unsigned long access, unsigned long share,
                                                  void* security, unsigned long disposition,
                                                  unsigned long attributes, void* templateFile);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(void* handle);
}

inline constexpr unsigned long kGenericWrite = 0x40000000;
inline constexpr unsigned long kCreateAlways = 2;
inline constexpr unsigned long kFileAttributeNormal = 0x80;

inline void* invalidHandle() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }
