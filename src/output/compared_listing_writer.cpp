// The layout of the compared listing.
#include "output/compared_listing_writer.h"

#include "listing/listing_fields.h"
#include "listing/listing_parser.h"
#include "listing/listing_texts.h"
#include "listing/ter_figures.h"
#include "output/compared_listing_texts.h"
#include "platform/local_time.h"

namespace korvcmp {
namespace {

void writeLine(OutputStream& out, std::string_view text) {
    out.write(text);
    out.put('\n');
}

// A stored line as it is written: with the comparison's markers in their
// columns. A line as long as a read line fits the buffer whole: it is copied
// there at once and its markers put in place, the line's one write.
void writeStoredLine(OutputStream& out, const ListingLine& line) {
    const std::string_view text = line.view();
    if (text.size() < OutputStream::kBufferSize && !text.empty()) {
        char* const to = out.reserve(text.size() + 1);
        std::memcpy(to, text.data(), text.size());
        if ((line.flags & ListingLine::kMarkers) != 0) {
            for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
                const auto at = static_cast<std::size_t>(column);
                if (const char marker = line.markerAt(column); marker != '\0' && at < text.size()) {
                    to[at] = marker;
                }
            }
        }
        to[text.size()] = '\n';
        out.commit(to + text.size() + 1);
        return;
    }
    std::size_t written = 0;
    if ((line.flags & ListingLine::kMarkers) != 0) {
        for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
            const auto at = static_cast<std::size_t>(column);
            if (const char marker = line.markerAt(column); marker != '\0' && at < text.size()) {
                out.write(text.substr(written, at - written));
                out.put(marker);
                written = at + 1;
            }
        }
    }
    out.write(text.substr(written));
    out.put('\n');
}

void writeFunction(OutputStream& out, const FunctionBlock& function, bool functionCoverage) {
    if (function.lineDirective != nullptr) {
        writeStoredLine(out, *function.lineDirective);
    }
    for (const ListingLine* line = function.firstLine; line != nullptr; line = line->next()) {
        writeStoredLine(out, *line);
    }
    if (functionCoverage) {
        return;
    }
    out.put('\n');
    writeTerLine(out, function.terLine, function.newHits, function.lostHits, function.equalHits);
    writeLine(out, function.terLine2);
    writeLine(out, kComparedHyphenRule);
    out.put('\n');
}

void writeFile(OutputStream& out, const MonitoredFile& file, const char* coverageView) {
    out.put('\n');
    out.write(file.monitoredLine);
    if (file.comparable != 0) {
        out.put('\n');
    } else {
        out.write(kNoCompareOpening);
        out.write(file.reason);
        writeLine(out, kNoCompareClosing);
    }
    out.write(file.modeLine);
    out.write("\n\n");
    writeLine(out, kColumnHeading);
    writeLine(out, kComparedEqualsRule);
    out.put('\n');
    for (const ListingLine* include = file.firstInclude; include != nullptr;
         include = include->next()) {
        writeStoredLine(out, *include);
    }
    const bool functionCoverage = isFunctionCoverage(file.modeLine, coverageView);
    for (const FunctionBlock* function = file.firstFunction; function != nullptr;
         function = function->next) {
        writeFunction(out, *function, functionCoverage);
    }
    out.put('\n');
    writeTerLine(out, file.terLine, file.newHits, file.lostHits, file.equalHits);
    writeLine(out, file.terLine2);
    writeLine(out, kComparedHyphenRule);
    out.write("\n\n");
}

}  // namespace

void writeTerLine(OutputStream& stream, std::string_view terLine, std::int64_t newHits,
                  std::int64_t lostHits, std::int64_t equalHits) {
    const std::size_t place = changeFiguresPlace(terLine);
    stream.write(terLine.substr(0, place));
    stream.put('(');
    stream.write(ChangeFiguresText(changeFiguresOf(newHits, lostHits, equalHits)).view());
    if (!terLine.empty() && terLine.front() == 'T') {
        stream.put(' ');
    }
    if (place == std::string_view::npos) {
        // A TER line without "(": close the parenthesis the figures opened.
        stream.put(')');
    } else {
        stream.write(terLine.substr(place + 1));
    }
    stream.put('\n');
}

std::string currentTimeText() {
    return asctimeText(localTimeNow());
}

void writeComparedListing(OutputStream& out, const ProfileListing& listing1,
                          const ProfileListing& listing2, const char* listing1Path,
                          const char* listing2Path, std::string_view timeText) {
    writeLine(out, kComparedStarsLine);
    for (const std::string_view line : kComparedBannerLines) {
        writeLine(out, line);
    }
    writeLine(out, kComparedStarsLine);
    out.write("\n\n");

    out.write(kInputProfile1Label);
    out.write(listing1Path);
    out.write(" (");
    out.write(listing1.producedAt);
    out.write(")\n");
    out.write(kInputProfile2Label);
    out.write(listing2Path);
    out.write(" (");
    out.write(listing2.producedAt);
    out.write(")\n");
    out.write(kProducedAtLabel);
    out.write(timeText);
    out.write(kCoverageViewLabel);
    out.write(listing2.coverageView);
    out.write("\n\n\n");

    for (const MonitoredFile* file = listing2.firstFile; file != nullptr; file = file->next) {
        writeFile(out, *file, listing2.coverageView);
    }

    out.put('\n');
    writeLine(out, kSummary);
    writeLine(out, kSummaryRule);
    out.put('\n');
    writeLine(out, listing2.sourceFilesLine);
    writeLine(out, listing2.headersExtractedLine);
    writeLine(out, listing2.functionsLine);
    writeLine(out, listing2.sourceLinesLine);
    writeTerLine(out, listing2.terLine, listing2.newHits, listing2.lostHits, listing2.equalHits);
    writeLine(out, listing2.terLine2);
}

}  // namespace korvcmp
