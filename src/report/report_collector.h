// What korvcmp-report takes from a comparison as it runs: the summary of each
// file section (its figures, its functions'), the first lost items, and, for
// an HTML report, each section's page, written as soon as the section is
// compared, while its partner in listing 1 is still in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <queue>
#include <string>
#include <unordered_map>
#include <vector>

#include "compare/listing_comparison.h"
#include "output/output_stream.h"
#include "report/report_directory.h"
#include "report/report_findings.h"
#include "report/report_model.h"

namespace korvcmp {

class ReportCollector : public SectionObserver {
  public:
    // Fills `model`, whose listings' paths are set, from the calls of the run
    // it observes; writes the pages into `directory` when there is one. The
    // run is to keep the removed sections, read whole, and listing 1's
    // summary TER line.
    ReportCollector(ReportModel& model, const ReportDirectory* directory);

    // Gives every section of listing 2 its place in the model and its page.
    void listing2Read(const ProfileListing& listing2) override;
    // Listing 1's header and summary TER figures, and the removed sections:
    // those that hold the functions of a section only listing 2 has are
    // paired with it (moved or renamed files), the others listed as removed.
    void listing1Read(const ProfileListing& listing1,
                      const std::vector<RemovedSection>& removed) override;
    void sectionCompared(const MonitoredFile* file1, const MonitoredFile& file2) override;

    // After the comparison, while listing 2 is still there: the totals and
    // the first lost items.
    void finish();

    // Hands the findings of every section to `findings` as it is compared.
    void writeFindingsTo(ReportFindings* findings) { findings_ = findings; }

  private:
    // A lost item with its place in listing 2: the file's index, then the
    // item's number within the file.
    struct PlacedLostItem {
        std::size_t file;
        std::int64_t number;
        LostItem item;
    };
    struct LaterPlace {
        bool operator()(const PlacedLostItem& a, const PlacedLostItem& b) const {
            return a.file != b.file ? a.file < b.file : a.number < b.number;
        }
    };

    // A removed section of listing 1 that a section only listing 2 has was
    // moved from.
    struct MovedFrom {
        const MonitoredFile* section;
        std::string path;
    };

    void pairMovedFiles(const std::vector<RemovedSection>& removed, std::vector<bool>& moved);
    void summarise(FileSummary& summary, const MonitoredFile* file1, const MonitoredFile& file2,
                   const SectionAlignment& alignment);
    void keepLostItems(std::size_t index, const FileSummary& summary, const MonitoredFile& file1,
                       const MonitoredFile& file2);
    void keepAlignedLostItems(std::size_t index, const FileSummary& summary,
                              const SectionAlignment& alignment);
    // Keeps the lost item numbered `number` of the `index`th file when it is
    // among the first; false when it and every later item of the file are not.
    bool keepLostItem(std::size_t index, std::int64_t number, const FileSummary& summary,
                      const FunctionBlock& function2, const ListingLine& line1,
                      const ListingLine& line2, int column);
    void writePage(const FileSummary& summary, const MonitoredFile& file2,
                   const MonitoredFile* file1, const SectionAlignment* alignment);

    ReportModel& model_;
    const ReportDirectory* directory_;
    ReportFindings* findings_ = nullptr;
    const ProfileListing* listing2_ = nullptr;
    const char* listing2View_ = nullptr;
    std::unordered_map<const MonitoredFile*, std::size_t> indexOf_;
    // Sections only listing 2 has, with the removed section each was moved from.
    std::unordered_map<const MonitoredFile*, MovedFrom> movedFrom_;
    // The first lost items in listing 2's order, the last of them on top.
    std::priority_queue<PlacedLostItem, std::vector<PlacedLostItem>, LaterPlace> lostItems_;
    OutputStream page_;
};

// The page of the `index`th file section (from 0) with this path: in the
// folder "files", a name of safe characters that the number makes unique on
// every system, whatever the path holds.
std::string pageName(std::size_t index, std::string_view path);

}  // namespace korvcmp
