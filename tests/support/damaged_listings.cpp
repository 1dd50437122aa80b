// The damaged forms of a listing's text.
#include "support/damaged_listings.h"

#include <cstddef>

namespace korvcmp::testing {
namespace {

struct Lines {
    std::vector<std::string> lines;  // with their newlines
    std::string joined(std::size_t from, std::size_t to) const {
        std::string text;
        for (std::size_t i = from; i < to && i < lines.size(); ++i) {
            text += lines[i];
        }
        return text;
    }
};

Lines splitLines(const std::string& text) {
    Lines result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        result.lines.push_back(text.substr(start, stop - start));
        start = stop;
    }
    return result;
}

// 1-based number of the line that holds byte `position` of `text`.
int lineAt(const std::string& text, std::size_t position) {
    int line = 1;
    for (std::size_t i = 0; i < position; ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

}  // namespace

std::vector<Variant> variantsOf(const std::string& text, bool exactReadErrors) {
    const Lines source = splitLines(text);
    const std::size_t count = source.lines.size();
    const auto expect = [&](std::size_t line) {
        return exactReadErrors ? std::optional<int>(static_cast<int>(line)) : std::nullopt;
    };
    const auto around = [&](std::size_t i, const std::string& replacement) {
        return source.joined(0, i) + replacement + source.joined(i + 1, count);
    };
    std::vector<Variant> variants;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& line = source.lines[i];
        variants.push_back({"cut after a line", source.joined(0, i), expect(i)});
        variants.push_back({"line dropped", around(i, ""), std::nullopt});
        if (i % 2 == 0) {
            variants.push_back({"line doubled", around(i, line + line), std::nullopt});
            continue;
        }
        // Half a line without its newline; an empty line has no half.
        if (line.size() > 1) {
            variants.push_back({"cut inside a line",
                                source.joined(0, i) + line.substr(0, line.size() / 2),
                                expect(i + 1)});
        }
        // Past the read limit: 4096 characters and more before the newline.
        std::string longLine = line;
        longLine.insert(longLine.size() - 1, 4096, 'x');
        variants.push_back({"line too long", around(i, longLine), expect(i + 1)});
    }
    // Each flip changes a different bit. The last byte, the final newline, is
    // left alone: text after it that ends without a newline is no line and
    // is accepted.
    constexpr std::size_t kPositions = 101;
    for (std::size_t k = 0; k < kPositions; ++k) {
        const std::size_t at = (text.size() - 1) * k / kPositions;
        std::string flipped = text;
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (k % 8)));
        variants.push_back({"byte flipped", flipped, std::nullopt});
        if (k % 2 == 0) {
            std::string withNul = text;
            withNul.insert(at, 1, '\0');
            variants.push_back(
                {"NUL put in", withNul, expect(static_cast<std::size_t>(lineAt(text, at)))});
        }
    }
    return variants;
}

}  // namespace korvcmp::testing
