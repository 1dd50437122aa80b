// The listing grammar: header, file sections, function sections and summary.
#include "listing/listing_parser.h"

#include <cstring>

#include "base/fatal.h"
#include "base/arena.h"
#include "driver/process_state.h"
#include "listing/line_input.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp {
namespace {

constexpr std::string_view kBannerLine =
    "*           Korvo, Test Coverage Analyzer for C/C++, Version";
constexpr std::string_view kTitleLine =
    "*                         EXECUTION PROFILE LISTING                         *";
constexpr std::string_view kProducedAtLabel = "Listing produced at   : ";
constexpr std::string_view kCoverageViewLabel = "Coverage view         : ";
constexpr std::string_view kMonitored = "MONITORED ";
constexpr std::string_view kSummary = "SUMMARY";
constexpr std::string_view kModeLabel = "INSTRUMENTATION MODE  : ";
constexpr std::string_view kColumnHeading = " HITS/TRUE      FALSE    LINE DESCRIPTION";
constexpr std::string_view kEqualsRule = "========================";
constexpr std::string_view kInclude = "#include ";
constexpr std::string_view kTer = "***TER";
constexpr std::string_view kFileRule = "-----------------------";
constexpr std::string_view kFunctionRule = "---------------------";
constexpr std::string_view kSummaryRule = "=======";
constexpr std::string_view kSourceFilesLabel = "Source files       : ";
constexpr std::string_view kHeadersExtractedLabel = "Headers extracted  : ";
constexpr std::string_view kFunctionsLabel = "Functions          : ";
constexpr std::string_view kSourceLinesLabel = "Source lines       : ";
constexpr std::string_view kSummaryTerLabel = "TER                : ";
constexpr std::string_view kFunctionOnlyMode = "INSTRUMENTATION MODE  : functi";
constexpr std::string_view kFunctionOnlyView = "Reduced to function coverage";
constexpr std::string_view kLineDirective = "#line ";
constexpr std::string_view kFunction = "FUNCTION ";
constexpr std::size_t kMinFunctionLineLength = 40;

constexpr const char* kHeaderMessage =
    "Input does not look like a valid korvrpt-generated execution profile listing, file: "
    "\"%s\" near/before line %i";
constexpr const char* kSectionMessage = "Problem in input \"%s\" near line %i";
constexpr const char* kSummaryMessage = "Something wrong in file \"%s\" end summary, near line %i";
constexpr const char* kSkipReadMessage = "Read error of file %s near line %i";
constexpr const char* kListing1EndMessage = "Input file %s end looks erroneous, near line %i";

char* storeCurrentLine() {
    return copyText(process.lineBuffer);
}

bool startsWith(const char* text, std::string_view prefix) {
    return text != nullptr && std::strncmp(text, prefix.data(), prefix.size()) == 0;
}

// True when the current line holds `word` from column 30 on.
bool descriptionStartsWith(std::string_view word) {
    return process.lineBuffer.size() >= kDescriptionColumn + word.size() &&
           process.lineBuffer.substr(kDescriptionColumn, word.size()) == word;
}

bool isFunctionLine() {
    return process.lineBuffer.size() >= kMinFunctionLineLength && descriptionStartsWith(kFunction);
}

// Fails the section being read unless the current line passes `test`.
[[noreturn]] void sectionProblem(const InputStream& stream) {
    fatal(kSectionMessage, pathOf(stream), process.lineCounter);
}

void expectStart(const InputStream& stream, std::string_view literal) {
    if (!lineStartsWith(literal)) {
        sectionProblem(stream);
    }
}

void expectEqual(const InputStream& stream, std::string_view literal) {
    if (!lineEquals(literal)) {
        sectionProblem(stream);
    }
}

// Reads the next line of a section and checks it.
void nextStartingWith(InputStream& stream, std::string_view literal) {
    readLine(stream);
    expectStart(stream, literal);
}

void nextEqualTo(InputStream& stream, std::string_view literal) {
    readLine(stream);
    expectEqual(stream, literal);
}

char* nextStored(InputStream& stream) {
    readLine(stream);
    return storeCurrentLine();
}

// How the current line of `stream` can be kept.
TextSource sourceOf(const InputStream& stream) {
    return stream.piecesStayValid() ? TextSource::Stable : TextSource::Transient;
}

void storeProfileLine(FunctionBlock& function, TextSource source) {
    ListingLine* line = process.currentLineStore->append(function.firstLine, function.lastLine,
                                                         process.lineBuffer, source);
    line->flags |= ListingLine::kProfileLine;
    if (!process.classifyLater) {
        classifyProfileLine(*line);
    }
}

// The summary lines of listing 2, each read and checked against its label.
void summaryLine(std::string_view label, char*& field) {
    readLine(process.listing2Stream);
    if (!lineStartsWith(label)) {
        fatal(kSummaryMessage, process.listing2Path, process.lineCounter);
    }
    field = storeCurrentLine();
}

}  // namespace

bool isFunctionCoverage(const char* modeLine, const char* coverageView) {
    return startsWith(modeLine, kFunctionOnlyMode) || startsWith(coverageView, kFunctionOnlyView);
}

void openListing(const char* path, InputStream& stream, ProfileListing& listing) {
    listing.producedAt = nullptr;
    listing.coverageView = nullptr;
    listing.firstFile = nullptr;
    listing.lastFile = nullptr;
    // Listing 2 is kept whole until it is written: mapped, its lines need no
    // copies. Listing 1 is read section by section and forgotten, through
    // memory that is used again and again, which costs less than mapping.
    if (!stream.open(path, &stream == &process.listing2Stream)) {
        fatal("Cannot open file \"%s\"", path);
    }
    readLine(stream);
    readLine(stream);
    if (!lineStartsWith(kBannerLine)) {
        fatal(kHeaderMessage, path, process.lineCounter);
    }
    readLine(stream);
    readLine(stream);
    if (!lineEquals(kTitleLine)) {
        fatal(kHeaderMessage, path, process.lineCounter);
    }
    for (;;) {
        readLine(stream);
        if (lineStartsWith(kMonitored) || lineStartsWith(kSummary)) {
            break;
        }
        if (lineStartsWith(kProducedAtLabel)) {
            listing.producedAt = copyText(process.lineBuffer.substr(kProducedAtLabel.size()));
        } else if (lineStartsWith(kCoverageViewLabel)) {
            listing.coverageView = copyText(process.lineBuffer.substr(kCoverageViewLabel.size()));
        }
    }
    if (listing.producedAt == nullptr || listing.coverageView == nullptr) {
        fatal(kHeaderMessage, path, process.lineCounter);
    }
}

void parseFileSection(ProfileListing& listing, InputStream& stream) {
    auto* file = newRecord<MonitoredFile>();
    appendToList(listing.firstFile, listing.lastFile, file);

    file->monitoredLine = storeCurrentLine();
    nextStartingWith(stream, kModeLabel);
    file->modeLine = storeCurrentLine();
    nextEqualTo(stream, "");
    nextEqualTo(stream, kColumnHeading);
    nextStartingWith(stream, kEqualsRule);
    nextEqualTo(stream, "");

    readLine(stream);
    while (lineStartsWith(kInclude)) {
        process.currentLineStore->append(file->firstInclude, file->lastInclude, process.lineBuffer,
                                         sourceOf(stream));
        readLine(stream);
    }

    // The function sections, each optionally preceded by its "#line " line. A
    // directive that is not followed by a FUNCTION line belongs to nothing.
    for (;;) {
        ListingLine* lineDirective = nullptr;
        if (descriptionStartsWith(kLineDirective)) {
            lineDirective = process.currentLineStore->single(process.lineBuffer, sourceOf(stream));
            readLine(stream);
        }
        if (!isFunctionLine()) {
            break;
        }
        parseFunctionSection(listing, file->modeLine, stream, lineDirective);
    }

    expectEqual(stream, "");
    nextStartingWith(stream, kTer);
    file->terLine = storeCurrentLine();
    file->terLine2 = nextStored(stream);
    nextStartingWith(stream, kFileRule);
    nextEqualTo(stream, "");
    nextEqualTo(stream, "");
    nextEqualTo(stream, "");
    readLine(stream);
}

void parseFunctionSection(ProfileListing& listing, const char* modeLine, InputStream& stream,
                          ListingLine* lineDirective) {
    auto* function = newRecord<FunctionBlock>();
    function->lineDirective = lineDirective;

    const TextSource source = sourceOf(stream);
    if (isFunctionCoverage(modeLine, listing.coverageView)) {
        storeProfileLine(*function, source);
        readLine(stream);
    } else {
        do {
            storeProfileLine(*function, source);
            readLine(stream);
        } while (!lineEquals(""));
        nextStartingWith(stream, kTer);
        function->terLine = storeCurrentLine();
        function->terLine2 = nextStored(stream);
        nextStartingWith(stream, kFunctionRule);
        nextEqualTo(stream, "");
        readLine(stream);
    }
    appendToList(listing.lastFile->firstFunction, listing.lastFile->lastFunction, function);
}

void parseListing2Files(const SectionRead& sectionRead) {
    while (lineStartsWith(kMonitored)) {
        parseFileSection(*process.listing2, process.listing2Stream);
        // The index holds views of the stored MONITORED lines, which never move.
        MonitoredFile* file = process.listing2->lastFile;
        process.listing2FilesByMonitoredLine[file->monitoredLine].push_back(file);
        if (sectionRead) {
            sectionRead(*file);
        }
    }
}

void parseListing2Summary() {
    // The line that ended the file sections stands in the place of the
    // "SUMMARY" line and is not examined.
    ProfileListing& listing = *process.listing2;
    readLine(process.listing2Stream);
    if (!lineEquals(kSummaryRule)) {
        fatal(kSummaryMessage, process.listing2Path, process.lineCounter);
    }
    readLine(process.listing2Stream);
    if (!lineEquals("")) {
        fatal(kSummaryMessage, process.listing2Path, process.lineCounter);
    }
    summaryLine(kSourceFilesLabel, listing.sourceFilesLine);
    summaryLine(kHeadersExtractedLabel, listing.headersExtractedLine);
    summaryLine(kFunctionsLabel, listing.functionsLine);
    summaryLine(kSourceLinesLabel, listing.sourceLinesLine);
    summaryLine(kSummaryTerLabel, listing.terLine);
    summaryLine(kSummaryTerLabel, listing.terLine2);
    // Text after the second TER line that ends without a newline is no whole
    // line and is accepted.
    if (tryReadLine(process.listing2Stream)) {
        fatal(kSummaryMessage, process.listing2Path, process.lineCounter);
    }
}

bool listing2HasFile(std::string_view monitoredLine) {
    return process.listing2FilesByMonitoredLine.contains(monitoredLine);
}

void parseListing1Files(const SectionRead& sectionRead) {
    InputStream& stream = process.listing1Stream;
    while (lineStartsWith(kMonitored)) {
        if (listing2HasFile(process.lineBuffer)) {
            parseFileSection(*process.listing1, stream);
            if (sectionRead) {
                sectionRead(*process.listing1->lastFile);
            }
            continue;
        }
        // A section listing 2 does not have is skipped without any test.
        do {
            if (!tryReadLine(stream)) {
                fatal(kSkipReadMessage, process.listing1Path, process.lineCounter);
            }
        } while (!lineStartsWith(kMonitored) && !lineStartsWith(kSummary));
    }
    if (!lineStartsWith(kSummary)) {
        fatal(kListing1EndMessage, process.listing1Path, process.lineCounter);
    }
}

}  // namespace korvcmp
