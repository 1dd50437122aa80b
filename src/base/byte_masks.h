// Looking at sixteen or sixty-four characters at once: which of them are one
// of two given characters, as a mask of bits. Listings have millions of short
// lines, and testing their characters one by one, or calling a library
// search per line, costs more than the rest of the work on a line. SSE2 is
// part of every x86-64 processor, and AVX2 of most; elsewhere eight
// characters are tested as one 64-bit word.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(KORVCMP_WORD_MASKS)
#include <emmintrin.h>
#define KORVCMP_BYTE_MASKS_SSE2 1
// GCC and Clang build AVX2 code beside the rest and say at run time whether
// the processor has it.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define KORVCMP_BYTE_MASKS_AVX2 1
#endif
#endif

namespace korvcmp {

// The high bit of each byte of `word` that is zero, set exactly: no carry
// runs from byte to byte.
constexpr std::uint64_t zeroByteHighBits(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// Bit i of the result is set when bytes[i] (0 <= i < 16) is `a` or `b`.
// All sixteen characters must be readable. Eight characters are tested as
// one 64-bit word: the way of every processor without SSE2.
inline std::uint32_t matchMask16InWords(const char* bytes, char a, char b) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    std::uint32_t mask = 0;
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + 8 * half, sizeof word);
        const std::uint64_t high =
            zeroByteHighBits(word ^ (kOnes * static_cast<unsigned char>(a))) |
            zeroByteHighBits(word ^ (kOnes * static_cast<unsigned char>(b)));
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

// Bit i of the result is set when bytes[i] (0 <= i < 16) is a control
// character (below the blank) or not ASCII (0x80 and above). All sixteen
// characters must be readable.
inline std::uint32_t controlOrNonAsciiMask16InWords(const char* bytes) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    constexpr std::uint64_t kToBlank = 0x6060606060606060ULL;  // 0x20 + 0x60 = 0x80
    std::uint32_t mask = 0;
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + 8 * half, sizeof word);
        // A byte's low seven bits plus 0x60 reach its high bit exactly when
        // they are the blank or above, and never carry into the next byte.
        const std::uint64_t atLeastBlank = ((word & kLow7) + kToBlank) & kHigh;
        const std::uint64_t high = (~atLeastBlank | word) & kHigh;
        if constexpr (std::endian::native == std::endian::little) {
            mask |= static_cast<std::uint32_t>(((high >> 7) * 0x0102040810204080ULL) >> 56)
                    << (8 * half);
        } else if (high != 0) {
            for (std::size_t i = 0; i < 8; ++i) {
                const auto c = static_cast<unsigned char>(bytes[8 * half + i]);
                mask |= std::uint32_t{c < 0x20 || c >= 0x80} << (8 * half + i);
            }
        }
    }
    return mask;
}

// The same, with SSE2 where the processor has it.
inline std::uint32_t controlOrNonAsciiMask16(const char* bytes) {
#if defined(KORVCMP_BYTE_MASKS_SSE2)
    // Compared as signed bytes, 0x80 and above are below the blank too.
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmplt_epi8(chunk, _mm_set1_epi8(' '))));
#else
    return controlOrNonAsciiMask16InWords(bytes);
#endif
}

// Bit i of the result is set when bytes[i] (0 <= i < 64) is `a` or `b`.
// All sixty-four characters must be readable.
inline std::uint64_t matchMask64(const char* bytes, char a, char b) {
    return std::uint64_t{matchMask16(bytes, a, b)} |
           std::uint64_t{matchMask16(bytes + 16, a, b)} << 16 |
           std::uint64_t{matchMask16(bytes + 32, a, b)} << 32 |
           std::uint64_t{matchMask16(bytes + 48, a, b)} << 48;
}

#if defined(KORVCMP_BYTE_MASKS_AVX2)
// True when the processor runs AVX2 code.
inline bool processorHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}

// matchMask64 in two looks at thirty-two characters; only where
// processorHasAvx2(), and only from code built for AVX2 as well, into which
// it is inlined.
[[gnu::target("avx2")]] inline std::uint64_t matchMask64Avx2(const char* bytes, char a, char b) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32));
    const __m256i wantA = _mm256_set1_epi8(a);
    const __m256i wantB = _mm256_set1_epi8(b);
    const auto lowMask = static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_or_si256(_mm256_cmpeq_epi8(low, wantA), _mm256_cmpeq_epi8(low, wantB))));
    const auto highMask = static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_or_si256(_mm256_cmpeq_epi8(high, wantA), _mm256_cmpeq_epi8(high, wantB))));
    return std::uint64_t{lowMask} | std::uint64_t{highMask} << 32;
}
#endif

}  // namespace korvcmp
