// The report directory: a new directory beside the one asked for, named
// DIR.korvcmp-report-new-N, so that it is on the same volume and renaming it
// into place is one step; an earlier report is renamed aside to
// DIR.korvcmp-report-old-N first and removed once the new one is in place.
#include "report/report_directory.h"

#include <new>

#include "base/package_version.h"
#include "platform/directories.h"
#include "platform/output_file.h"

namespace korvcmp {
namespace {

constexpr std::string_view kNewSuffix = ".korvcmp-report-new-";
constexpr std::string_view kOldSuffix = ".korvcmp-report-old-";
// Names DIR.korvcmp-report-*-N tried before giving up.
constexpr int kSiblingNameTries = 1000;

std::string markerText() {
    std::string text = "This directory is a report written by korvcmp-report ";
    text += kPackageVersion;
    text +=
        ".\nkorvcmp-report replaces a directory holding this file with a new report;\n"
        "a directory without it is never touched.\n";
    return text;
}

// `path` without the separators that end it ("report/" is "report"), so that
// the new directory's name is a sibling's and a link is not followed.
std::string withoutTrailingSeparators(std::string path) {
    while (!path.empty() && isPathSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

std::string_view lastComponent(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1])) {
        --start;
    }
    return path.substr(start);
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

bool isReport(const std::string& directory) {
    return pathKind(directory + '/' + std::string(kReportMarkerName)) == PathKind::file;
}

// Why a report cannot go to `path`, or nothing when it can (nothing is
// there, or an earlier report is).
std::string refusal(const std::string& path) {
    switch (pathKind(path)) {
        case PathKind::nothing:
            return {};
        case PathKind::directory:
            if (isReport(path)) {
                return {};
            }
            if (isEmptyDirectory(path)) {
                return quoted(path) +
                       " is an empty directory, not a report of korvcmp-report (it has no " +
                       std::string(kReportMarkerName) +
                       " file); remove it or name a directory that does not exist";
            }
            return quoted(path) +
                   " is a directory that is not a report of korvcmp-report (it has no " +
                   std::string(kReportMarkerName) +
                   " file); it is left as it is: name a directory that does not exist";
        case PathKind::file:
        case PathKind::other:
            return quoted(path) + " exists and is not a directory; it is left as it is";
        case PathKind::unknown:
            return quoted(path) + " cannot be examined: " + lastDirectoryError();
    }
    return {};
}

// The first name `path` + `suffix` + N (N from 1) that `claim` takes (makes
// it, or renames to it), moving on past names that are taken. Empty when
// none is, with `reason` set.
template <typename Claim>
std::string claimSibling(const std::string& path, std::string_view suffix, Claim claim,
                         std::string& reason) {
    for (int number = 1; number <= kSiblingNameTries; ++number) {
        std::string candidate = path + std::string(suffix) + std::to_string(number);
        if (claim(candidate)) {
            return candidate;
        }
        reason = quoted(candidate) + ": " + lastDirectoryError();
        if (pathKind(candidate) == PathKind::nothing) {
            return {};  // not taken: it failed for another reason
        }
    }
    reason = "the names " + path + std::string(suffix) + "1 to " +
             std::to_string(kSiblingNameTries) + " are taken";
    return {};
}

// Writes the marker file into `directory`.
bool writeMarker(const std::string& directory) {
    const std::string text = markerText();
    OutputFile marker;
    const std::string path = directory + '/' + std::string(kReportMarkerName);
    return marker.create(path.c_str(), LineEnds::asWritten) &&
           marker.write(text.data(), text.size()) && marker.close();
}

}  // namespace

ReportDirectory::~ReportDirectory() {
    abandon();
}

bool ReportDirectory::begin(const std::string& path, std::string& error) {
    abandon();
    warning_.clear();
    const std::string target = withoutTrailingSeparators(path);
    // "/" is empty now, and so is "\"; "C:\" is "C:" (only where '\' separates).
    const bool isDrive = target.size() == 2 && target[1] == ':' && isPathSeparator('\\');
    if (target.empty() || isDrive) {
        error = quoted(path) + " is a root directory, which cannot hold a report";
        return false;
    }
    const std::string_view name = lastComponent(target);
    if (name == "." || name == "..") {
        error = quoted(path) + ": name the report directory by its own name, not '.' or '..'";
        return false;
    }
    error = refusal(target);
    if (!error.empty()) {
        return false;
    }
    std::string reason;
    std::string created = claimSibling(target, kNewSuffix, makeDirectory, reason);
    if (created.empty()) {
        error = "cannot create the report directory beside " + quoted(target) + ": " + reason;
        return false;
    }
    newPath_ = std::move(created);
    path_ = target;
    if (!writeMarker(newPath_)) {
        error = "cannot write " + quoted(filePath(kReportMarkerName));
        abandon();
        return false;
    }
    if (!makeDirectory(filePath("files"))) {
        error = "cannot create " + quoted(filePath("files")) + ": " + lastDirectoryError();
        abandon();
        return false;
    }
    return true;
}

std::string ReportDirectory::filePath(std::string_view relative) const {
    std::string path = newPath_;
    path += '/';
    path += relative;
    return path;
}

bool ReportDirectory::commit(std::string& error) {
    warning_.clear();
    if (newPath_.empty()) {
        error = "no report to put in place";
        return false;
    }
    // Checked again: something else may have taken the name meanwhile.
    error = refusal(path_);
    if (!error.empty()) {
        return false;
    }
    std::string old;
    if (pathKind(path_) == PathKind::directory) {
        std::string reason;
        old = claimSibling(
            path_, kOldSuffix,
            [this](const std::string& name) { return renameDirectory(path_, name); }, reason);
        if (old.empty()) {
            error = "cannot move the earlier report " + quoted(path_) + " aside: " + reason;
            return false;
        }
    }
    if (!renameDirectory(newPath_, path_)) {
        error = "cannot rename " + quoted(newPath_) + " to " + quoted(path_) + ": " +
                lastDirectoryError();
        if (!old.empty() && !renameDirectory(old, path_)) {
            error += "; the earlier report is left at " + quoted(old) + ": " + lastDirectoryError();
        }
        return false;
    }
    newPath_.clear();
    // The new report is in place: nothing from here on makes the run fail,
    // not even a lack of memory to remove the earlier one or to say so.
    try {
        if (!old.empty() && !removeDirectoryTree(old)) {
            warning_ = "the earlier report, moved aside to " + quoted(old) +
                       ", could not be removed: " + lastDirectoryError();
        }
    } catch (const std::bad_alloc&) {
        warning_.clear();
    }
    return true;
}

void ReportDirectory::abandon() {
    if (newPath_.empty()) {
        return;
    }
    removeDirectoryTree(newPath_);
    newPath_.clear();
}

}  // namespace korvcmp
