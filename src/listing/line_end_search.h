// Marking where lines end in a block of a listing, sixty-four characters at
// a time, so that cutting each line is then a look at a word or two. Listings
// have millions of short lines, and a library search called once per line
// costs more in setting up than in searching. The marks also stop at a NUL
// character, which a listing line must not hold, so that one pass over the
// bytes serves both tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_masks.h"

namespace korvcmp {

// A character at which a line search stops: the newline, or a NUL.
inline bool isLineStop(char c) {
    return c == '\n' || c == '\0';
}

#if defined(KORVCMP_BYTE_MASKS_AVX2)
// The whole words of markLineStops, thirty-two characters at a look.
[[gnu::target("avx2")]] inline void markWholeWordsAvx2(const char* bytes, std::size_t words,
                                                       std::uint64_t* stops) {
    for (std::size_t word = 0; word < words; ++word) {
        stops[word] = matchMask64Avx2(bytes + 64 * word, '\n', '\0');
    }
}
#endif

// Marks the line stops among the `size` characters at `bytes`: bit i % 64 of
// stops[i / 64] is set when character i is a newline or a NUL. The bits
// after the last character in its word are left clear.
inline void markLineStops(const char* bytes, std::size_t size, std::uint64_t* stops) {
    const std::size_t whole = size / 64;
    std::size_t word = 0;
#if defined(KORVCMP_BYTE_MASKS_AVX2)
    if (processorHasAvx2()) {
        markWholeWordsAvx2(bytes, whole, stops);
        word = whole;
    }
#endif
    for (; word < whole; ++word) {
        stops[word] = matchMask64(bytes + 64 * word, '\n', '\0');
    }
    if (const std::size_t rest = size % 64; rest > 0) {
        std::uint64_t last = 0;
        for (std::size_t i = 0; i < rest; ++i) {
            last |= std::uint64_t{isLineStop(bytes[64 * whole + i])} << i;
        }
        stops[whole] = last;
    }
}

// The words markLineStops needs for `size` characters.
constexpr std::size_t lineStopWords(std::size_t size) {
    return (size + 63) / 64;
}

}  // namespace korvcmp
