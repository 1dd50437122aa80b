// Texts from a listing on a terminal, in a CI log or on standard error: a
// listing may hold any byte, and an escape sequence or a bell copied from it
// would act on the terminal, and bytes that are not UTF-8 garble the log.
// Every control character but the tab (0x00 to 0x1F, and DEL, 0x7F) and
// every byte that is not part of a valid UTF-8 sequence is shown as "\xHH"
// (hexadecimal, lower case); the rest is copied as it is.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_masks.h"
#include "base/utf8_sequence.h"

namespace korvcmp {

// True for the ASCII bytes shown escaped: the control characters but the tab.
inline bool isControlShownEscaped(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

// "\xHH" for the byte `c`.
inline std::array<char, 4> terminalEscapeOf(unsigned char c) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    return {'\\', 'x', kDigits[c >> 4], kDigits[c & 0xF]};
}

namespace terminal_text_detail {

// The bytes among sixteen that may be shown escaped, as a mask: control
// characters, DEL and every byte of 0x80 and above.
inline std::uint32_t specialMask16(const char* sixteen) {
    return controlOrNonAsciiMask16(sixteen) | matchMask16(sixteen, '\x7f', '\x7f');
}

// The end of the run of bytes from `from` on that are copied as they are.
inline std::size_t plainRunEnd(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size()) {
        // Most text is plain ASCII: sixteen characters at a look, the last
        // look ending at the text's end.
        if (text.size() >= 16) {
            const std::size_t look = std::min(i, text.size() - 16);
            const std::uint32_t special =
                specialMask16(text.data() + look) & ~((std::uint32_t{1} << (i - look)) - 1);
            if (special == 0) {
                i = look + 16;
                continue;
            }
            i = look + static_cast<std::size_t>(std::countr_zero(special));
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (isControlShownEscaped(c)) {
                return i;
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(text.substr(i));
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return i;
}

}  // namespace terminal_text_detail

// True when `text` is written as it is.
inline bool isTerminalSafe(std::string_view text) {
    return terminal_text_detail::plainRunEnd(text, 0) == text.size();
}

// Hands `text`, escaped, to `write` (called with std::string_view parts).
template <typename Write>
void writeTerminalText(std::string_view text, Write write) {
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = terminal_text_detail::plainRunEnd(text, from);
        if (end > from) {
            write(text.substr(from, end - from));
        }
        if (end == text.size()) {
            break;
        }
        const std::array<char, 4> escape = terminalEscapeOf(static_cast<unsigned char>(text[end]));
        write(std::string_view(escape.data(), escape.size()));
        from = end + 1;
    }
}

// `text`, escaped.
inline std::string terminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    writeTerminalText(text, [&](std::string_view part) { shown.append(part); });
    return shown;
}

}  // namespace korvcmp
