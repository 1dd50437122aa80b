// The aligned table of profile lines of an edited or moved file.
#include "report/html_aligned_lines.h"

#include <string_view>

#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "report/html_text.h"

namespace korvcmp {
namespace {

// The cells before a text row's text: line, old line, both runs' counts with
// the markers, the flag and the change.
constexpr int kCellsBeforeText = 10;

// The marker an item's change shows in listing 2's line: gained is new
// coverage, lost is lost coverage; kept, added and deleted items have none.
char markerOf(ItemChange change) {
    switch (change) {
        case ItemChange::Gained:
            return kNewMarker;
        case ItemChange::Lost:
            return kLostMarker;
        default:
            return '\0';
    }
}

void writeCountCells(OutputStream& out, const ListingLine* line) {
    const std::string_view text = line != nullptr ? line->view() : std::string_view{};
    out.write("<td>");
    writeHtmlText(out, trueCountOf(text));
    out.write("<td>");
    writeHtmlText(out, falseCountOf(text));
}

void writeAlignedRow(OutputStream& out, ProfileRows& rows, const AlignedLine& aligned,
                     const AlignedFunction& function, std::int64_t functionIndex) {
    const ListingLine* line1 = aligned.line1;
    const ListingLine* line2 = aligned.line2;
    // A deleted line has no place in listing 2's source: no address, its old
    // number in the column of old numbers.
    rows.startRow(line2 != nullptr ? line2->lineNumber : 0, functionIndex,
                  line1 == nullptr   ? "added"
                  : line2 == nullptr ? "deleted"
                                     : "");
    out.write("<td>");
    if (line1 != nullptr && line1->lineNumber != 0 &&
        (line2 == nullptr || line2->lineNumber != line1->lineNumber)) {
        out.writeInteger(line1->lineNumber);
    }
    writeCountCells(out, line1);
    const std::int64_t lostBefore = rows.lostWritten();
    const std::string_view text2 = line2 != nullptr ? line2->view() : std::string_view{};
    out.write("<td>");
    writeHtmlText(out, trueCountOf(text2));
    rows.writeMarker(markerOf(aligned.trueItem));
    out.write("<td>");
    writeHtmlText(out, falseCountOf(text2));
    rows.writeMarker(markerOf(aligned.falseItem));
    // A deleted line shows listing 1's flag and description.
    const std::string_view shown = line2 != nullptr   ? text2
                                   : line1 != nullptr ? line1->view()
                                                      : std::string_view{};
    rows.writeFlagCell(shown);
    out.write("<td>");
    if (line1 == nullptr) {
        out.write("added");
    } else if (line2 == nullptr) {
        out.write("deleted");
    } else if (function.pairedByBody && functionIndex >= 0) {
        // The FUNCTION lines of a renamed function.
        std::string_view name = descriptionOf(line1->view());
        if (name.starts_with(kFunction)) {
            name.remove_prefix(kFunction.size());
        }
        out.write("renamed from ");
        writeHtmlText(out, name);
    }
    rows.writeDescriptionCell(shown);
    rows.endRow(lostBefore);
}

}  // namespace

std::int64_t lostItemsOf(const SectionAlignment& alignment) {
    std::int64_t lost = 0;
    for (const AlignedFunction& function : alignment.functions) {
        for (const AlignedLine& line : function.lines) {
            lost += line.trueItem == ItemChange::Lost ? 1 : 0;
            lost += line.falseItem == ItemChange::Lost ? 1 : 0;
        }
    }
    return lost;
}

void writeAlignedLineTable(OutputStream& out, ProfileRows& rows, const MonitoredFile& file2,
                           const SectionAlignment& alignment) {
    out.write(
        "<h2>Profile lines</h2>\n<div class=\"wrap\">\n<table class=\"pl al\">\n<thead><tr>"
        "<th>Line<th><abbr title=\"The line in run 1 where it moved or was deleted\">Was</abbr>"
        "<th>Hits/true 1<th>False 1<th>Hits/true 2<th><span class=\"vh\">Mark</span>"
        "<th>False 2<th><span class=\"vh\">Mark</span><th><abbr title=\"Coverage flag: - where "
        "not covered (run 1's on a deleted line, else run 2's)\">Flag</abbr><th>Change"
        "<th>Description<th><span class=\"vh\">Previous and next lost item</span></tr>"
        "</thead>\n<tbody>\n");
    for (const ListingLine* include = file2.firstInclude; include != nullptr;
         include = include->next()) {
        rows.writeTextRow(*include, kCellsBeforeText);
    }
    std::int64_t functionIndex = 0;
    for (const AlignedFunction& function : alignment.functions) {
        const FunctionBlock* block =
            function.function2 != nullptr ? function.function2 : function.function1;
        if (block != nullptr && block->lineDirective != nullptr) {
            rows.writeTextRow(*block->lineDirective, kCellsBeforeText);
        }
        std::int64_t rowFunction = functionIndex;
        for (const AlignedLine& line : function.lines) {
            if (line.line1 == nullptr && line.line2 == nullptr) {
                continue;
            }
            writeAlignedRow(out, rows, line, function, rowFunction);
            rowFunction = -1;
        }
        ++functionIndex;
    }
    out.write("</tbody>\n</table>\n</div>\n");
}

}  // namespace korvcmp
