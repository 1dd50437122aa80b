// The report directory: a new directory beside the one asked for, named
// DIR.korvcmp-report-new-N, so that it is on the same volume and renaming it
// into place is one step. An earlier report is swapped with it in one step
// where the system can; elsewhere it is renamed aside to
// DIR.korvcmp-report-old-N first, which leaves a moment without a report at
// DIR: a run killed then leaves both, and the next run puts the earlier
// report back. Either way it is removed once the new one is in place. The
// lock DIR.korvcmp-report-lock makes runs on one DIR take turns, so whatever
// the names DIR.korvcmp-report-new-N and -old-N hold while a run holds it
// was left by a run that is gone.
#include "report/report_directory.h"

#include <algorithm>
#include <new>
#include <vector>

#include "base/package_version.h"
#include "platform/directories.h"
#include "platform/output_file.h"

namespace korvcmp {
namespace {

constexpr std::string_view kNewSuffix = ".korvcmp-report-new-";
constexpr std::string_view kOldSuffix = ".korvcmp-report-old-";
constexpr std::string_view kLockSuffix = ".korvcmp-report-lock";
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

// The folder `path` is in: "" for a name alone, or its text up to and with
// the last separator.
std::string folderPart(std::string_view path) {
    return std::string(path.substr(0, path.size() - lastComponent(path).size()));
}

// Whether `name` is `prefix` followed by a number.
bool isNumbered(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) {
        return false;
    }
    const std::string_view number = name.substr(prefix.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
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
    const std::string lockPath = target + std::string(kLockSuffix);
    if (!lock_.acquire(lockPath)) {
        error = "cannot lock " + quoted(lockPath) + " against other runs writing " +
                quoted(target) + ": " + lock_.failure().text();
        return false;
    }
    path_ = target;
    removeLeftovers();
    // Checked again: the run that held the lock may have left something else.
    error = refusal(target);
    if (!error.empty()) {
        lock_.release();
        return false;
    }
    std::string reason;
    std::string created = claimSibling(target, kNewSuffix, makeDirectory, reason);
    if (created.empty()) {
        error = "cannot create the report directory beside " + quoted(target) + ": " + reason;
        lock_.release();
        return false;
    }
    newPath_ = std::move(created);
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

void ReportDirectory::removeLeftovers() {
    const std::string folder = folderPart(path_);
    const std::string name(lastComponent(path_));
    const std::string newPrefix = name + std::string(kNewSuffix);
    const std::string oldPrefix = name + std::string(kOldSuffix);
    std::vector<std::string> leftovers;
    for (const std::string& entry : namesStartingWith(folder.empty() ? "." : folder, name)) {
        if (isNumbered(entry, newPrefix) || isNumbered(entry, oldPrefix)) {
            leftovers.push_back(folder + entry);
        }
    }
    // A run killed between moving the earlier report aside and putting its
    // own in place left no report at DIR: the earlier one goes back.
    if (pathKind(path_) == PathKind::nothing) {
        static_cast<void>(
            std::any_of(leftovers.begin(), leftovers.end(), [&](const std::string& leftover) {
                return lastComponent(leftover).starts_with(oldPrefix) && isReport(leftover) &&
                       renameDirectory(leftover, path_);
            }));
    }
    // Only what carries the marker (or holds nothing, made by a run killed
    // before it wrote the marker); a directory of the user's that happens to
    // have such a name stays.
    for (const std::string& leftover : leftovers) {
        if (pathKind(leftover) == PathKind::directory &&
            (isReport(leftover) || isEmptyDirectory(leftover))) {
            static_cast<void>(removeDirectoryTree(leftover, kReportMarkerName));
        }
    }
}

bool ReportDirectory::commit(std::string& error) {
    warning_.clear();
    if (newPath_.empty()) {
        error = "no report to put in place";
        return false;
    }
    // Checked again: something other than a run of ours may have taken the
    // name meanwhile.
    error = refusal(path_);
    if (!error.empty()) {
        return false;
    }
    const bool placed = exchangeIntoPlace(error) && renameIntoPlace(error);
    if (placed) {
        lock_.release();
    }
    return placed;
}

// Swaps the new report with the earlier one at path_ where the system can;
// true with nothing done when there is none or the system cannot (and
// renameIntoPlace goes on).
bool ReportDirectory::exchangeIntoPlace(std::string& error) {
    if (pathKind(path_) != PathKind::directory) {
        return true;
    }
    // Made before the swap: once the new report is in place, nothing may
    // fail for want of memory before newPath_ no longer names it.
    const std::string swappedOutMarker = filePath(kReportMarkerName);
    std::string swappedOut;
    switch (exchangeDirectories(newPath_, path_)) {
        case Exchange::unsupported:
            return true;
        case Exchange::failed:
            error = "cannot rename " + quoted(newPath_) + " to " + quoted(path_) + ": " +
                    lastDirectoryError();
            return false;
        case Exchange::done:
            break;
    }
    if (pathKind(swappedOutMarker) != PathKind::file) {
        // What stood at path_ was put there after the check: it goes back.
        static_cast<void>(exchangeDirectories(newPath_, path_));
        error = quoted(path_) + " was replaced by something that is not a report meanwhile";
        return false;
    }
    swappedOut.swap(newPath_);
    // The new report is in place: nothing from here on makes the run fail,
    // not even a lack of memory to remove the earlier one or to say so.
    try {
        if (!removeDirectoryTree(swappedOut, kReportMarkerName)) {
            warning_ = "the earlier report, moved aside to " + quoted(swappedOut) +
                       ", could not be removed: " + lastDirectoryError();
        }
    } catch (const std::bad_alloc&) {
        warning_.clear();
    }
    return true;
}

// Moves an earlier report aside and renames the new one into place; does
// nothing once exchangeIntoPlace has put it there.
bool ReportDirectory::renameIntoPlace(std::string& error) {
    if (newPath_.empty()) {
        return true;
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
    try {
        if (!old.empty() && !removeDirectoryTree(old, kReportMarkerName)) {
            warning_ = "the earlier report, moved aside to " + quoted(old) +
                       ", could not be removed: " + lastDirectoryError();
        }
    } catch (const std::bad_alloc&) {
        warning_.clear();
    }
    return true;
}

void ReportDirectory::abandon() {
    if (!newPath_.empty()) {
        removeDirectoryTree(newPath_, kReportMarkerName);
        newPath_.clear();
    }
    lock_.release();
}

}  // namespace korvcmp
