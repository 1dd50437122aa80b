// The directory an HTML report is written into. A report is written into a
// new directory beside the one asked for and renamed into its place only when
// complete, replacing an earlier report there; a run that fails leaves no
// partial report and an earlier one as it was. A directory that is not a
// report of korvcmp-report (it lacks the marker file every report holds) is
// never touched. Runs writing one directory take turns: each holds a lock
// beside it from begin() to the end, and tidies up what killed runs left.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_lock.h"

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

    // Checks `path` (nothing there, or an earlier report), waits until no
    // other run writes it, removes what killed runs left beside it (putting
    // back an earlier report one of them had moved aside), and creates the
    // new directory beside it, with the marker and the folder "files". False
    // with `error` set when `path` is something else or nothing can be
    // created; nothing is changed then.
    bool begin(const std::string& path, std::string& error);

    // The path of `relative` ("index.html", "files/x.html") in the new directory.
    std::string filePath(std::string_view relative) const;

    // Puts the new report in the place of `path`, replacing an earlier one;
    // where the system can, in one step, so that `path` holds a whole
    // report, old or new, at every moment. False with `error` set when that
    // fails; the earlier report is then as it was.
    // Every file written into the report must be closed by then (Windows
    // renames no directory with an open file inside).
    bool commit(std::string& error);
    // After a commit: what could not be cleaned up (the earlier report, moved
    // aside, could not be removed); empty when everything went.
    const std::string& warning() const { return warning_; }

    // Removes the new directory and what it holds.
    void abandon();

  private:
    void removeLeftovers();
    bool exchangeIntoPlace(std::string& error);
    bool renameIntoPlace(std::string& error);

    std::string path_;     // where the report goes
    std::string newPath_;  // where it is written; empty when none
    std::string warning_;
    FileLock lock_;  // held from begin() until the report is in place or abandoned
};

}  // namespace korvcmp
