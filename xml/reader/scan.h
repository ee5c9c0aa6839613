#pragma once

// The reader's quick paths: finding the end of a run of bytes of one kind, and widening plain
// ASCII into code units. The runs in game data are short (a name, a number), so most scans are
// byte loops over the class table, unrolled: sixteen-byte SSE2 compares measured slower on names
// and texts. Attribute values and widening do use SSE2, present on every x86 the product runs
// on, with unaligned loads and stores, so nothing depends on how a caller aligned its data or
// its stack; other targets take the byte loops.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "boundary/wide_string.h"
#include "xml/reader/char_class.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define GAMEHOST_XML_SSE2 1
#endif

// The scans run for a few bytes at a time, so a call costs as much as the scan: they are inlined
// into every caller, where their class is usually a constant.
#if defined(__GNUC__)
#define GAMEHOST_XML_SCAN inline __attribute__((always_inline))
#else
#define GAMEHOST_XML_SCAN inline
#endif

namespace detail {

// The first byte at or after p that is in none of the classes `flags` names, or end. Four bytes
// a step, so that the end is compared once for four.
GAMEHOST_XML_SCAN const char* skipWhile(const char* p, const char* end, std::uint8_t flags) {
    const auto in = [flags](char c) { return detail::byteIs(flags, static_cast<unsigned char>(c)); };
    for (; end - p >= 4; p += 4) {
        if (!in(p[0])) return p;
        if (!in(p[1])) return p + 1;
        if (!in(p[2])) return p + 2;
        if (!in(p[3])) return p + 3;
    }
    while (p != end && in(*p)) ++p;
    return p;
}

// The first byte at or after p that is not a plain character or blank (detail::kPlainText,
// detail::kMarkupSpace), or that is `stop`: a quote, or "<", which is neither anyway.
GAMEHOST_XML_SCAN const char* skipPlainOrBlank(const char* p, const char* end, char stop) {
    const std::uint8_t flags = stop == '"'    ? detail::kInDoubleQuotes
                               : stop == '\'' ? detail::kInSingleQuotes
                                              : detail::kPlainText | detail::kMarkupSpace;
    return skipWhile(p, end, flags);
}

#ifdef GAMEHOST_XML_SSE2
// The bytes of [p, p + 16) that may not stand as they are in a value between `quote`s, as bits:
// the quote, "<", "&", control characters but tab, DEL and every byte above it.
inline unsigned notInValue(const char* p, char quote) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i markup = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(quote)),
                                        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&'))));
    // Signed, the bytes above 0x7F are below 0x20 too.
    const __m128i control = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')), _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)));
    const __m128i del = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(markup, control), del)));
}
#endif

// The first byte at or after p that may not stand as it is in a value between `quote`s
// (detail::kInDoubleQuotes, detail::kInSingleQuotes). Values end at a different place every time:
// sixteen bytes a step, the end found from a mask rather than by a byte loop whose exit the
// processor cannot predict.
GAMEHOST_XML_SCAN const char* skipValueBytes(const char* p, const char* end, char quote) {
#ifdef GAMEHOST_XML_SSE2
    for (; end - p >= 16; p += 16)
        if (const unsigned stops = notInValue(p, quote)) return p + __builtin_ctz(stops);
#endif
    return skipWhile(p, end, quote == '"' ? detail::kInDoubleQuotes : detail::kInSingleQuotes);
}

// The first byte at or after p that is not a later character of a name (detail::kName).
GAMEHOST_XML_SCAN const char* skipNameBytes(const char* p, const char* end) { return skipWhile(p, end, detail::kName); }

// skipWhile, and past every UTF-8 sequence of two or three bytes with no overlong form: one that
// decodes to a character from U+0080 to U+FFFF, which belongs to no class and is taken as it
// comes wherever a run of the classes is. `characters` gets how many characters were passed.
// The common run holds none; the one that does goes on in skipWhileAndUtf8.
const char* skipWhileAndUtf8(const char* p, const char* end, std::uint8_t flags, std::size_t& characters);

GAMEHOST_XML_SCAN const char* skipWhileUtf8(const char* p, const char* end, std::uint8_t flags, std::size_t& characters) {
    const char* const stop = skipWhile(p, end, flags);
    if (stop == end || static_cast<unsigned char>(*stop) < 0xC2) {
        characters = static_cast<std::size_t>(stop - p);
        return stop;
    }
    return skipWhileAndUtf8(p, end, flags, characters);
}

// skipValueBytes, and past the UTF-8 sequences skipWhileUtf8 passes.
GAMEHOST_XML_SCAN const char* skipValueUtf8(const char* p, const char* end, char quote, std::size_t& characters) {
    const char* const stop = skipValueBytes(p, end, quote);
    if (stop == end || static_cast<unsigned char>(*stop) < 0xC2) {
        characters = static_cast<std::size_t>(stop - p);
        return stop;
    }
    return skipWhileAndUtf8(p, end, quote == '"' ? detail::kInDoubleQuotes : detail::kInSingleQuotes, characters);
}

// Decodes [from, to), plain ASCII and the sequences skipWhileUtf8 passes, into code units.
inline void widenUtf8(WideChar* out, const char* from, const char* to) {
    while (from != to) {
#ifdef GAMEHOST_XML_SSE2
        if (to - from >= 16) {  // sixteen ASCII bytes at once
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            const int above = _mm_movemask_epi8(bytes);
            if (above == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
                from += 16;
                out += 16;
                continue;
            }
            for (int ascii = __builtin_ctz(static_cast<unsigned>(above)); ascii > 0; --ascii)
                *out++ = static_cast<unsigned char>(*from++);

        }
#endif
        const auto lead = static_cast<unsigned char>(*from++);
        if (lead < 0x80) {
            *out++ = lead;
        } else if (lead < 0xE0) {
            *out++ = static_cast<WideChar>(((lead & 0x1F) << 6) | (static_cast<unsigned char>(*from++) & 0x3F));
        } else {
            const auto second = static_cast<unsigned char>(*from++);
            const auto third = static_cast<unsigned char>(*from++);
            *out++ = static_cast<WideChar>(((lead & 0x0F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F));
        }
    }
}

// Sixteen bytes of plain ASCII as sixteen code units, whatever part of them is wanted: one
// store for every short name or value, with no branch on its length.
inline void widen16(WideChar* to, const char* from) {
#ifdef GAMEHOST_XML_SSE2
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
#else
    for (int i = 0; i < 16; ++i) to[i] = static_cast<unsigned char>(from[i]);
#endif
}

// Copies n bytes of plain ASCII as n code units. Short runs, the common case for names and
// values, take two overlapping blocks of four, eight or sixteen bytes rather than a byte loop;
// the overlap writes the same units twice.
inline void widenAscii(WideChar* to, const char* from, std::size_t n) {
#ifdef GAMEHOST_XML_SSE2
    static_assert(sizeof(WideChar) == 2);
    const __m128i zero = _mm_setzero_si128();
    const auto store16 = [&](std::size_t at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at + 8), _mm_unpackhi_epi8(bytes, zero));
    };
    const auto store8 = [&](std::size_t at) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(bytes, zero));
    };
    const auto store4 = [&](std::size_t at) {
        int word;
        std::memcpy(&word, from + at, sizeof word);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero));
    };
    if (n >= 16) {
        for (std::size_t at = 0; at + 16 <= n; at += 16) store16(at);
        if (n % 16 != 0) store16(n - 16);
    } else if (n >= 8) {
        store8(0);
        store8(n - 8);
    } else if (n >= 4) {
        store4(0);
        store4(n - 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) to[i] = static_cast<unsigned char>(from[i]);
    }
#else
    for (std::size_t i = 0; i < n; ++i) to[i] = static_cast<unsigned char>(from[i]);
#endif
}

}  // namespace detail
