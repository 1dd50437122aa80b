// Writing one finding in each format. A person reads the same words in all
// three: the count that changed, the function and the line's description.
#include "lost/finding_formats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <utility>

#include "lost/text_escaping.h"

namespace korvcmp {
namespace {

constexpr std::string_view kNoteText = ", so its lost coverage cannot be shown";

std::string_view changeWord(CoverageChange change) {
    return change == CoverageChange::Lost ? "lost" : "new";
}

// "COUNT in FUNCTION: DESCRIPTION", the text of an item (the GNU form puts it
// together itself, below).
template <typename WriteText>
void writeItemText(const MarkedItem& item, WriteText writeText) {
    writeText(item.count);
    writeText(" in ");
    writeText(item.function);
    writeText(": ");
    writeText(item.description);
}

char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// "FILE:LINE: lost: COUNT in FUNCTION: DESCRIPTION", the line written most:
// put together in the buffer in one go.
void writeGnuItem(OutputBuffer& out, const MarkedItem& item) {
    constexpr std::size_t kMaxDigits = 20;  // of a 64-bit number, with its sign
    const std::string_view change = item.change == CoverageChange::Lost ? ": lost: " : ": new: ";
    const std::size_t size = item.file.size() + 1 + kMaxDigits + change.size() + item.count.size() +
                             4 + item.function.size() + 2 + item.description.size() + 1;
    // Every part comes from one line of the listing, at most 4095 characters.
    static_assert(4 * 4096 + 64 < OutputBuffer::kCapacity);
    char* at = out.reserve(size);
    at = put(at, item.file);
    *at++ = ':';
    at = std::to_chars(at, at + kMaxDigits, item.sourceLine).ptr;
    at = put(at, change);
    at = put(at, item.count);
    at = put(at, " in ");
    at = put(at, item.function);
    at = put(at, ": ");
    at = put(at, item.description);
    *at++ = '\n';
    out.commit(at);
}

void writeGnuNote(OutputBuffer& out, const UncomparedFile& file) {
    out.write(file.file);
    out.write(": note: not compared (");
    out.write(file.reason);
    out.write(')');
    out.write(kNoteText);
    out.write('\n');
}

void writeGitHubItem(OutputBuffer& out, const MarkedItem& item) {
    const bool lost = item.change == CoverageChange::Lost;
    out.write(lost ? "::warning file=" : "::notice file=");
    writeWorkflowProperty(out, item.file);
    if (item.sourceLine > 0) {
        out.write(",line=");
        out.writeNumber(item.sourceLine);
    }
    out.write(lost ? ",title=Lost coverage::" : ",title=New coverage::");
    writeItemText(item, [&](std::string_view text) { writeWorkflowMessage(out, text); });
    out.write('\n');
}

void writeGitHubNote(OutputBuffer& out, const UncomparedFile& file) {
    out.write("::notice file=");
    writeWorkflowProperty(out, file.file);
    out.write(",title=Not compared::not compared (");
    writeWorkflowMessage(out, file.reason);
    out.write(')');
    out.write(kNoteText);
    out.write('\n');
}

void writeJsonField(OutputBuffer& out, std::string_view name, std::string_view value) {
    out.write(",\"");
    out.write(name);
    out.write("\":");
    writeJsonString(out, value);
}

void writeJsonField(OutputBuffer& out, std::string_view name, std::int64_t value) {
    out.write(",\"");
    out.write(name);
    out.write("\":");
    out.writeNumber(value);
}

void writeJsonItem(OutputBuffer& out, const MarkedItem& item) {
    out.write("{\"change\":\"");
    out.write(changeWord(item.change));
    out.write('"');
    writeJsonField(out, "file", item.file);
    writeJsonField(out, "line", item.sourceLine);
    writeJsonField(out, "function", item.function);
    writeJsonField(out, "count", item.count);
    writeJsonField(out, "column", item.markerColumn);
    writeJsonField(out, "description", item.description);
    writeJsonField(out, "listing_line", item.listingLine);
    out.write("}\n");
}

void writeJsonNote(OutputBuffer& out, const UncomparedFile& file) {
    out.write("{\"change\":\"not compared\"");
    writeJsonField(out, "file", file.file);
    writeJsonField(out, "reason", file.reason);
    writeJsonField(out, "listing_line", file.listingLine);
    out.write("}\n");
}

// The formats by their names on the command line.
constexpr std::array<std::pair<std::string_view, FindingFormat>, 3> kFormatNames = {{
    {"gnu", FindingFormat::Gnu},
    {"github", FindingFormat::GitHub},
    {"json", FindingFormat::Json},
}};

}  // namespace

std::optional<FindingFormat> findingFormatNamed(std::string_view name) {
    const auto* entry = std::find_if(kFormatNames.begin(), kFormatNames.end(),
                                     [&](const auto& known) { return known.first == name; });
    if (entry == kFormatNames.end()) {
        return std::nullopt;
    }
    return entry->second;
}

void FindingWriter::markedItem(const MarkedItem& item) {
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
    }
}

void FindingWriter::uncomparedFile(const UncomparedFile& file) {
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
    }
}

}  // namespace korvcmp
