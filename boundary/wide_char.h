#pragma once

// Every wide string of the system is UTF-16 in 16-bit code units. On Windows that is exactly
// wchar_t, so Win32 calls and the module boundary take them as they are; elsewhere wchar_t is
// 32 bits wide and char16_t takes its place. This header needs no standard library, so that
// modules built without one can use the boundary headers.
#if defined(_WIN32)
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
static_assert(sizeof(WideChar) == 2, "wide strings are UTF-16 code units");
