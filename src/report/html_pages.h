// The HTML report's pages: the index (the runs side by side, the totals and
// the table of files), one page per file section of listing 2 (its functions
// and every profile line with both runs' counts), and the style sheet and
// script the pages share. Every text from a listing is escaped; the pages
// show every figure without the script, which only sorts, filters and moves
// between lost items.
//
// What users' own style sheets and scripts can rely on: in a file page each
// marker of a lost item is one element of the class "lost" holding "v", with
// the id "lost1", "lost2", ... in page order, and each marker of a new item
// one element of the class "new" holding "^"; no other element of any page
// has those classes. The first row of each source line has the id "L<line>",
// and function k's first row (from 0) the id "F<k>". A section too long for
// one page is written as parts (see writeFilePage); the ids go on across them.
// In the page of an edited or moved file, a row of a line only listing 2 has
// has the class "added", one of a line only listing 1 has the class "deleted".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_model.h"
#include "output/output_stream.h"
#include "report/report_model.h"

namespace korvcmp {

// The names of the shared files, relative to the report directory, and their
// contents.
inline constexpr std::string_view kStyleSheetName = "report.css";
inline constexpr std::string_view kScriptName = "report.js";
extern const std::string_view kStyleSheet;
extern const std::string_view kScript;

// The index page, "index.html", from the whole model.
void writeIndexPage(OutputStream& out, const ReportModel& model);

// Where the pages of a file section go: each page is opened (`page` is its
// path relative to the report directory), written and closed in turn.
class FilePageFiles {
  public:
    virtual ~FilePageFiles() = default;
    virtual OutputStream& open(const std::string& page) = 0;
    virtual void close(OutputStream& out) = 0;
};

// The rows of a file page above which it is split into parts: a browser
// opens a page of this many rows in a few seconds.
inline constexpr std::int64_t kRowsPerPagePart = 5000;

// The page of one file section of listing 2 (summary.page). `file2` is the
// section; `file1` its partner in listing 1 when the section was compared
// (its lines stand against file2's by position), else none. `alignment` is
// the aligned view of an edited or moved file against its partner in
// listing 1, else none. Of `model` only the title and the two listing
// headers are read: the page is written while the comparison goes on.
void writeFilePage(OutputStream& out, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* alignment);
// The same split into parts of at most `rowsPerPart` rows where the section
// has more: the first part is summary.page, with the totals and functions;
// part k is "<page without .html>.part<k>.html" beside it. Each part links
// to every other, and the links between lost items lead across parts.
void writeFilePage(FilePageFiles& files, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* alignment,
                   std::int64_t rowsPerPart = kRowsPerPagePart);

}  // namespace korvcmp
