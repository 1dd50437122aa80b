// JSON strings written in runs: the plain characters between two that need
// an escape are copied at once, sixteen of them tested at a look.
#include "output/json_text.h"

#include <bit>
#include <cstddef>
#include <cstdint>

#include "base/byte_masks.h"
#include "base/utf8_sequence.h"

namespace korvcmp {
namespace {

// The short escapes JSON has for a few characters; empty for the others.
std::string_view shortJsonEscape(unsigned char c) {
    switch (c) {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\b':
            return "\\b";
        case '\f':
            return "\\f";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        default:
            return {};
    }
}

// Where, from `from` on, the next character is that is not plain printable
// ASCII other than '"' and '\'; text.size() when there is none.
std::size_t nextSpecial(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (text.size() - i >= 16) {
        const char* sixteen = text.data() + i;
        const std::uint32_t special =
            controlOrNonAsciiMask16(sixteen) | matchMask16(sixteen, '"', '\\');
        if (special != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(special));
        }
        i += 16;
    }
    for (; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') {
            return i;
        }
    }
    return i;
}

}  // namespace

void writeJsonString(OutputStream& out, std::string_view text) {
    out.put('"');
    writeJsonText(out, text);
    out.put('"');
}

void writeJsonText(OutputStream& out, std::string_view text) {
    std::size_t plainFrom = 0;
    std::size_t i = nextSpecial(text, 0);
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length > 0) {
                i = nextSpecial(text, i + length);  // valid UTF-8 stays in the run
                continue;
            }
        }
        out.write(text.substr(plainFrom, i - plainFrom));
        if (c >= 0x80) {
            out.write("\\ufffd");
        } else if (const std::string_view escape = shortJsonEscape(c); !escape.empty()) {
            out.write(escape);
        } else {
            constexpr std::string_view kHexDigits = "0123456789abcdef";
            out.write("\\u00");
            out.put(kHexDigits[c >> 4]);
            out.put(kHexDigits[c & 0xF]);
        }
        plainFrom = i + 1;
        i = nextSpecial(text, plainFrom);
    }
    out.write(text.substr(plainFrom));
}

}  // namespace korvcmp
