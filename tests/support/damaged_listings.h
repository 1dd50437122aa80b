// Damaged forms of a listing's text, for tests that feed damage through the
// whole pipeline: cut short, a line dropped, doubled or made too long, bytes
// flipped, a NUL put in.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvcmp::testing {

struct Variant {
    std::string family;
    std::string content;
    // For damage to listing 2 that every reader must meet: the read error
    // expected for it, with the line it names (the path is filled in later).
    std::optional<int> readErrorLine;
};

// The damaged forms of `text`: cut after every line, every line dropped;
// every other line cut in half, doubled or made too long; bytes flipped and
// NULs put in at positions spread over the text. `exactReadErrors` asks for
// the expected read error of the damage that makes a line unreadable, which
// holds for listing 2: every line of it is read, up to its end.
std::vector<Variant> variantsOf(const std::string& text, bool exactReadErrors);

}  // namespace korvcmp::testing
