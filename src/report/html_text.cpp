// Escaping for HTML: runs of plain bytes are copied in one write; only the
// bytes a table marks are looked at one by one.
#include "report/html_text.h"

#include <array>
#include <cstdint>

#include "base/utf8_sequence.h"

namespace korvcmp {
namespace {

enum ByteClass : std::uint8_t {
    kPlain = 0,
    kMarkup,     // & < > " '
    kControl,    // C0 controls but the tab, and DEL
    kMultibyte,  // 0x80 and above: the start of a UTF-8 sequence, or not valid
};

constexpr std::array<ByteClass, 256> makeByteClasses() {
    std::array<ByteClass, 256> classes{};
    for (int c = 0; c < 0x20; ++c) {
        classes[static_cast<std::size_t>(c)] = kControl;
    }
    classes['\t'] = kPlain;
    classes[0x7F] = kControl;
    for (const char c : {'&', '<', '>', '"', '\''}) {
        classes[static_cast<unsigned char>(c)] = kMarkup;
    }
    for (int c = 0x80; c < 0x100; ++c) {
        classes[static_cast<std::size_t>(c)] = kMultibyte;
    }
    return classes;
}

constexpr std::array<ByteClass, 256> kByteClasses = makeByteClasses();

std::string_view characterReference(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        default:
            return "&#39;";
    }
}

// The C1 controls U+0080 to U+009F, which are valid UTF-8 (C2 80 to C2 9F)
// but control characters all the same.
bool isC1Control(std::string_view sequence) {
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) < 0xA0;
}

}  // namespace

void writeHtmlText(OutputStream& out, std::string_view text) {
    std::size_t runStart = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const ByteClass byteClass = kByteClasses[static_cast<unsigned char>(text[at])];
        if (byteClass == kPlain) {
            ++at;
            continue;
        }
        std::size_t length = 1;
        if (byteClass == kMultibyte) {
            length = utf8SequenceLength(text.substr(at));
            if (length != 0 && !isC1Control(text.substr(at, length))) {
                at += length;  // valid UTF-8 stays in the run
                continue;
            }
            length = length == 0 ? 1 : length;
        }
        out.write(text.substr(runStart, at - runStart));
        out.write(byteClass == kMarkup ? characterReference(text[at]) : kReplacementCharacter);
        at += length;
        runStart = at;
    }
    out.write(text.substr(runStart));
}

}  // namespace korvcmp
