// The shared pieces of the report's pages.
#include "report/html_page_parts.h"

#include <utility>

#include "report/html_pages.h"
#include "report/html_text.h"

namespace korvcmp {

void writePageStart(OutputStream& out, std::string_view first, std::string_view second,
                    std::string_view assetPrefix) {
    out.write(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"korvcmp-report\">\n<title>");
    writeHtmlText(out, first.empty() ? std::string_view{"Coverage report"} : first);
    if (!second.empty()) {
        out.write(" · ");
        writeHtmlText(out, second);
    }
    out.write("</title>\n<link rel=\"stylesheet\" href=\"");
    out.write(assetPrefix);
    out.write(kStyleSheetName);
    out.write("\">\n<script src=\"");
    out.write(assetPrefix);
    out.write(kScriptName);
    out.write("\" defer></script>\n</head>\n<body>\n");
}

void writePageEnd(OutputStream& out) {
    out.write("</body>\n</html>\n");
}

TerFigures sumOfFigures(std::int64_t covered, std::int64_t total) {
    TerFigures figures;
    figures.present = total > 0;
    figures.covered = covered;
    figures.total = total;
    figures.percent = total > 0 ? covered * 100 / total : 0;
    return figures;
}

namespace {

// " (14/19)", small.
void writeFraction(OutputStream& out, const TerFigures& figures) {
    out.write(" <small>(");
    out.writeInteger(figures.covered);
    out.put('/');
    out.writeInteger(figures.total);
    out.write(")</small>");
}

}  // namespace

void writeCoverage(OutputStream& out, const TerFigures& figures) {
    if (!figures.present) {
        out.write("—");
        return;
    }
    out.writeInteger(figures.percent);
    out.put('%');
    writeFraction(out, figures);
}

void writeCoverageChange(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    if (!ter1.present || !ter2.present) {
        out.write("—");
        return;
    }
    const std::int64_t change = ter2.percent - ter1.percent;
    if (change > 0) {
        out.put('+');
        out.writeInteger(change);
    } else if (change < 0) {
        out.write("−");
        out.writeInteger(-change);
    } else {
        out.put('0');
    }
}

namespace {

// A percentage as a CSS length, kept within the bar.
void writeBarPercent(OutputStream& out, std::int64_t percent) {
    out.writeInteger(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    out.put('%');
}

}  // namespace

void writeCoverageBar(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    if (!ter2.present) {
        out.write("—");
        return;
    }
    // One element: the style sheet draws the fill to --p and the tick at --q
    // behind the percentage.
    out.write("<span class=\"bar\" style=\"--p:");
    writeBarPercent(out, ter2.percent);
    if (ter1.present) {
        out.write(";--q:");
        writeBarPercent(out, ter1.percent);
    }
    out.write("\">");
    out.writeInteger(ter2.percent);
    out.write("%</span>");
    writeFraction(out, ter2);
}

void writeCardStart(OutputStream& out, std::string_view label, bool stressed) {
    out.write(stressed ? "<div class=\"card alarm\"><span>" : "<div class=\"card\"><span>");
    out.write(label);
    out.write("</span><b>");
}

void writeCardEnd(OutputStream& out) {
    out.write("</b></div>\n");
}

void writeRunCoverageCards(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    writeCardStart(out, "Coverage, run 1");
    writeCoverage(out, ter1);
    writeCardEnd(out);
    writeCardStart(out, "Coverage, run 2");
    writeCoverage(out, ter2);
    writeCardEnd(out);
    writeCardStart(out, "Change (points)");
    writeCoverageChange(out, ter1, ter2);
    writeCardEnd(out);
}

void writeCoverageCards(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2,
                        const ChangeFigures& change) {
    writeRunCoverageCards(out, ter1, ter2);
    writeCardStart(out, "Hits in run 1");
    out.writeInteger(change.hits1);
    writeCardEnd(out);
    writeCardStart(out, "New");
    out.write(change.newHits > 0 ? "+" : "");
    out.writeInteger(change.newHits);
    writeCardEnd(out);
    writeCardStart(out, "Lost", change.lostHits > 0);
    out.write(change.lostHits > 0 ? "−" : "");
    out.writeInteger(change.lostHits);
    writeCardEnd(out);
}

void writeChangeCards(OutputStream& out, const ChangeCategories& changes) {
    const std::int64_t added = changes.addedCovered + changes.addedUncovered;
    writeCardStart(out, "Changed-code coverage", changes.addedUncovered > 0);
    writeCoverage(out, changedCodeCoverage(changes));
    writeCardEnd(out);
    writeCardStart(out, "Items gained");
    out.write(changes.gained > 0 ? "+" : "");
    out.writeInteger(changes.gained);
    writeCardEnd(out);
    writeCardStart(out, "Items lost", changes.lost > 0);
    out.write(changes.lost > 0 ? "−" : "");
    out.writeInteger(changes.lost);
    writeCardEnd(out);
    writeCardStart(out, "Items added");
    out.writeInteger(added);
    out.write(" <small>(");
    out.writeInteger(changes.addedCovered);
    out.write(" covered)</small>");
    writeCardEnd(out);
    writeCardStart(out, "Items deleted");
    out.writeInteger(changes.deletedCovered + changes.deletedUncovered);
    out.write(" <small>(");
    out.writeInteger(changes.deletedCovered);
    out.write(" covered)</small>");
    writeCardEnd(out);
    writeCardStart(out, "Items kept");
    out.writeInteger(changes.keptCovered + changes.keptUncovered);
    out.write(" <small>(");
    out.writeInteger(changes.keptCovered);
    out.write(" covered)</small>");
    writeCardEnd(out);
}

void writeCompactCategories(OutputStream& out, const ChangeCategories& changes) {
    out.writeInteger(changes.keptCovered + changes.keptUncovered);
    out.write(" / ");
    out.writeInteger(changes.gained);
    out.write(" / ");
    out.writeInteger(changes.lost);
    out.write(" / ");
    out.writeInteger(changes.addedCovered);
    out.write(" of ");
    out.writeInteger(changes.addedCovered + changes.addedUncovered);
    out.write(" / ");
    out.writeInteger(changes.deletedCovered + changes.deletedUncovered);
}

void writeFullCategories(OutputStream& out, const ChangeCategories& changes) {
    const std::pair<std::string_view, std::int64_t> figures[] = {
        {"kept covered ", changes.keptCovered},
        {", kept uncovered ", changes.keptUncovered},
        {", gained ", changes.gained},
        {", lost ", changes.lost},
        {", added covered ", changes.addedCovered},
        {", added uncovered ", changes.addedUncovered},
        {", deleted covered ", changes.deletedCovered},
        {", deleted uncovered ", changes.deletedUncovered},
    };
    for (const auto& [label, figure] : figures) {
        out.write(label);
        out.writeInteger(figure);
    }
}

void writeFileStatus(OutputStream& out, const FileSummary& summary) {
    if (!summary.movedFrom.empty()) {
        out.write("moved from ");
        writeHtmlText(out, summary.movedFrom);
        return;
    }
    if (summary.edited) {
        out.write("edited");
        return;
    }
    out.write(fileStatusName(summary.status));
    if (summary.status == FileStatus::NotCompared && !summary.reason.empty()) {
        out.write(": ");
        writeHtmlText(out, summary.reason);
    }
}

}  // namespace korvcmp
