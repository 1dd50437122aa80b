// The count fields of a profile line and what a marker after one of them
// counts. A profile line holds a HITS/TRUE field (columns 0 to 9) and a
// FALSE field (columns 11 to 20); a marker stands right after a field, in
// column 10 or 21. Which count a marker belongs to, and what a person calls
// that count, follow from the line's kind: the comparison, korvcmp-lost and
// korvcmp-report all ask here.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "listing/listing_model.h"

namespace korvcmp {

enum class CountField { True, False };

// The HITS/TRUE field and the FALSE field of a profile line as they stand,
// without the blanks around them; empty when the line is too short to have it.
std::string_view trueCountOf(std::string_view text);
std::string_view falseCountOf(std::string_view text);
std::string_view countTextOf(std::string_view text, CountField field);

// The value of the count field in columns `first` to `last` of `text`: blanks
// are skipped wherever they stand and the digits read as one number; the first
// other character (a marker, a '-', a letter, the end of the text) ends it.
// A value beyond 64 bits keeps its last 64 bits.
std::uint64_t countValue(std::string_view text, int first, int last);
std::uint64_t countValueOf(std::string_view text, CountField field);

// What a marker counts: the field its count stands in, and the count's name
// for a person ("calls", "hits", "TRUE outcome", "FALSE outcome",
// "MC/DC pair").
struct MarkedCount {
    CountField field = CountField::True;
    std::string_view name;
};

// The count that a marker in `markerColumn` (10 or 21) of the profile line
// `text` (at least 31 characters) of kind `kind` stands for. A constant
// outcome's lost marker stands in column 10 even when its count is in the
// FALSE field: the field is then the one that holds the count.
MarkedCount markedCountOf(std::string_view text, LineKind kind, int markerColumn);

namespace count_field_detail {

// Eight characters as one little-endian word, with the high bit set in each
// byte that decides.
inline constexpr std::uint64_t kEveryByte = 0x0101010101010101;
inline constexpr std::uint64_t kLowSevenBits = 0x7f7f7f7f7f7f7f7f;

inline std::uint64_t nonZeroBytes(std::uint64_t word) {
    return (((word & kLowSevenBits) + kLowSevenBits) | word) & ~kLowSevenBits;
}

// The bytes that are neither a blank nor '0': the first of them decides.
inline std::uint64_t decidingBytes(std::uint64_t word) {
    return nonZeroBytes(word ^ (kEveryByte * ' ')) & nonZeroBytes(word ^ (kEveryByte * '0'));
}

inline bool isNonZeroDigit(char c) {
    return c >= '1' && c <= '9';
}

// The character of `word` at the first byte marked in `marks` (not 0).
inline char firstMarked(std::uint64_t word, std::uint64_t marks) {
    return static_cast<char>(word >> (std::countr_zero(marks) & ~7));
}

}  // namespace count_field_detail

// True when countValue of the same columns is not 0, read without the
// number: the first character that is neither a blank nor '0' decides. The
// comparison asks this of every count, so a ten-column field is read as two
// overlapping words.
inline bool countIsNonZero(std::string_view text, int first, int last) {
    using namespace count_field_detail;
    const auto from = static_cast<std::size_t>(first);
    if constexpr (std::endian::native == std::endian::little) {
        if (last - first + 1 == 10 && text.size() >= from + 10) {
            std::uint64_t head = 0;
            std::uint64_t tail = 0;
            std::memcpy(&head, text.data() + from, 8);
            std::memcpy(&tail, text.data() + from + 2, 8);
            if (const std::uint64_t marks = decidingBytes(head); marks != 0) {
                return isNonZeroDigit(firstMarked(head, marks));
            }
            // The last two columns are the last two bytes of `tail`.
            const std::uint64_t marks = decidingBytes(tail) & 0x8080000000000000;
            return marks != 0 && isNonZeroDigit(firstMarked(tail, marks));
        }
    }
    for (std::size_t column = from;
         column <= static_cast<std::size_t>(last) && column < text.size(); ++column) {
        const char c = text[column];
        if (c != ' ' && c != '0') {
            return isNonZeroDigit(c);
        }
    }
    return false;
}

}  // namespace korvcmp
