// The comparison as listing 1 is read. Each file section of listing 1 is
// compared with listing 2's sections of the same MONITORED line as soon as it
// has been read, so that it need not be kept: the result is the same as
// pairing and marking after reading, with a fraction of the memory.
#pragma once

#include <vector>

#include "listing/listing_model.h"
#include "listing/listing_parser.h"

namespace korvcmp {

// A file section of listing 1 that listing 2 lacks. Such sections are skipped
// unread but for their MONITORED line and their file TER lines, which a
// report shows; korvcmp keeps none of them. The texts live as long as the run.
struct RemovedSection {
    const char* monitoredLine = nullptr;
    const char* terLine = nullptr;   // the section's last "***TER" line; none when it has none
    const char* terLine2 = nullptr;  // the line after it; none when terLine is none
    // The section read whole, when the run was asked to keep removed sections
    // so; none otherwise, and when it could not be read as a section.
    const MonitoredFile* section = nullptr;
};

// Sees each section of listing 2 once it has been paired and marked, while
// its partner in listing 1 is still in memory. Calls come one at a time, on
// the thread that compares: listing 1's order for the sections it has, then
// listing 2's order for the others.
class SectionObserver {
  public:
    virtual ~SectionObserver() = default;
    // Listing 2 has been read whole; nothing is compared yet.
    virtual void listing2Read(const ProfileListing& /*listing2*/) {}
    // Listing 1 has been read whole (its header, all its sections, and its
    // summary TER line when the run keeps it), with `removed`, the sections
    // listing 2 lacks, in listing 1's order (empty unless the run keeps them).
    // Comes before the sections of listing 2 that listing 1 lacks.
    virtual void listing1Read(const ProfileListing& /*listing1*/,
                              const std::vector<RemovedSection>& /*removed*/) {}
    // `file1` is the partner of `file2` in listing 1, none when listing 1 has
    // no section with its MONITORED line; it lives until the call returns.
    virtual void sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) = 0;
};

// Pairs and marks listing 2's sections (`listing2Files`) whose MONITORED
// line is that of `file1`, when `file1` is the first section of listing 1
// with that line.
void compareListing1Section(const MonitoredFile& file1, const FilesByMonitoredLine& listing2Files,
                            SectionObserver* observer = nullptr);

// After listing 1: marks the sections of `listing2` that found no partner
// ("no file") and sums the listing's totals.
void finishComparison(ProfileListing& listing2, SectionObserver* observer = nullptr);

}  // namespace korvcmp
