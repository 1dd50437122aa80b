// Escaping by tables of the characters each format must not carry as they are.
#include "output/text_escaping.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "base/byte_masks.h"
#include "base/terminal_text.h"
#include "base/utf8_sequence.h"
#include "output/json_text.h"

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
// command or must not reach the log as they are, as a mask: a superset of
// what writeWorkflowText escapes, at one look.
std::uint32_t workflowSpecialMask16(const char* sixteen, bool inProperty) {
    const std::uint32_t always =
        matchMask16(sixteen, '%', '\x7f') | controlOrNonAsciiMask16(sixteen);
    return inProperty ? always | matchMask16(sixteen, ':', ',') : always;
}

// The runner's escapes (% CR LF, and : , in a property), and "\xHH" for the
// other bytes that must not reach the log (base/terminal_text.h).
void writeWorkflowText(OutputStream& out, std::string_view text, bool inProperty) {
    std::size_t plainFrom = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        // Most text needs no escape: sixteen characters at a look, the last
        // look ending at the text's end, up to the first that may.
        if (text.size() >= 16) {
            const std::size_t look = std::min(i, text.size() - 16);
            const std::uint32_t special = workflowSpecialMask16(text.data() + look, inProperty) &
                                          ~((std::uint32_t{1} << (i - look)) - 1);
            if (special == 0) {
                i = look + 16;
                continue;
            }
            i = look + static_cast<std::size_t>(std::countr_zero(special));
        }
        const auto c = static_cast<unsigned char>(text[i]);
        std::string_view escape = workflowEscapeOf(text[i], inProperty);
        std::array<char, 4> shown{};
        if (escape.empty()) {
            const std::size_t valid =
                c >= 0x80 ? utf8SequenceLength(text.substr(i)) : (isControlShownEscaped(c) ? 0 : 1);
            if (valid > 0) {
                i += valid;
                continue;
            }
            shown = terminalEscapeOf(c);
            escape = std::string_view(shown.data(), shown.size());
        }
        out.write(text.substr(plainFrom, i - plainFrom));
        out.write(escape);
        plainFrom = ++i;
    }
    out.write(text.substr(plainFrom));
}

}  // namespace

void writeWorkflowProperty(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/true);
}

void writeWorkflowMessage(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/false);
}

void writeJsonMessage(OutputStream& out, std::span<const std::string_view> message) {
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (i % 2 == 0) {
            out.write(message[i]);
        } else {
            writeJsonText(out, message[i]);
        }
    }
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

}  // namespace korvcmp
