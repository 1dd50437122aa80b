// Builds the in-memory listings of a run directly, without the listing
// reader: file sections, function sections and classified profile lines from
// a compact description, for the tests of the comparison and the writer; and
// the comparison done after both listings are read, as the reference that
// the comparison section by section must agree with.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/arena.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"
#include "listing/listing_parser.h"

namespace korvcmp::testing {

struct FunctionModel {
    std::optional<std::string> lineDirective;  // the whole "#line " line, or none
    std::vector<std::string> lines;            // profile lines, FUNCTION line first
    std::string terLine = "***TER 100% (   2/   2) of FUNCTION f()";
    std::string terLine2 = "       100% (   1/   1) statement blocks";
};

struct FileModel {
    std::string monitoredLine = "MONITORED SOURCE FILE : src/a.c";
    std::string modeLine = "INSTRUMENTATION MODE  : decision";
    std::vector<std::string> includes;
    std::vector<FunctionModel> functions;
    std::string terLine = "***TER 100% (   2/   2) of FILE src/a.c";
    std::string terLine2 = "       100% (   1/   1) statement blocks";
};

struct ListingModel {
    std::string producedAt = "Mon Mar  3 10:00:00 2025";
    std::string coverageView = "Decision+Condition coverage";
    std::vector<FileModel> files;
};

// Two listings built record by record, and the memory they live in.
struct BuiltListings {
    BuiltListings();
    BuiltListings(const BuiltListings&) = delete;
    BuiltListings& operator=(const BuiltListings&) = delete;

    Arena arena;
    LineStore lineStore;
    ProfileListing* listing1 = nullptr;
    ProfileListing* listing2 = nullptr;
    FilesByMonitoredLine listing2Files;  // as the reader keeps it
};

// Builds `listing2` (with its index by MONITORED line), then `listing1`.
// Every profile line is classified as it is stored; the summary lines of
// listing 2 get fixed texts.
std::unique_ptr<BuiltListings> buildListings(const ListingModel& listing1,
                                             const ListingModel& listing2);

// The comparison after reading: sets `comparable` and `reason` on every file
// section of listing 2, pairing it with the first section of listing 1 with
// its MONITORED line.
void pairFiles(const BuiltListings& listings);
// Then marks and counts every file section of listing 2; comparable sections
// are walked in step with their partner in listing 1.
void markDifferences(const BuiltListings& listings);

MonitoredFile* fileAt(const ProfileListing& listing, int index);
FunctionBlock* functionAt(const MonitoredFile& file, int index);
ListingLine* lineAt(const FunctionBlock& function, int index);

// The texts of every profile line of `listing`, in listing order.
std::vector<std::string> profileTexts(const ProfileListing& listing);

}  // namespace korvcmp::testing
