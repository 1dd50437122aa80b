// Escaping by tables of the characters each format must not carry as they are.
#include "lost/text_escaping.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "base/byte_masks.h"

namespace korvcmp {
namespace {

// The escape of `c` in a workflow command; empty when it stays as it is.
std::string_view workflowEscapeOf(char c, bool inProperty) {
    switch (c) {
        case '%':
            return "%25";
        case '\r':
            return "%0D";
        case '\n':
            return "%0A";
        case ':':
            return inProperty ? "%3A" : "";
        case ',':
            return inProperty ? "%2C" : "";
        default:
            return "";
    }
}

// The characters among sixteen that may need an escape in a workflow
// command, as a mask: the same test as workflowEscapeOf, at one look.
std::uint32_t workflowSpecialMask16(const char* sixteen, bool inProperty) {
    const std::uint32_t always = matchMask16(sixteen, '%', '\r') | matchMask16(sixteen, '\n', '\n');
    return inProperty ? always | matchMask16(sixteen, ':', ',') : always;
}

void writeWorkflowText(OutputStream& out, std::string_view text, bool inProperty) {
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Most text needs no escape: sixteen characters at a look, up to the
        // first that may.
        while (text.size() - i >= 16) {
            const std::uint32_t special = workflowSpecialMask16(text.data() + i, inProperty);
            if (special != 0) {
                i += static_cast<std::size_t>(std::countr_zero(special));
                break;
            }
            i += 16;
        }
        if (i == text.size()) {
            break;
        }
        const std::string_view escape = workflowEscapeOf(text[i], inProperty);
        if (!escape.empty()) {
            out.write(text.substr(plainFrom, i - plainFrom));
            out.write(escape);
            plainFrom = i + 1;
        }
    }
    out.write(text.substr(plainFrom));
}

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of `text`, whose first
// byte is 0x80 or above; 0 when there is none (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t utf8SequenceLength(std::string_view text) {
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
        if (!isContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

// The escape of an ASCII character in a JSON string; empty when it stays.
std::string_view jsonEscapeOf(unsigned char c, char (&hex)[7]) {
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
            break;
    }
    if (c >= 0x20) {
        return "";
    }
    constexpr std::string_view kDigits = "0123456789abcdef";
    hex[0] = '\\';
    hex[1] = 'u';
    hex[2] = '0';
    hex[3] = '0';
    hex[4] = kDigits[c >> 4];
    hex[5] = kDigits[c & 0xF];
    hex[6] = '\0';
    return {hex, 6};
}

// The characters a JSON string holds as they are: ASCII from the blank on,
// except the quote and the backslash.
constexpr std::array<bool, 256> kJsonPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) {
        plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    }
    return plain;
}();

}  // namespace

void writeWorkflowProperty(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/true);
}

void writeWorkflowMessage(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/false);
}

void writeJsonString(OutputStream& out, std::string_view text) {
    out.put('"');
    writeJsonText(out, text);
    out.put('"');
}

std::string_view withoutDotSlash(std::string_view path) {
    while (path.starts_with("./") || path.starts_with(".\\")) {
        path.remove_prefix(2);
    }
    return path;
}

void writeJsonPath(OutputStream& out, std::string_view path) {
    path = withoutDotSlash(path);
    out.put('"');
    for (std::size_t backslash = path.find('\\'); backslash != std::string_view::npos;
         backslash = path.find('\\')) {
        writeJsonText(out, path.substr(0, backslash));
        out.put('/');
        path.remove_prefix(backslash + 1);
    }
    writeJsonText(out, path);
    out.put('"');
}

void writeJsonText(OutputStream& out, std::string_view text) {
    std::size_t plainFrom = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        // Most text is plain ASCII: sixteen characters at a look, up to the
        // first that needs one of its own.
        if (text.size() - i >= 16) {
            const char* sixteen = text.data() + i;
            const std::uint32_t special =
                controlOrNonAsciiMask16(sixteen) | matchMask16(sixteen, '"', '\\');
            if (special == 0) {
                i += 16;
                continue;
            }
            i += static_cast<std::size_t>(std::countr_zero(special));
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (kJsonPlain[c]) {
            ++i;  // most characters: one look in the table
            continue;
        }
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length > 0) {
                i += length;
                continue;
            }
            out.write(text.substr(plainFrom, i - plainFrom));
            out.write("\\ufffd");
            plainFrom = ++i;
            continue;
        }
        char hex[7];
        const std::string_view escape = jsonEscapeOf(c, hex);
        if (!escape.empty()) {
            out.write(text.substr(plainFrom, i - plainFrom));
            out.write(escape);
            plainFrom = i + 1;
        }
        ++i;
    }
    out.write(text.substr(plainFrom));
}

}  // namespace korvcmp
