// Texts from a listing in Markdown: escaped so that in a table cell they
// render as the text they are, on GitHub and GitLab alike, and can neither
// break the table nor bring in markup, links or HTML.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvcmp {

// The most of a listing's text one cell shows, in bytes of the text; a
// longer text is cut at a character and ends in "…".
inline constexpr std::size_t kMarkdownCellTextLimit = 400;

// Appends `text` to `line`: '|', '\', '`', '*', '_', '[', ']', '~', '!' and
// '$' with a backslash; '<', '>' and '&' as entities; control characters,
// line ends among them, as blanks; bytes not in valid UTF-8 as U+FFFD.
void appendMarkdownText(std::string& line, std::string_view text);

}  // namespace korvcmp
