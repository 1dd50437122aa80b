// Escaping by tables of the characters each format must not carry as they are.
#include "output/text_escaping.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/byte_masks.h"
#include "base/terminal_text.h"
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
// command, as a mask: the same test as workflowEscapeOf, at one look.
std::uint32_t workflowSpecialMask16(const char* sixteen, bool inProperty) {
    const std::uint32_t always = matchMask16(sixteen, '%', '\r') | matchMask16(sixteen, '\n', '\n');
    return inProperty ? always | matchMask16(sixteen, ':', ',') : always;
}

void writeWorkflowText(OutputStream& out, std::string_view text, bool inProperty) {
    if (!isTerminalSafe(text)) {
        // The runner's escapes first, then the bytes that must not reach
        // the log shown as "\xHH".
        std::string escaped;
        for (const char c : text) {
            const std::string_view escape = workflowEscapeOf(c, inProperty);
            if (escape.empty()) {
                escaped.push_back(c);
            } else {
                escaped.append(escape);
            }
        }
        writeTerminalText(escaped, [&](std::string_view part) { out.write(part); });
        return;
    }
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

}  // namespace

void writeWorkflowProperty(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/true);
}

void writeWorkflowMessage(OutputStream& out, std::string_view text) {
    writeWorkflowText(out, text, /*inProperty=*/false);
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
