// Figures for people: grouped counts, percentages and points.
#include "output/figure_text.h"

#include <charconv>

namespace korvcmp {
namespace {

constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212

// The digits of `value`, not below 0, in groups of three.
void appendGroupedDigits(FigureText& text, std::uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const std::size_t length = static_cast<std::size_t>(result.ptr - digits);
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0) {
            text.append(',');
        }
        text.append(digits[i]);
    }
}

// "64.4" from 644 tenths, not below 0.
void appendTenths(FigureText& text, std::uint64_t tenths) {
    appendGroupedDigits(text, tenths / 10);
    text.append('.');
    text.append(static_cast<char>('0' + tenths % 10));
}

std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace

void FigureText::append(std::string_view text) {
    const std::size_t room = sizeof chars_ - size_;
    const std::size_t length = text.size() < room ? text.size() : room;
    text.copy(chars_ + size_, length);
    size_ += length;
}

FigureText groupedCount(std::int64_t value) {
    FigureText text;
    if (value < 0) {
        text.append('-');
    }
    appendGroupedDigits(text, magnitude(value));
    return text;
}

std::int64_t percentTenths(std::int64_t covered, std::int64_t total) {
    // Scaled down first where covered * 2000 could overflow.
    while (total > 1'000'000'000'000 || covered > 1'000'000'000'000 ||
           covered < -1'000'000'000'000) {
        covered /= 10;
        total /= 10;
    }
    if (total <= 0) {
        return 0;
    }
    const std::int64_t doubled = covered * 2000 + (covered < 0 ? -total : total);
    return doubled / (2 * total);
}

FigureText percentText(std::int64_t tenths) {
    FigureText text;
    if (tenths < 0) {
        text.append('-');
    }
    appendTenths(text, magnitude(tenths));
    text.append('%');
    return text;
}

FigureText pointsText(std::int64_t tenths1, std::int64_t tenths2) {
    FigureText text;
    const std::int64_t change = tenths2 - tenths1;
    if (change > 0) {
        text.append('+');
    } else if (change < 0) {
        text.append(kMinusSign);
    }
    appendTenths(text, magnitude(change));
    return text;
}

}  // namespace korvcmp
