// Markdown escaping by a table of what each ASCII character becomes, and
// code spans.
#include "report/markdown_text.h"

#include <algorithm>
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

void appendMarkdownCode(std::string& line, std::string_view text) {
    const bool cut = text.size() > kMarkdownCellTextLimit;
    if (cut) {
        // At the start of a character, so that none is split.
        std::size_t end = kMarkdownCellTextLimit;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
        text = text.substr(0, end);
    }
    if (text.empty()) {
        return;
    }
    std::size_t longestRun = 0;
    for (std::size_t run = 0; const char c : text) {
        run = c == '`' ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    const std::string fence(longestRun + 1, '`');
    // A blank inside the fence at each end, which the span drops again, where
    // the text's own first or last character would otherwise be lost.
    const auto blank = [](char c) { return c == ' ' || (c >= 0 && c < 0x20) || c == 0x7F; };
    const bool padded =
        text.front() == '`' || text.back() == '`' || (blank(text.front()) && blank(text.back()));
    line.append(fence);
    if (padded) {
        line.push_back(' ');
    }
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length > 0) {
                line.append(text.substr(i, length));
                i += length;
                continue;
            }
            line.append(kReplacementCharacter);
        } else if (c < 0x20 || c == 0x7F) {
            line.push_back(' ');
        } else if (c == '|') {
            line.append("\\|");  // the table's own escape, taken out before the span is read
        } else {
            line.push_back(static_cast<char>(c));
        }
        ++i;
    }
    if (padded) {
        line.push_back(' ');
    }
    line.append(fence);
    if (cut) {
        line.append("…");
    }
}

}  // namespace korvcmp
