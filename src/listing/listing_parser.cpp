// The listing grammar: header, file sections, function sections and summary.
#include "listing/listing_parser.h"

#include <cstring>

#include "base/fatal.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp {
namespace {

constexpr const char* kHeaderMessage =
    "Input does not look like a valid korvrpt-generated execution profile listing, file: "
    "\"%s\" near/before line %i";
constexpr const char* kSectionMessage = "Problem in input \"%s\" near line %i";
constexpr const char* kSummaryMessage = "Something wrong in file \"%s\" end summary, near line %i";
constexpr const char* kSkipReadMessage = "Read error of file %s near line %i";
constexpr const char* kListing1EndMessage = "Input file %s end looks erroneous, near line %i";

// A header line "Label : value": the label padded to 22 characters, as the
// production time's and the coverage view's are.
bool isHeaderField(std::string_view line) {
    constexpr std::size_t kSeparatorColumn = kProducedAtLabel.size() - 2;
    return line.size() >= kProducedAtLabel.size() && line.front() != '*' &&
           line.substr(kSeparatorColumn, 2) == ": ";
}

bool startsWith(const char* text, std::string_view prefix) {
    return text != nullptr && std::strncmp(text, prefix.data(), prefix.size()) == 0;
}

// Where the profile lines of one function section go and how they are
// classified: the same for the whole section, so the reader's inner loop
// keeps it at hand.
struct ProfileLineStore {
    LineStore& lines;
    FunctionBlock& function;
    TextSource source;
    bool classifyNow;
    const char* listing2CoverageView;

    void store(std::string_view text) const {
        ListingLine* line = lines.append(function.firstLine, function.lastLine, text, source);
        line->flags |= ListingLine::kProfileLine;
        if (classifyNow) {
            classifyProfileLine(*line, listing2CoverageView);
        }
    }
};

}  // namespace

char* ListingParser::storeCurrentLine() const {
    return copyText(*storage_->arena, reader_.lineBuffer);
}

// True when the current line holds `word` from column 30 on.
bool ListingParser::descriptionStartsWith(std::string_view word) const {
    const std::string_view line = reader_.lineBuffer;
    return line.size() >= kDescriptionColumn + word.size() &&
           line.substr(kDescriptionColumn, word.size()) == word;
}

bool ListingParser::isFunctionLine() const {
    return reader_.lineBuffer.size() >= kMinFunctionLineLength && descriptionStartsWith(kFunction);
}

// Fails the section being read at the current line.
void ListingParser::sectionProblem() const {
    fatal(kSectionMessage, reader_.path(), reader_.lineCounter);
}

void ListingParser::expectStart(std::string_view literal) const {
    if (!reader_.lineStartsWith(literal)) {
        sectionProblem();
    }
}

void ListingParser::expectEqual(std::string_view literal) const {
    if (!reader_.lineEquals(literal)) {
        sectionProblem();
    }
}

// Reads the next line of a section and checks it.
void ListingParser::nextStartingWith(std::string_view literal) {
    reader_.readLine();
    expectStart(literal);
}

void ListingParser::nextEqualTo(std::string_view literal) {
    reader_.readLine();
    expectEqual(literal);
}

char* ListingParser::nextStored() {
    reader_.readLine();
    return storeCurrentLine();
}

// How the current line can be kept.
TextSource ListingParser::textSource() const {
    return reader_.stream().piecesStayValid() ? TextSource::Stable : TextSource::Transient;
}

// The summary lines of listing 2, each read and checked against its label.
void ListingParser::summaryLine(std::string_view label, char*& field) {
    reader_.readLine();
    if (!reader_.lineStartsWith(label)) {
        fatal(kSummaryMessage, reader_.path(), reader_.lineCounter);
    }
    field = storeCurrentLine();
}

bool isFunctionCoverage(const char* modeLine, const char* coverageView) {
    return startsWith(modeLine, kFunctionOnlyMode) || startsWith(coverageView, kFunctionOnlyView);
}

void ListingParser::openListing(const char* path, bool mapIfPossible) {
    ProfileListing& listing = listing_;
    listing.producedAt = nullptr;
    listing.coverageView = nullptr;
    listing.headerFields = nullptr;
    listing.firstFile = nullptr;
    listing.lastFile = nullptr;
    if (!reader_.open(path, mapIfPossible)) {
        fatal("Cannot open file \"%s\"", path);
    }
    reader_.readLine();
    reader_.readLine();
    if (!reader_.lineStartsWith(kBannerLine)) {
        fatal(kHeaderMessage, path, reader_.lineCounter);
    }
    reader_.readLine();
    reader_.readLine();
    if (!reader_.lineEquals(kTitleLine)) {
        fatal(kHeaderMessage, path, reader_.lineCounter);
    }
    Arena& arena = *storage_->arena;
    std::string headerFields;
    for (;;) {
        reader_.readLine();
        if (reader_.lineStartsWith(kMonitored) || reader_.lineStartsWith(kSummary)) {
            break;
        }
        if (isHeaderField(reader_.lineBuffer)) {
            headerFields.append(reader_.lineBuffer);
            headerFields.push_back('\n');
        }
        if (reader_.lineStartsWith(kProducedAtLabel)) {
            listing.producedAt =
                copyText(arena, reader_.lineBuffer.substr(kProducedAtLabel.size()));
        } else if (reader_.lineStartsWith(kCoverageViewLabel)) {
            listing.coverageView =
                copyText(arena, reader_.lineBuffer.substr(kCoverageViewLabel.size()));
        }
    }
    if (listing.producedAt == nullptr || listing.coverageView == nullptr) {
        fatal(kHeaderMessage, path, reader_.lineCounter);
    }
    listing.headerFields = copyText(arena, headerFields);
}

void ListingParser::parseFileSection() {
    auto* file = newRecord<MonitoredFile>(*storage_->arena);
    appendToList(listing_.firstFile, listing_.lastFile, file);

    file->monitoredLine = storeCurrentLine();
    nextStartingWith(kModeLabel);
    file->modeLine = storeCurrentLine();
    nextEqualTo("");
    nextEqualTo(kColumnHeading);
    nextStartingWith(kEqualsRule);
    nextEqualTo("");

    reader_.readLine();
    while (reader_.lineStartsWith(kInclude)) {
        storage_->lineStore->append(file->firstInclude, file->lastInclude, reader_.lineBuffer,
                                    textSource());
        reader_.readLine();
    }

    // The function sections, each optionally preceded by its "#line " line. A
    // directive that is not followed by a FUNCTION line belongs to nothing.
    for (;;) {
        ListingLine* lineDirective = nullptr;
        if (descriptionStartsWith(kLineDirective)) {
            lineDirective = storage_->lineStore->single(reader_.lineBuffer, textSource());
            reader_.readLine();
        }
        if (!isFunctionLine()) {
            break;
        }
        parseFunctionSection(file->modeLine, lineDirective);
    }

    expectEqual("");
    nextStartingWith(kTer);
    file->terLine = storeCurrentLine();
    file->terLine2 = nextStored();
    nextStartingWith(kFileRule);
    nextEqualTo("");
    nextEqualTo("");
    nextEqualTo("");
    reader_.readLine();
}

void ListingParser::parseFunctionSection(const char* modeLine, ListingLine* lineDirective) {
    auto* function = newRecord<FunctionBlock>(*storage_->arena);
    function->lineDirective = lineDirective;

    // The reader's inner loop: everything it uses at hand.
    LineReader& reader = reader_;
    const ProfileLineStore profileLines{*storage_->lineStore, *function, textSource(),
                                        !storage_->classifyLater, listing2_.coverageView};
    if (isFunctionCoverage(modeLine, listing_.coverageView)) {
        profileLines.store(reader.lineBuffer);
        reader.readLine();
    } else {
        do {
            profileLines.store(reader.lineBuffer);
            reader.readLine();
        } while (!reader.lineEquals(""));
        nextStartingWith(kTer);
        function->terLine = storeCurrentLine();
        function->terLine2 = nextStored();
        nextStartingWith(kFunctionRule);
        nextEqualTo("");
        reader_.readLine();
    }
    appendToList(listing_.lastFile->firstFunction, listing_.lastFile->lastFunction, function);
}

void ListingParser::parseListing2Files(FilesByMonitoredLine& files,
                                       const SectionRead& sectionRead) {
    while (reader_.lineStartsWith(kMonitored)) {
        parseFileSection();
        // The index holds views of the stored MONITORED lines, which never move.
        MonitoredFile* file = listing_.lastFile;
        files[file->monitoredLine].push_back(file);
        if (sectionRead) {
            sectionRead(*file);
        }
    }
}

void ListingParser::parseListing2Summary() {
    // The line that ended the file sections stands in the place of the
    // "SUMMARY" line and is not examined.
    ProfileListing& listing = listing_;
    reader_.readLine();
    if (!reader_.lineEquals(kSummaryRule)) {
        fatal(kSummaryMessage, reader_.path(), reader_.lineCounter);
    }
    reader_.readLine();
    if (!reader_.lineEquals("")) {
        fatal(kSummaryMessage, reader_.path(), reader_.lineCounter);
    }
    summaryLine(kSourceFilesLabel, listing.sourceFilesLine);
    summaryLine(kHeadersExtractedLabel, listing.headersExtractedLine);
    summaryLine(kFunctionsLabel, listing.functionsLine);
    summaryLine(kSourceLinesLabel, listing.sourceLinesLine);
    summaryLine(kSummaryTerLabel, listing.terLine);
    summaryLine(kSummaryTerLabel, listing.terLine2);
    // Text after the second TER line that ends without a newline is no whole
    // line and is accepted.
    if (reader_.tryReadLine()) {
        fatal(kSummaryMessage, reader_.path(), reader_.lineCounter);
    }
}

// A section of listing 1 read whole into `storage`, not as one of the
// listing's sections; none when it cannot be read as a section. A read error
// ends the run as it ends korvcmp's skipping of the section.
MonitoredFile* ListingParser::readSectionWhole(const ListingStorage& storage) {
    const ListingStorage* own = storage_;
    MonitoredFile* lastBefore = listing_.lastFile;
    storage_ = &storage;
    MonitoredFile* section = nullptr;
    try {
        parseFileSection();
        section = listing_.lastFile;
    } catch (const FatalError&) {
        if (reader_.readFailed()) {
            storage_ = own;
            fatal(kSkipReadMessage, reader_.path(), reader_.lineCounter);
        }
    }
    storage_ = own;
    listing_.lastFile = lastBefore;
    if (lastBefore != nullptr) {
        lastBefore->next = nullptr;
    } else {
        listing_.firstFile = nullptr;
    }
    return section;
}

void ListingParser::parseListing1Files(const FilesByMonitoredLine& listing2Files,
                                       const SectionRead& sectionRead,
                                       const SectionSkipped& sectionSkipped,
                                       const ListingStorage* wholeSections) {
    // What is kept of a skipped section, in buffers that serve every one.
    std::string monitoredLine;
    std::string terLine;
    std::string terLine2;
    while (reader_.lineStartsWith(kMonitored)) {
        if (listing2Files.contains(reader_.lineBuffer)) {
            parseFileSection();
            if (sectionRead) {
                sectionRead(*listing_.lastFile);
            }
            continue;
        }
        // A section listing 2 does not have is skipped without any test.
        if (!sectionSkipped) {
            do {
                if (!reader_.tryReadLine()) {
                    fatal(kSkipReadMessage, reader_.path(), reader_.lineCounter);
                }
            } while (!reader_.lineStartsWith(kMonitored) && !reader_.lineStartsWith(kSummary));
            continue;
        }
        // The file's TER lines are the last "***TER" line and the one after it.
        monitoredLine.assign(reader_.lineBuffer);
        terLine.clear();
        terLine2.clear();
        bool afterTer = false;
        if (wholeSections != nullptr) {
            const std::int64_t startLine = reader_.lineCounter;
            if (MonitoredFile* section = readSectionWhole(*wholeSections); section != nullptr) {
                // Lines after the section's end are skipped as korvcmp skips them.
                while (!reader_.lineStartsWith(kMonitored) && !reader_.lineStartsWith(kSummary)) {
                    if (!reader_.tryReadLine()) {
                        fatal(kSkipReadMessage, reader_.path(), reader_.lineCounter);
                    }
                }
                sectionSkipped(monitoredLine, section->terLine != nullptr ? section->terLine : "",
                               section->terLine2 != nullptr ? section->terLine2 : "", section);
                continue;
            }
            // Skipped from where it could not be read on, as korvcmp skips it.
            if (reader_.lineCounter > startLine &&
                (reader_.lineStartsWith(kMonitored) || reader_.lineStartsWith(kSummary))) {
                sectionSkipped(monitoredLine, terLine, terLine2, nullptr);
                continue;
            }
            if (reader_.lineCounter > startLine && reader_.lineStartsWith(kTer)) {
                terLine.assign(reader_.lineBuffer);
                afterTer = true;
            }
        }
        do {
            if (!reader_.tryReadLine()) {
                fatal(kSkipReadMessage, reader_.path(), reader_.lineCounter);
            }
            if (afterTer) {
                terLine2.assign(reader_.lineBuffer);
                afterTer = false;
            }
            if (reader_.lineStartsWith(kTer)) {
                terLine.assign(reader_.lineBuffer);
                afterTer = true;
            }
        } while (!reader_.lineStartsWith(kMonitored) && !reader_.lineStartsWith(kSummary));
        sectionSkipped(monitoredLine, terLine, terLine2, nullptr);
    }
    if (!reader_.lineStartsWith(kSummary)) {
        fatal(kListing1EndMessage, reader_.path(), reader_.lineCounter);
    }
}

void ListingParser::readListing1SummaryTer() {
    // The summary: its rule, an empty line, four lines of figures, then TER.
    constexpr int kSummaryLinesBeforeTer = 6;
    listing_.terLine = nullptr;
    for (int i = 0; i <= kSummaryLinesBeforeTer; ++i) {
        try {
            if (!reader_.tryReadLine()) {
                return;
            }
        } catch (const FatalError&) {
            return;
        }
        if (reader_.lineStartsWith(kSummaryTerLabel)) {
            listing_.terLine = storeCurrentLine();
            return;
        }
    }
}

}  // namespace korvcmp
