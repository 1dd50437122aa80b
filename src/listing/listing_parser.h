// The reader of execution profile listings: a strict, line-driven recogniser
// of the listing's sections that stores the lines the compared listing
// reproduces and ends the run at the first line that does not fit.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/arena.h"
#include "listing/line_reader.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"

namespace korvcmp {

// Listing 2's file sections by MONITORED line, each line's sections in
// listing order. The keys are views of the stored MONITORED lines.
using FilesByMonitoredLine = std::unordered_map<std::string_view, std::vector<MonitoredFile*>>;

// Where the parser puts what it reads, and whether it classifies profile
// lines as it stores them. The reading stages may change it between file
// sections: other memory, or classification left to the worker.
struct ListingStorage {
    Arena* arena;
    LineStore* lineStore;
    bool classifyLater = false;
};

// Called with each file section as soon as it has been read.
using SectionRead = std::function<void(MonitoredFile& file)>;

// Called with each file section of listing 1 that listing 2 lacks, once it
// has been passed: its MONITORED line, its last "***TER" line and the line
// after that (both empty when the section has none), and the section itself
// when it was read whole (none when it was skipped, or could not be read as a
// section). The texts live until the call returns.
using SectionSkipped = std::function<void(std::string_view monitoredLine, std::string_view terLine,
                                          std::string_view terLine2, const MonitoredFile* section)>;

// Reads one listing from `reader` into `listing`. Profile lines are
// classified by the coverage view of `listing2`, which is `listing` itself
// while listing 2 is read.
class ListingParser {
  public:
    ListingParser(LineReader& reader, ProfileListing& listing, const ProfileListing& listing2,
                  const ListingStorage& storage)
        : reader_(reader), listing_(listing), listing2_(listing2), storage_(&storage) {}

    // Opens the listing at `path`, checks its header and captures the
    // production time and coverage view. Returns with the first line that
    // starts with "MONITORED " or "SUMMARY" current. With `mapIfPossible`, a
    // regular file is mapped instead of read.
    void openListing(const char* path, bool mapIfPossible);

    // Listing 2: all file sections, each added to `files`, then the summary
    // and the end of the file.
    void parseListing2Files(FilesByMonitoredLine& files, const SectionRead& sectionRead = {});
    void parseListing2Summary();

    // Listing 1: the file sections that listing 2 also has (`listing2Files`;
    // the others are skipped unread, but for their TER lines when
    // `sectionSkipped` is given), then its SUMMARY line; nothing after it is
    // read. With `wholeSections` (and `sectionSkipped`), the sections listing
    // 2 lacks are read whole into that storage instead, classified at once; a
    // section that cannot be read so is skipped as korvcmp skips it, with the
    // same errors, and passed on without its records.
    void parseListing1Files(const FilesByMonitoredLine& listing2Files,
                            const SectionRead& sectionRead = {},
                            const SectionSkipped& sectionSkipped = {},
                            const ListingStorage* wholeSections = nullptr);

    // After listing 1's SUMMARY line: looks for the first summary TER line
    // among the few lines that follow and keeps it as the listing's terLine.
    // korvcmp reads nothing there; a listing that ends or reads otherwise
    // leaves terLine none, and raises no error.
    void readListing1SummaryTer();

    // One file section, from its MONITORED line to the line after the section.
    void parseFileSection();

    // One function section, from its FUNCTION line to the line after the section.
    void parseFunctionSection(const char* modeLine, ListingLine* lineDirective);

  private:
    char* storeCurrentLine() const;
    bool descriptionStartsWith(std::string_view word) const;
    bool isFunctionLine() const;
    [[noreturn]] void sectionProblem() const;
    void expectStart(std::string_view literal) const;
    void expectEqual(std::string_view literal) const;
    void nextStartingWith(std::string_view literal);
    void nextEqualTo(std::string_view literal);
    char* nextStored();
    TextSource textSource() const;
    void summaryLine(std::string_view label, char*& field);
    MonitoredFile* readSectionWhole(const ListingStorage& storage);

    LineReader& reader_;
    ProfileListing& listing_;
    const ProfileListing& listing2_;
    // Where the parser stores what it reads: the caller's storage, which it
    // may change between sections, or another for a section read on the side.
    const ListingStorage* storage_;
};

// True when the sections of a file with this mode line, in a listing with this
// coverage view, report function coverage only (no TER block per function).
bool isFunctionCoverage(const char* modeLine, const char* coverageView);

}  // namespace korvcmp
