// Looking at sixteen characters at once: which of them are one of two given
// characters, as a mask of sixteen bits. Listings have millions of short
// lines, and testing their characters one by one, or calling a library
// search per line, costs more than the rest of the work on a line. SSE2 is
// part of every x86-64 processor; elsewhere eight characters are tested as
// one 64-bit word.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(KORVCMP_WORD_MASKS)
#include <emmintrin.h>
#define KORVCMP_BYTE_MASKS_SSE2 1
#endif

namespace korvcmp {

// Bit i of the result is set when bytes[i] (0 <= i < 16) is `a` or `b`.
// All sixteen characters must be readable. Eight characters are tested as
// one 64-bit word: the way of every processor without SSE2.
inline std::uint32_t matchMask16InWords(const char* bytes, char a, char b) {
    // The high bit of each byte of a word that is zero is set, exactly (no
    // borrow runs from byte to byte).
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const auto zeroBytes = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
    std::uint32_t mask = 0;
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + 8 * half, sizeof word);
        const std::uint64_t high = zeroBytes(word ^ (kOnes * static_cast<unsigned char>(a))) |
                                   zeroBytes(word ^ (kOnes * static_cast<unsigned char>(b)));
        if constexpr (std::endian::native == std::endian::little) {
            // The eight high bits, gathered into eight bits in memory order.
            mask |= static_cast<std::uint32_t>(((high >> 7) * 0x0102040810204080ULL) >> 56)
                    << (8 * half);
        } else if (high != 0) {
            for (std::size_t i = 0; i < 8; ++i) {
                const char c = bytes[8 * half + i];
                mask |= std::uint32_t{c == a || c == b} << (8 * half + i);
            }
        }
    }
    return mask;
}

// The same, with SSE2 where the processor has it.
inline std::uint32_t matchMask16(const char* bytes, char a, char b) {
#if defined(KORVCMP_BYTE_MASKS_SSE2)
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(chunk, _mm_set1_epi8(a)), _mm_cmpeq_epi8(chunk, _mm_set1_epi8(b)))));
#else
    return matchMask16InWords(bytes, a, b);
#endif
}

}  // namespace korvcmp
