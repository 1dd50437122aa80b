// Writing one finding in each format, and the limit. A person reads the same
// words in all of them: the count that changed, the function and the line's
// description.
#include "lost/finding_formats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include "base/terminal_text.h"
#include "output/code_quality_report.h"
#include "output/finding_reports.h"
#include "output/json_text.h"
#include "output/sarif_log.h"
#include "output/text_escaping.h"

namespace korvcmp {
namespace {

std::string_view changeWord(CoverageChange change) {
    return change == CoverageChange::Lost ? "lost" : "new";
}

char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// Texts of the listing as a terminal or a log shows them safely.
void writeShown(OutputStream& out, std::string_view text) {
    writeTerminalText(text, [&](std::string_view part) { out.write(part); });
}

// "FILE:LINE: lost: COUNT in FUNCTION: DESCRIPTION", the line written most:
// put together in the buffer in one go (the words as writeItemText has them)
// and looked at once for bytes a terminal must not get.
void writeGnuItem(OutputStream& out, const MarkedItem& item) {
    constexpr std::size_t kMaxDigits = 20;  // of a 64-bit number, with its sign
    const std::string_view change = item.change == CoverageChange::Lost ? ": lost: " : ": new: ";
    const std::size_t size = item.file.size() + 1 + kMaxDigits + change.size() + item.count.size() +
                             4 + item.function.size() + 2 + item.description.size() + 1;
    // Every part comes from one line of the listing, at most 4095 characters.
    static_assert(4 * 4096 + 64 < OutputStream::kBufferSize);
    char* const start = out.reserve(size);
    char* at = put(start, item.file);
    *at++ = ':';
    at = std::to_chars(at, at + kMaxDigits, item.sourceLine).ptr;
    at = put(at, change);
    at = put(at, item.count);
    at = put(at, " in ");
    at = put(at, item.function);
    at = put(at, ": ");
    at = put(at, item.description);
    if (isTerminalSafe(std::string_view(start, static_cast<std::size_t>(at - start)))) {
        *at++ = '\n';
        out.commit(at);
        return;
    }
    // Left uncommitted: written again with the bytes shown escaped.
    writeShown(out, item.file);
    out.put(':');
    out.writeInteger(item.sourceLine);
    out.write(change);
    writeItemText(item, [&](std::string_view text) { writeShown(out, text); });
    out.put('\n');
}

void writeGnuNote(OutputStream& out, const UncomparedFile& file) {
    writeShown(out, file.file);
    out.write(": note: not compared (");
    writeShown(out, file.reason);
    out.put(')');
    out.write(kNotComparedNoteText);
    out.put('\n');
}

void writeGitHubItem(OutputStream& out, const MarkedItem& item) {
    const bool lost = item.change == CoverageChange::Lost;
    out.write(lost ? "::warning file=" : "::notice file=");
    writeWorkflowProperty(out, item.file);
    if (item.sourceLine > 0) {
        out.write(",line=");
        out.writeInteger(item.sourceLine);
    }
    out.write(lost ? ",title=Lost coverage::" : ",title=New coverage::");
    writeItemText(item, [&](std::string_view text) { writeWorkflowMessage(out, text); });
    out.put('\n');
}

void writeGitHubNote(OutputStream& out, const UncomparedFile& file) {
    out.write("::notice file=");
    writeWorkflowProperty(out, file.file);
    out.write(",title=Not compared::not compared (");
    writeWorkflowMessage(out, file.reason);
    out.put(')');
    out.write(kNotComparedNoteText);
    out.put('\n');
}

void writeJsonField(OutputStream& out, std::string_view name, std::string_view value) {
    out.write(",\"");
    out.write(name);
    out.write("\":");
    writeJsonString(out, value);
}

void writeJsonField(OutputStream& out, std::string_view name, std::int64_t value) {
    out.write(",\"");
    out.write(name);
    out.write("\":");
    out.writeInteger(value);
}

void writeJsonItem(OutputStream& out, const MarkedItem& item) {
    out.write("{\"change\":\"");
    out.write(changeWord(item.change));
    out.put('"');
    writeJsonField(out, "file", item.file);
    writeJsonField(out, "line", item.sourceLine);
    writeJsonField(out, "function", item.function);
    writeJsonField(out, "count", item.count);
    writeJsonField(out, "column", item.markerColumn);
    writeJsonField(out, "description", item.description);
    writeJsonField(out, "listing_line", item.listingLine);
    out.write("}\n");
}

void writeJsonNote(OutputStream& out, const UncomparedFile& file) {
    out.write("{\"change\":\"not compared\"");
    writeJsonField(out, "file", file.file);
    writeJsonField(out, "reason", file.reason);
    writeJsonField(out, "listing_line", file.listingLine);
    out.write("}\n");
}

// The formats by their names on the command line.
constexpr std::array<std::pair<std::string_view, FindingFormat>, 5> kFormatNames = {{
    {"gnu", FindingFormat::Gnu},
    {"github", FindingFormat::GitHub},
    {"json", FindingFormat::Json},
    {"sarif", FindingFormat::Sarif},
    {"codequality", FindingFormat::CodeQuality},
}};

constexpr std::int64_t kCodeScanningResultLimit = 25000;

// The rules of korvcmp-lost's findings, in the order of their index.
constexpr std::array kRules = {kLostCoverageRule, kNewCoverageRule, kNotComparedRule};
constexpr std::size_t kLostIndex = 0;
constexpr std::size_t kNewIndex = 1;
constexpr std::size_t kNotComparedIndex = 2;
constexpr std::string_view kToolName = "korvcmp-lost";

// The words of an item ("COUNT in FUNCTION: DESCRIPTION"), after `before`.
// Own words and texts of the listing take turns (FindingResult::message).
std::array<std::string_view, 6> itemMessage(std::string_view before, const MarkedItem& item) {
    return {before, item.count, " in ", item.function, ": ", item.description};
}

// The words of a note ("not compared (REASON), so ..."), beginning with `before`.
std::array<std::string_view, 4> noteMessage(std::string_view before, const UncomparedFile& file) {
    return {before, file.reason, ")", kNotComparedNoteText};
}

// The closing line or note of the formats written line by line.
void writeLeftOut(OutputStream& out, FindingFormat format, const FindingsEnd& end) {
    switch (format) {
        case FindingFormat::Gnu:
            out.write("korvcmp-lost: note: ");
            out.write(end.leftOutText);
            out.put('\n');
            break;
        case FindingFormat::GitHub:
            out.write("::notice title=Left out::");
            writeWorkflowMessage(out, end.leftOutText);
            out.put('\n');
            break;
        case FindingFormat::Json:
            out.write("{\"change\":\"left out\"");
            writeJsonField(out, "findings", end.leftOut);
            out.write("}\n");
            break;
        case FindingFormat::Sarif:
        case FindingFormat::CodeQuality:
            break;  // part of their closing
    }
}

}  // namespace

std::optional<FindingFormat> findingFormatNamed(std::string_view name) {
    const auto* entry = std::find_if(kFormatNames.begin(), kFormatNames.end(),
                                     [&](const auto& known) { return known.first == name; });
    if (entry == kFormatNames.end()) {
        return std::nullopt;
    }
    return entry->second;
}

const std::string_view kFindingFormatNames = "gnu, github, json, sarif or codequality";

std::int64_t defaultLimitOf(FindingFormat format) {
    return format == FindingFormat::Sarif ? kCodeScanningResultLimit : 0;
}

void FindingWriter::begin() {
    if (format_ == FindingFormat::Sarif) {
        writeSarifStart(out_, kToolName, kRules);
    } else if (format_ == FindingFormat::CodeQuality) {
        writeCodeQualityStart(out_);
    }
}

void FindingWriter::markedItem(const MarkedItem& item) {
    if (!takesAnother()) {
        return;
    }
    switch (format_) {
        case FindingFormat::Gnu:
            writeGnuItem(out_, item);
            break;
        case FindingFormat::GitHub:
            writeGitHubItem(out_, item);
            break;
        case FindingFormat::Json:
            writeJsonItem(out_, item);
            break;
        case FindingFormat::Sarif:
        case FindingFormat::CodeQuality: {
            const bool lost = item.change == CoverageChange::Lost;
            const bool sarif = format_ == FindingFormat::Sarif;
            const auto message =
                itemMessage(sarif ? "" : (lost ? "Lost coverage: " : "New coverage: "), item);
            const FindingResult result{
                lost ? kLostIndex : kNewIndex, message, item.file, item.sourceLine,
                fingerprints_.ofItem(item.file, item.function, item.description, item.count)};
            if (sarif) {
                writeSarifResult(out_, kRules, result, sarifLocations_, written_ == 1);
            } else {
                writeCodeQualityResult(out_, kRules, result, written_ == 1);
            }
            break;
        }
    }
}

void FindingWriter::uncomparedFile(const UncomparedFile& file) {
    if (!takesAnother()) {
        return;
    }
    switch (format_) {
        case FindingFormat::Gnu:
            writeGnuNote(out_, file);
            break;
        case FindingFormat::GitHub:
            writeGitHubNote(out_, file);
            break;
        case FindingFormat::Json:
            writeJsonNote(out_, file);
            break;
        case FindingFormat::Sarif:
        case FindingFormat::CodeQuality: {
            const bool sarif = format_ == FindingFormat::Sarif;
            const auto message = noteMessage(sarif ? "not compared (" : "Not compared (", file);
            const FindingResult result{kNotComparedIndex, message, file.file, 0,
                                       fingerprints_.ofFile(file.file)};
            if (sarif) {
                writeSarifResult(out_, kRules, result, sarifLocations_, written_ == 1);
            } else {
                writeCodeQualityResult(out_, kRules, result, written_ == 1);
            }
            break;
        }
    }
}

void FindingWriter::finish(std::string_view problem, std::string_view listing) {
    const std::string leftOutText = std::to_string(leftOut_) +
                                    (leftOut_ == 1 ? " finding" : " findings") +
                                    " left out by --limit " + std::to_string(limit_);
    const FindingsEnd end{leftOut_, leftOutText, problem, listing};
    if (leftOut_ > 0) {
        writeLeftOut(out_, format_, end);
    }
    if (format_ == FindingFormat::Sarif) {
        writeSarifEnd(out_, end);
    } else if (format_ == FindingFormat::CodeQuality) {
        writeCodeQualityEnd(out_, end, written_ == 0);
    }
}

}  // namespace korvcmp
