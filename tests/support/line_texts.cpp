// Texts of many lines for the line reader's tests, and reading them back.
#include "support/line_texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace korvcmp::testing {

std::string letters(std::size_t length, char first) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(static_cast<char>('a' + (first - 'a' + i) % 26));
    }
    return text;
}

std::vector<std::string> readAll(LineReader& reader) {
    std::vector<std::string> lines;
    while (reader.tryReadLine()) {
        lines.emplace_back(reader.lineBuffer);
    }
    return lines;
}

ManyLines manyLines(std::size_t bytes) {
    std::minstd_rand random(20250305);
    ManyLines text;
    while (text.content.size() < bytes) {
        const bool crlf = random() % 4 == 0;
        std::size_t length = text.lines.size() % 3 == 0 ? random() % 4096 : random() % 40;
        if (text.lines.size() % 97 == 0) {
            length = 4095;
        }
        if (crlf && length == 4095) {
            length = 4094;
        }
        text.lines.push_back(letters(length, static_cast<char>('a' + text.lines.size() % 26)));
        text.content += text.lines.back() + (crlf ? "\r\n" : "\n");
    }
    text.content += "last line without newline";
    return text;
}

void expectReadBack(LineReader& reader, const ManyLines& text) {
    const std::vector<std::string> lines = readAll(reader);
    EXPECT_EQ(lines.size(), text.lines.size());
    EXPECT_TRUE(lines == text.lines);
    EXPECT_EQ(reader.lineCounter, static_cast<std::int64_t>(text.lines.size() + 1));
    EXPECT_FALSE(reader.tryReadLine());
    EXPECT_EQ(reader.lineCounter, static_cast<std::int64_t>(text.lines.size() + 1));
}

}  // namespace korvcmp::testing
