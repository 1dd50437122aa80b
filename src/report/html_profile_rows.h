// The rows of a file page's table of profile lines, whichever way its lines
// stand against listing 1's (by position in a compared file, as aligned
// constructs in an edited or moved one): the row's ids, the marker cells
// with the numbered lost items, the links between them, and the cells of a
// line's text. Rows are written lean, with no classes or styles but where a
// line stands out, since a large listing has millions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "listing/listing_model.h"
#include "output/output_stream.h"

namespace korvcmp {

class ProfileRows {
  public:
    // `lostItems`: how many lost markers the table will hold.
    ProfileRows(OutputStream& out, std::int64_t lostItems) : out_(out), lostItems_(lostItems) {}

    // "N lost items: first · last (keys n / p ...)", or "No lost items.".
    void writeLostNavigation();

    // Opens a row with `rowClass` (none when empty) and writes its first
    // cell, `line` (blank when 0). The first row of each source line is
    // addressed "L<line>", and a function's first row (`functionIndex` not
    // negative) "F<functionIndex>".
    void startRow(std::uint32_t line, std::int64_t functionIndex, std::string_view rowClass = {});
    // The cell of a marker: one element with the class "lost" or "new"
    // holding it, the lost ones numbered for the navigation; empty for '\0'.
    void writeMarker(char marker);
    // The coverage flag of `text` and its description, each in its cell.
    void writeFlagCell(std::string_view text);
    void writeDescriptionCell(std::string_view text);
    // Ends the row that started when `lostBefore` lost items had been
    // written: with links to the lost items around it when it holds some.
    void endRow(std::int64_t lostBefore);
    // An include line or a "#line" directive, as it stands, its text after
    // `cellsBefore` empty cells.
    void writeTextRow(const ListingLine& line, int cellsBefore);

    std::int64_t lostWritten() const { return lostWritten_; }

  private:
    // True the first time `line` (not 0) is asked for. Line numbers can
    // repeat (after "#line" directives); only the first row of each is
    // addressable. The bits grow with the highest number seen, so a short
    // page costs little.
    bool claimLine(std::uint32_t line);

    OutputStream& out_;
    const std::int64_t lostItems_;
    std::int64_t lostWritten_ = 0;
    std::vector<std::uint64_t> linesSeen_;
};

}  // namespace korvcmp
