// Builds the in-memory listings of a run directly, without the listing
// reader: file sections, function sections and classified profile lines from
// a compact description, for the tests of the comparison and the writer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "listing/listing_model.h"

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

// Starts a fresh run state and builds `listing2` as process.listing2 (with
// its index by MONITORED line, as the reader keeps it), then `listing1` as
// process.listing1. Every profile line is classified as it is stored; the
// summary lines of listing 2 get fixed texts.
void buildListings(const ListingModel& listing1, const ListingModel& listing2);

MonitoredFile* fileAt(const ProfileListing& listing, int index);
FunctionBlock* functionAt(const MonitoredFile& file, int index);
ListingLine* lineAt(const FunctionBlock& function, int index);

// The texts of every profile line of `listing`, in listing order.
std::vector<std::string> profileTexts(const ProfileListing& listing);

}  // namespace korvcmp::testing
