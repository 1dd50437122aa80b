// Texts of many lines for the line reader's tests, and reading them back:
// shared by the tests that run everywhere and those that need POSIX.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "listing/line_reader.h"

namespace korvcmp::testing {

// `length` letters, starting at `first`.
std::string letters(std::size_t length, char first = 'a');

// The lines tryReadLine delivers until it returns false.
std::vector<std::string> readAll(LineReader& reader);

// About `bytes` of lines of every length a read takes whole, long and short
// mixed, some with CR LF ends, and a last line without newline: lines cross
// the reader's block boundaries at all kinds of places.
struct ManyLines {
    std::string content;
    std::vector<std::string> lines;  // the whole lines, without their line ends
};
ManyLines manyLines(std::size_t bytes = std::size_t{5} << 20);

// Reads everything from `reader` and checks that it gives the lines of
// `text`, then stops where the last line lacks its newline.
void expectReadBack(LineReader& reader, const ManyLines& text);

}  // namespace korvcmp::testing
