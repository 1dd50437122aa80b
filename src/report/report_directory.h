// The directory an HTML report is written into. A report is written into a
// new directory beside the one asked for and renamed into its place only when
// complete, replacing an earlier report there; a run that fails leaves no
// partial report and an earlier one as it was. A directory that is not a
// report of korvcmp-report (it lacks the marker file every report holds) is
// never touched.
#pragma once

#include <string>
#include <string_view>

namespace korvcmp {

// The marker file every report holds.
inline constexpr std::string_view kReportMarkerName = ".korvcmp-report";

class ReportDirectory {
  public:
    ReportDirectory() = default;
    ReportDirectory(const ReportDirectory&) = delete;
    ReportDirectory& operator=(const ReportDirectory&) = delete;
    // A report not committed is removed.
    ~ReportDirectory();

    // Checks `path` (nothing there, or an earlier report) and creates the new
    // directory beside it, with the marker and the folder "files". False
    // with `error` set when `path` is something else or nothing can be
    // created; nothing is changed then.
    bool begin(const std::string& path, std::string& error);

    // The path of `relative` ("index.html", "files/x.html") in the new directory.
    std::string filePath(std::string_view relative) const;

    // Puts the new report in the place of `path`, replacing an earlier one.
    // False with `error` set when that fails; the earlier report is then as it was.
    // Every file written into the report must be closed by then (Windows
    // renames no directory with an open file inside).
    bool commit(std::string& error);
    // After a commit: what could not be cleaned up (the earlier report, moved
    // aside, could not be removed); empty when everything went.
    const std::string& warning() const { return warning_; }

    // Removes the new directory and what it holds.
    void abandon();

  private:
    std::string path_;     // where the report goes
    std::string newPath_;  // where it is written; empty when none
    std::string warning_;
};

}  // namespace korvcmp
