// Masks of matching characters, with SSE2, AVX2 (where the processor has
// it) and in 64-bit words (the way of processors without SSE2, tested here
// on every one), against a test of each character: for every character value
// in every position, and for random text holding newlines, NULs and markers.
#include "base/byte_masks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace korvcmp {
namespace {

std::uint32_t maskOneByOne(const char* bytes, char a, char b) {
    std::uint32_t mask = 0;
    for (int i = 0; i < 16; ++i) {
        mask |= std::uint32_t{bytes[i] == a || bytes[i] == b} << i;
    }
    return mask;
}

TEST(ByteMasks, MatchesATestOfEachCharacter) {
    const std::pair<char, char> pairs[] = {{'\n', '\0'}, {'v', '^'}, {'\x80', '\xff'}, {'a', 'a'}};
    std::mt19937 random(16);
    for (const auto& [a, b] : pairs) {
        SCOPED_TRACE(std::to_string(static_cast<unsigned char>(a)) + " or " +
                     std::to_string(static_cast<unsigned char>(b)));
        // Every character value in every position, among others that differ.
        for (int value = 0; value < 256; ++value) {
            for (int position = 0; position < 16; ++position) {
                std::string bytes(16, 'x');
                bytes[static_cast<std::size_t>(position)] = static_cast<char>(value);
                const std::uint32_t expected = maskOneByOne(bytes.data(), a, b);
                ASSERT_EQ(matchMask16(bytes.data(), a, b), expected) << value << " at " << position;
                ASSERT_EQ(matchMask16InWords(bytes.data(), a, b), expected)
                    << value << " at " << position;
            }
        }
        // Random text with many matches next to each other.
        const std::string alphabet = std::string("\n\0v^ax\x80\xff", 8);
        for (int round = 0; round < 2000; ++round) {
            std::string bytes(16, ' ');
            for (char& c : bytes) {
                c = alphabet[random() % alphabet.size()];
            }
            const std::uint32_t expected = maskOneByOne(bytes.data(), a, b);
            ASSERT_EQ(matchMask16(bytes.data(), a, b), expected);
            ASSERT_EQ(matchMask16InWords(bytes.data(), a, b), expected);
        }
        // Sixty-four characters at once, with AVX2 where the processor has it.
        for (int round = 0; round < 2000; ++round) {
            std::string bytes(64, ' ');
            for (char& c : bytes) {
                c = alphabet[random() % alphabet.size()];
            }
            std::uint64_t expected = 0;
            for (std::size_t quarter = 0; quarter < 4; ++quarter) {
                expected |= std::uint64_t{maskOneByOne(bytes.data() + 16 * quarter, a, b)}
                            << (16 * quarter);
            }
            ASSERT_EQ(matchMask64(bytes.data(), a, b), expected);
#if defined(KORVCMP_BYTE_MASKS_AVX2)
            if (processorHasAvx2()) {
                ASSERT_EQ(matchMask64Avx2(bytes.data(), a, b), expected);
            }
#endif
        }
    }
}

TEST(ByteMasks, FindsControlAndNonAsciiCharacters) {
    for (int value = 0; value < 256; ++value) {
        for (int position = 0; position < 16; ++position) {
            std::string bytes(16, 'x');
            bytes[static_cast<std::size_t>(position)] = static_cast<char>(value);
            const std::uint32_t expected =
                value < 0x20 || value >= 0x80 ? std::uint32_t{1} << position : 0;
            ASSERT_EQ(controlOrNonAsciiMask16(bytes.data()), expected)
                << value << " at " << position;
            ASSERT_EQ(controlOrNonAsciiMask16InWords(bytes.data()), expected)
                << value << " at " << position;
        }
    }
}

}  // namespace
}  // namespace korvcmp
