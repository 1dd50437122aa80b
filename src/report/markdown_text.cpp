// Markdown escaping by a table of what each ASCII character becomes.
#include "report/markdown_text.h"

#include <array>

#include "base/utf8_sequence.h"

namespace korvcmp {
namespace {

// What an ASCII character becomes in Markdown text; empty where it stays.
constexpr std::array<std::string_view, 128> kMarkdownEscapes = [] {
    std::array<std::string_view, 128> escapes{};
    for (std::size_t c = 0; c < 0x20; ++c) {
        escapes[c] = " ";
    }
    escapes[0x7F] = " ";
    escapes['|'] = "\\|";
    escapes['\\'] = "\\\\";
    escapes['`'] = "\\`";
    escapes['*'] = "\\*";
    escapes['_'] = "\\_";
    escapes['['] = "\\[";
    escapes[']'] = "\\]";
    escapes['~'] = "\\~";
    escapes['!'] = "\\!";
    escapes['$'] = "\\$";
    escapes['<'] = "&lt;";
    escapes['>'] = "&gt;";
    escapes['&'] = "&amp;";
    return escapes;
}();

}  // namespace

void appendMarkdownText(std::string& line, std::string_view text) {
    std::size_t plainFrom = 0;
    std::size_t i = 0;
    const auto flushPlain = [&] { line.append(text.substr(plainFrom, i - plainFrom)); };
    while (i < text.size()) {
        if (i >= kMarkdownCellTextLimit) {
            flushPlain();
            line.append("…");
            return;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length > 0) {
                i += length;
                continue;
            }
            flushPlain();
            line.append(kReplacementCharacter);
        } else if (const std::string_view escape = kMarkdownEscapes[c]; !escape.empty()) {
            flushPlain();
            line.append(escape);
        } else {
            ++i;
            continue;
        }
        plainFrom = ++i;
    }
    flushPlain();
}

}  // namespace korvcmp
