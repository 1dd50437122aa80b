// Texts in Markdown, so that in a table cell they render as the text they
// are, on GitHub and GitLab alike, and can neither break the table nor bring
// in markup, links or HTML: the program's own texts escaped, and every text
// from a listing as a code span, where neither makes a link, a mention of a
// user (@name) or a reference to an issue (#1) of it.
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

// Appends `text` as a code span: between runs of backticks longer than any in
// it (with a blank inside each where it begins or ends with a backtick or
// with blanks); '|' escaped for the table; control characters, line ends
// among them, as blanks; bytes not in valid UTF-8 as U+FFFD; cut as
// appendMarkdownText cuts, with "…" after the span. Nothing for an empty text.
void appendMarkdownCode(std::string& line, std::string_view text);

}  // namespace korvcmp
