// The reader of execution profile listings: a strict, line-driven recogniser
// of the listing's sections that stores the lines the compared listing
// reproduces and ends the run at the first line that does not fit.
#pragma once

#include <functional>
#include <string_view>

#include "listing/input_stream.h"
#include "listing/listing_model.h"

namespace korvcmp {

// Opens the listing at `path` into `stream`, checks its header and captures
// the production time and coverage view. Returns with the first line that
// starts with "MONITORED " or "SUMMARY" current.
void openListing(const char* path, InputStream& stream, ProfileListing& listing);

// Called with each file section as soon as it has been read.
using SectionRead = std::function<void(MonitoredFile& file)>;

// Listing 2: all file sections, then the summary and the end of the file.
void parseListing2Files(const SectionRead& sectionRead = {});
void parseListing2Summary();

// Listing 1: the file sections that listing 2 also has (the others are skipped
// unread), then its SUMMARY line; nothing after it is read.
void parseListing1Files(const SectionRead& sectionRead = {});

// One file section, from its MONITORED line to the line after the section.
void parseFileSection(ProfileListing& listing, InputStream& stream);

// One function section, from its FUNCTION line to the line after the section.
void parseFunctionSection(ProfileListing& listing, const char* modeLine, InputStream& stream,
                          ListingLine* lineDirective);

// True when listing 2 has a file section with exactly this MONITORED line.
bool listing2HasFile(std::string_view monitoredLine);

// True when the sections of a file with this mode line, in a listing with this
// coverage view, report function coverage only (no TER block per function).
bool isFunctionCoverage(const char* modeLine, const char* coverageView);

}  // namespace korvcmp
