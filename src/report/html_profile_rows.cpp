// The rows of a file page's table of profile lines.
#include "report/html_profile_rows.h"

#include "report/html_text.h"

namespace korvcmp {

void ProfileRows::writeLostNavigation() {
    out_.write("<p class=\"nav\">");
    if (lostItems_ == 0) {
        out_.write("No lost items.</p>\n");
        return;
    }
    out_.writeInteger(lostItems_);
    out_.write(lostItems_ == 1 ? " lost item: " : " lost items: ");
    out_.write("<a href=\"#lost1\">first</a> · <a href=\"#lost");
    out_.writeInteger(lostItems_);
    out_.write(
        "\">last</a> <span class=\"keys\">(keys <kbd>n</kbd> / <kbd>p</kbd>: next / "
        "previous)</span></p>\n");
}

bool ProfileRows::claimLine(std::uint32_t line) {
    if (line == 0) {
        return false;
    }
    const std::size_t word = line >> 6;
    const std::uint64_t bit = std::uint64_t{1} << (line & 63);
    if (word >= linesSeen_.size()) {
        linesSeen_.resize(word + 1 + linesSeen_.size());
    }
    if ((linesSeen_[word] & bit) != 0) {
        return false;
    }
    linesSeen_[word] |= bit;
    return true;
}

void ProfileRows::startRow(std::uint32_t line, std::int64_t functionIndex,
                           std::string_view rowClass) {
    const bool firstOfLine = claimLine(line);
    out_.write("<tr");
    if (!rowClass.empty()) {
        out_.write(" class=\"");
        out_.write(rowClass);
        out_.put('"');
    }
    if (functionIndex >= 0) {
        out_.write(" id=\"F");
        out_.writeInteger(functionIndex);
        out_.write(firstOfLine ? "\"><td id=\"L" : "\"><td>");
    } else {
        out_.write(firstOfLine ? " id=\"L" : "><td>");
    }
    if (firstOfLine) {
        out_.writeInteger(line);
        out_.write(functionIndex >= 0 ? "\">" : "\"><td>");
    }
    if (line != 0) {
        out_.writeInteger(line);
    }
}

void ProfileRows::writeMarker(char marker) {
    if (marker == kLostMarker) {
        ++lostWritten_;
        out_.write("<td><span class=\"lost\" id=\"lost");
        out_.writeInteger(lostWritten_);
        out_.write("\">v</span>");
    } else if (marker == kNewMarker) {
        out_.write("<td><span class=\"new\">^</span>");
    } else {
        out_.write("<td>");
    }
}

void ProfileRows::writeFlagCell(std::string_view text) {
    out_.write("<td>");
    if (text.size() > static_cast<std::size_t>(kCoverageFlagColumn) &&
        text[kCoverageFlagColumn] != ' ') {
        writeHtmlText(out_, text.substr(kCoverageFlagColumn, 1));
    }
}

void ProfileRows::writeDescriptionCell(std::string_view text) {
    out_.write("<td>");
    if (text.size() > static_cast<std::size_t>(kDescriptionColumn)) {
        writeHtmlText(out_, text.substr(kDescriptionColumn));
    }
}

void ProfileRows::endRow(std::int64_t lostBefore) {
    if (lostWritten_ != lostBefore) {
        out_.write("<td class=\"nv\">");
        if (lostBefore > 0) {
            out_.write("<a href=\"#lost");
            out_.writeInteger(lostBefore);
            out_.write("\" rel=\"prev\">‹</a>");
        }
        if (lostWritten_ + 1 <= lostItems_) {
            out_.write("<a href=\"#lost");
            out_.writeInteger(lostWritten_ + 1);
            out_.write("\" rel=\"next\">›</a>");
        }
    }
    out_.put('\n');
}

void ProfileRows::writeTextRow(const ListingLine& line, int cellsBefore) {
    std::string_view text = line.view();
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    out_.write("<tr class=\"d\"><td colspan=\"");
    out_.writeInteger(cellsBefore);
    out_.write("\"><td>");
    writeHtmlText(out_, text);
    out_.put('\n');
}

}  // namespace korvcmp
