// Section-by-section comparison of listing 1 with listing 2.
#include "compare/listing_comparison.h"

#include "compare/difference_marking.h"
#include "compare/file_pairing.h"

namespace korvcmp {
namespace {

// A section of listing 2 that has been paired carries its verdict: compared,
// or a reason why not.
bool isPaired(const MonitoredFile& file2) {
    return file2.comparable != 0 || file2.reason != nullptr;
}

}  // namespace

void compareListing1Section(const MonitoredFile& file1, const FilesByMonitoredLine& listing2Files,
                            SectionObserver* observer) {
    const auto found = listing2Files.find(file1.monitoredLine);
    if (found == listing2Files.end() || isPaired(*found->second.front())) {
        // Only the first section of listing 1 with a MONITORED line counts.
        return;
    }
    for (MonitoredFile* file2 : found->second) {
        pairFile(&file1, *file2);
        markFile(&file1, *file2);
        if (observer != nullptr) {
            observer->sectionCompared(&file1, *file2);
        }
    }
}

void finishComparison(ProfileListing& listing2, SectionObserver* observer) {
    listing2.newHits = 0;
    listing2.lostHits = 0;
    listing2.equalHits = 0;
    for (MonitoredFile* file2 = listing2.firstFile; file2 != nullptr; file2 = file2->next) {
        if (!isPaired(*file2)) {
            pairFile(nullptr, *file2);
            markFile(nullptr, *file2);
            if (observer != nullptr) {
                observer->sectionCompared(nullptr, *file2);
            }
        }
        listing2.newHits += file2->newHits;
        listing2.lostHits += file2->lostHits;
        listing2.equalHits += file2->equalHits;
    }
}

}  // namespace korvcmp
