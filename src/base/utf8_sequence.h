// UTF-8 as the writers of HTML and JSON need it: how long the valid sequence
// at a place is, so that valid text is copied as it is and every other byte
// is written as the replacement character U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvcmp {

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

inline bool isUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of `text`, whose first
// byte is 0x80 or above; 0 when there is none (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
inline std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        secondHigh = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < secondLow || byte(1) > secondHigh) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isUtf8Continuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

}  // namespace korvcmp
