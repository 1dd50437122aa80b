// The shared pieces of the report's pages.
#include "report/html_page_parts.h"

#include <utility>

#include "output/figure_text.h"
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
    // Not deferred: the script marks the page as scripted before the body
    // is laid out (see report.js).
    out.write("\"></script>\n</head>\n<body>\n");
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

// " (14/19)", small, kept on one line.
void writeFraction(OutputStream& out, const TerFigures& figures) {
    out.write(" <small>(");
    out.write(groupedCount(figures.covered));
    out.put('/');
    out.write(groupedCount(figures.total));
    out.write(")</small>");
}

}  // namespace

void writeCoverage(OutputStream& out, const TerFigures& figures) {
    if (!figures.present) {
        out.write("—");
        return;
    }
    out.write(percentText(coverageTenths(figures)));
    writeFraction(out, figures);
}

void writeCoverageChange(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    if (!ter1.present || !ter2.present) {
        out.write("—");
        return;
    }
    out.write(pointsText(coverageTenths(ter1), coverageTenths(ter2)));
}

namespace {

// A percentage as a CSS length, kept within the bar.
void writeBarPercent(OutputStream& out, const TerFigures& figures) {
    const std::int64_t tenths = coverageTenths(figures);
    out.write(percentText(tenths < 0 ? 0 : tenths > 1000 ? 1000 : tenths));
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
    writeBarPercent(out, ter2);
    if (ter1.present) {
        out.write(";--q:");
        writeBarPercent(out, ter1);
    }
    out.write("\">");
    out.write(percentText(coverageTenths(ter2)));
    out.write("</span>");
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
                        const ChangeFigures& change, std::int64_t newOfFilesNotCompared,
                        std::int64_t coveredInRemovedFiles) {
    writeRunCoverageCards(out, ter1, ter2);
    // korvcmp's [hits in 1 + new - lost] counts items of the files it
    // compared, and every covered item of a file it did not compare as new:
    // the cards say so, since the coverage above counts every file.
    writeCardStart(out, "Hits in run 1");
    out.write(groupedCount(change.hits1));
    out.write(" <small>in files compared</small>");
    writeCardEnd(out);
    writeCardStart(out, "New");
    out.write(change.newHits > 0 ? "+" : "");
    out.write(groupedCount(change.newHits));
    if (newOfFilesNotCompared > 0) {
        out.write(" <small>(");
        out.write(groupedCount(change.newHits - newOfFilesNotCompared));
        out.write(" marked ^, ");
        out.write(groupedCount(newOfFilesNotCompared));
        out.write(" covered in files not compared)</small>");
    }
    writeCardEnd(out);
    writeCardStart(out, "Lost", change.lostHits > 0);
    out.write(change.lostHits > 0 ? "−" : "");
    out.write(groupedCount(change.lostHits));
    if (coveredInRemovedFiles > 0) {
        out.write(" <small>(and ");
        out.write(groupedCount(coveredInRemovedFiles));
        out.write(" covered in removed files)</small>");
    }
    writeCardEnd(out);
}

namespace {

// A card of items of one kind: how many, and how many of them are covered.
void writeItemsCard(OutputStream& out, std::string_view label, std::int64_t covered,
                    std::int64_t uncovered) {
    writeCardStart(out, label);
    out.write(groupedCount(covered + uncovered));
    out.write(" <small>(");
    out.write(groupedCount(covered));
    out.write(" covered)</small>");
    writeCardEnd(out);
}

}  // namespace

void writeChangeCards(OutputStream& out, const ChangeCategories& changes) {
    writeCardStart(out, "Changed-code coverage", changes.addedUncovered > 0);
    writeCoverage(out, changedCodeCoverage(changes));
    writeCardEnd(out);
    writeCardStart(out, "Items gained");
    out.write(changes.gained > 0 ? "+" : "");
    out.write(groupedCount(changes.gained));
    writeCardEnd(out);
    writeCardStart(out, "Items lost", changes.lost > 0);
    out.write(changes.lost > 0 ? "−" : "");
    out.write(groupedCount(changes.lost));
    writeCardEnd(out);
    writeItemsCard(out, "Items added", changes.addedCovered, changes.addedUncovered);
    writeItemsCard(out, "Items deleted", changes.deletedCovered, changes.deletedUncovered);
    writeItemsCard(out, "Items kept", changes.keptCovered, changes.keptUncovered);
}

void writeCompactCategories(OutputStream& out, const ChangeCategories& changes) {
    out.write(groupedCount(changes.keptCovered + changes.keptUncovered));
    out.write(" / ");
    out.write(groupedCount(changes.gained));
    out.write(" / ");
    out.write(groupedCount(changes.lost));
    out.write(" / ");
    out.write(groupedCount(changes.addedCovered));
    out.write(" of ");
    out.write(groupedCount(changes.addedCovered + changes.addedUncovered));
    out.write(" / ");
    out.write(groupedCount(changes.deletedCovered + changes.deletedUncovered));
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
        out.write(groupedCount(figure));
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
    // Its items are in no Lost figure: say what listing 1 covered of it.
    if (summary.status == FileStatus::Removed && summary.lostCoverage()) {
        out.write("; ");
        out.write(groupedCount(summary.ter1.covered));
        out.write(" covered in run 1");
    }
}

}  // namespace korvcmp
