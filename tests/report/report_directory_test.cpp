// The report directory: a report appears at its place only when committed,
// replaces an earlier report whole, and leaves no trace when abandoned; what
// is not a report is refused and kept as it is.
#include "report/report_directory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/output_file.h"
#include "support/temp_dir.h"

namespace korvcmp {
namespace {

namespace fs = std::filesystem;
using testing::fileExists;
using testing::readFile;
using testing::TempDir;

// Every entry below `root` (links not followed) with a file's bytes, a
// directory as "/" and a link as "->".
std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).generic_string();
        if (entry.is_symlink()) {
            entries[name] = "->";
        } else if (entry.is_directory()) {
            entries[name] = "/";
        } else {
            entries[name] = readFile(entry.path().string());
        }
    }
    return entries;
}

void writeFile(const std::string& path, const std::string& text) {
    OutputFile file;
    ASSERT_TRUE(file.create(path.c_str(), LineEnds::asWritten)) << path;
    ASSERT_TRUE(file.write(text.data(), text.size()));
    ASSERT_TRUE(file.close());
}

// A report at `path` holding index.html and files/page.html with `text`.
void writeReport(const std::string& path, const std::string& text) {
    ReportDirectory report;
    std::string error;
    ASSERT_TRUE(report.begin(path, error)) << error;
    writeFile(report.filePath("index.html"), text);
    writeFile(report.filePath("files/page.html"), text);
    ASSERT_TRUE(report.commit(error)) << error;
    EXPECT_TRUE(report.warning().empty()) << report.warning();
}

// The names of the report's working directories left in `folder`.
std::string leftovers(const fs::path& folder) {
    std::string names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".korvcmp-report-") != std::string::npos) {
            names += name + " ";
        }
    }
    return names;
}

// The working directory changed for one test, and back.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const fs::path& path) : previous_(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingDirectory() { fs::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    fs::path previous_;
};

TEST(ReportDirectory, IsInPlaceOnlyOnceCommittedAndReplacesAnEarlierReportWhole) {
    static const struct {
        const char* name;
        const char* path;  // as given, in the test's directory
        bool earlierReport;
    } cases[] = {
        {"a new report", "report", false},
        {"a new report, trailing slash", "report/", false},
#ifdef _WIN32
        {"a new report, trailing backslash", "report\\", false},
#endif
        {"a new report, below", "sub/report", false},
        {"over an earlier report", "report", true},
        {"over an earlier report, trailing slash", "report/", true},
        {"over an earlier report, below", "sub/report", true},
    };
    for (const auto& c : cases) {
        for (const bool relative : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (relative ? ", relative" : ", absolute"));
            const TempDir dir;
            fs::create_directory(dir.path() / "sub");
            const std::string path = relative ? std::string(c.path) : dir.file(c.path);
            const WorkingDirectory inDir(dir.path());
            std::string name = c.path;
            while (name.back() == '/' || name.back() == '\\') {
                name.pop_back();
            }
            const fs::path target = dir.path() / name;
            if (c.earlierReport) {
                writeReport(path, "earlier");
            }
            const auto before = contents(dir.path());

            ReportDirectory report;
            std::string error;
            ASSERT_TRUE(report.begin(path, error)) << error;
            writeFile(report.filePath("index.html"), "new");
            writeFile(report.filePath("files/new.html"), "new\n");
            for (const auto& [name, text] : before) {
                EXPECT_EQ(contents(dir.path())[name], text) << name << " changed before the commit";
            }
            ASSERT_TRUE(report.commit(error)) << error;
            EXPECT_TRUE(report.warning().empty()) << report.warning();

            auto after = contents(target);
            EXPECT_EQ(after.erase(std::string(kReportMarkerName)), 1U);
            const std::map<std::string, std::string> expected = {
                {"index.html", "new"}, {"files", "/"}, {"files/new.html", "new\n"}};
            EXPECT_EQ(after, expected);
            EXPECT_EQ(leftovers(target.parent_path()), "");
        }
    }
}

TEST(ReportDirectory, RefusesWhatIsNoReportAndChangesNothing) {
    static const struct {
        const char* name;
        const char* path;                           // in the test's directory
        std::function<bool(const fs::path&)> make;  // false: the system cannot make it
        const char* says;                           // a part of the message
    } cases[] = {
        {"a plain file", "report",
         [](const fs::path& dir) {
             writeFile((dir / "report").string(), "a file of the user's");
             return true;
         },
         "not a directory"},
        {"a directory of the user's", "report",
         [](const fs::path& dir) {
             fs::create_directories(dir / "report" / "src");
             writeFile((dir / "report" / "src" / "main.c").string(), "int main;");
             writeFile((dir / "report" / "index.html").string(), "the user's page");
             return true;
         },
         "not a report"},
        {"an empty directory", "report/",
         [](const fs::path& dir) { return fs::create_directory(dir / "report"); }, "empty"},
        {"a marker that is a directory", "report",
         [](const fs::path& dir) {
             return fs::create_directories(dir / "report" / std::string(kReportMarkerName));
         },
         "not a report"},
        {"a link to an earlier report", "report",
         [](const fs::path& dir) {
             writeReport((dir / "earlier").string(), "earlier");
             std::error_code error;
             fs::create_directory_symlink(dir / "earlier", dir / "report", error);
             return !error;
         },
         "not a directory"},
        {"no parent", "missing/report", [](const fs::path&) { return true; }, "missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        if (!c.make(dir.path())) {
            std::printf("skipped: %s cannot be made here\n", c.name);
            continue;
        }
        const auto before = contents(dir.path());
        ReportDirectory report;
        std::string error;
        EXPECT_FALSE(report.begin(dir.file(c.path), error));
        EXPECT_NE(error.find(fs::path(dir.file("report")).filename().string()), std::string::npos)
            << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(contents(dir.path()), before);
    }
}

TEST(ReportDirectory, AbandonedLeavesNothingAndAnEarlierReportAsItWas) {
    static const struct {
        const char* name;
        bool earlierReport;
        std::function<void(ReportDirectory&)> end;
    } cases[] = {
        {"abandoned", false, [](ReportDirectory& report) { report.abandon(); }},
        {"destroyed", false, [](ReportDirectory&) {}},
        {"abandoned, an earlier report", true, [](ReportDirectory& report) { report.abandon(); }},
        {"destroyed, an earlier report", true, [](ReportDirectory&) {}},
        {"the new directory gone before the commit", true,
         [](ReportDirectory& report) {
             fs::remove_all(fs::path(report.filePath("files")).parent_path());
             std::string error;
             EXPECT_FALSE(report.commit(error));
             EXPECT_NE(error.find("cannot rename"), std::string::npos) << error;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        if (c.earlierReport) {
            writeReport(dir.file("report"), "earlier");
        }
        const auto before = contents(dir.path());
        {
            ReportDirectory report;
            std::string error;
            ASSERT_TRUE(report.begin(dir.file("report"), error)) << error;
            writeFile(report.filePath("index.html"), "new");
            writeFile(report.filePath("files/page.html"), "new");
            c.end(report);
        }
        EXPECT_EQ(contents(dir.path()), before);
    }
}

TEST(ReportDirectory, RemovesAReadOnlyFileOfAnEarlierReport) {
    const TempDir dir;
    const std::string path = dir.file("report");
    writeReport(path, "earlier");
    fs::permissions(fs::path(path) / "files" / "page.html", fs::perms::owner_read);
    fs::permissions(fs::path(path) / "index.html", fs::perms::owner_read);
    // On Windows that is the read-only attribute, which DeleteFileW refuses.
    EXPECT_EQ(fs::status(fs::path(path) / "index.html").permissions() & fs::perms::owner_write,
              fs::perms::none);
    writeReport(path, "new");
    EXPECT_EQ(readFile(path + "/files/page.html"), "new");
    EXPECT_EQ(leftovers(dir.path()), "");
}

// What killed runs left beside the report: removed by the next run when it
// is korvcmp-report's (it carries the marker, or is empty), with an earlier
// report moved aside put back first; a directory of the user's stays.
TEST(ReportDirectory, RemovesWhatKilledRunsLeft) {
    static const struct {
        const char* name;
        const char* leftover;  // beside "report"
        bool isReport;         // a whole report, else a directory with a file of the user's
        bool earlierReport;    // a report at "report"
        const char* kept;      // leftovers() once the new report is in place
    } cases[] = {
        {"a new report, complete", "report.korvcmp-report-new-1", true, true, ""},
        {"a new report, nothing at DIR", "report.korvcmp-report-new-1", true, false, ""},
        {"an earlier report moved aside", "report.korvcmp-report-old-3", true, true, ""},
        {"an earlier report moved aside, nothing at DIR", "report.korvcmp-report-old-1", true,
         false, ""},
        {"a lock", "report.korvcmp-report-lock", false, true, ""},
        {"a directory of the user's", "report.korvcmp-report-new-2", false, true,
         "report.korvcmp-report-new-2 "},
        {"not numbered", "report.korvcmp-report-new-x", true, true, "report.korvcmp-report-new-x "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const std::string leftover = dir.file(c.leftover);
        if (std::string_view(c.leftover).ends_with("-lock")) {
            writeFile(leftover, "");
        } else if (c.isReport) {
            writeReport(leftover, "left");
        } else {
            fs::create_directory(leftover);
            writeFile(leftover + "/notes.txt", "mine");
        }
        if (c.earlierReport) {
            writeReport(dir.file("report"), "earlier");
        }
        ReportDirectory report;
        std::string error;
        ASSERT_TRUE(report.begin(dir.file("report"), error)) << error;
        const bool putBack = !c.earlierReport &&
                             std::string_view(c.leftover).find("-old-") != std::string_view::npos;
        EXPECT_EQ(fileExists(dir.file("report/index.html")), c.earlierReport || putBack);
        writeFile(report.filePath("index.html"), "new");
        ASSERT_TRUE(report.commit(error)) << error;
        EXPECT_EQ(readFile(dir.file("report/index.html")), "new");
        EXPECT_EQ(leftovers(dir.path()), c.kept);
    }
}

}  // namespace
}  // namespace korvcmp
