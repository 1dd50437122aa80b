// Reading korvcmp-report's options, and its usage text.
#include "report/report_command_line.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include "pipeline/program_frame.h"

namespace korvcmp {

const std::string_view kReportUsage =
    "Usage: korvcmp-report -i1 LISTING1 -i2 LISTING2 [--html DIR] [--markdown FILE|-]\n"
    "                      [--markdown-limit BYTES] [--json FILE|-] [--sarif FILE]\n"
    "                      [--codequality FILE] [--title TEXT] [--fail-on-lost]\n"
    "                      [--fail-under-added PCT]\n"
    "       korvcmp-report -h | --help | --version\n"
    "\n"
    "Compares two execution profile listings as korvcmp does and writes what\n"
    "changed for people to look at. At least one output is needed:\n"
    "\n"
    "  --html DIR       an HTML report in the directory DIR: DIR/index.html, the\n"
    "                   files by directory, and a page per file with both runs'\n"
    "                   counts; an earlier report at DIR is replaced once the new\n"
    "                   one is complete, a DIR that is no report is left alone\n"
    "  --markdown FILE  a Markdown summary for a pull request or a CI job summary\n"
    "  --markdown-limit BYTES\n"
    "                   its size at most (default 1048576, what a job summary\n"
    "                   takes; 65536 for a pull request comment): the tables\n"
    "                   are cut, \"... and N more\" says what is left out\n"
    "  --json FILE      the figures of every file and function as one JSON document\n"
    "                   (FILE - is standard output, for one of the two)\n"
    "  --sarif FILE     a SARIF log for code scanning: a result for every lost item\n"
    "                   and every added item not covered, also in edited and moved\n"
    "                   files\n"
    "  --codequality FILE  the same as a GitLab Code Quality report\n"
    "  --title TEXT     the report's title (default: \"Coverage: LISTING1 -> LISTING2\")\n"
    "  --fail-on-lost   exit with status 1 when coverage was lost\n"
    "  --fail-under-added PCT\n"
    "                   exit with status 1 when less than PCT percent of the\n"
    "                   items of added code (code only listing 2 has) is covered\n"
    "  -h, --help       this text\n"
    "  --version        the version\n"
    "\n"
    "  korvcmp-report -i1 base.lst -i2 new.lst --html report \\\n"
    "                 --markdown \"$GITHUB_STEP_SUMMARY\" --fail-on-lost\n"
    "\n"
    "Exit status: 0 written; 1 with --fail-on-lost, coverage lost (in a compared,\n"
    "edited or moved file, or a file only in listing 1 that listing 1 covered),\n"
    "or with --fail-under-added, too little added code covered; 2 trouble (a bad\n"
    "command line, a listing that cannot be read or is not valid, output that\n"
    "cannot be written), with one line on standard error.\n";

namespace {

constexpr std::string_view kSeeUsage = " (korvcmp-report -h shows the usage)";

// A percentage from 0 to 100, such as "80" or "92.5"; below 0 when `text`
// is none.
double percentageOf(std::string_view text) {
    double value = -1;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0) || value > 100) {
        return -1;
    }
    return value;
}

}  // namespace

ReportCommandLine parseReportCommandLine(int argumentCount, const char* const* arguments) {
    ReportCommandLine result;
    ReportOptions& options = result.options;
    const char* title = nullptr;
    const char* failUnderAdded = nullptr;
    const char* markdownLimit = nullptr;
    // The options that take a value, each in the form "OPTION VALUE" or, for
    // the long ones, "OPTION=VALUE".
    struct ValueOption {
        std::string_view name;
        const char** value;
    };
    const std::array<ValueOption, 10> valueOptions = {{{"-i1", &options.listing1Path},
                                                       {"-i2", &options.listing2Path},
                                                       {"--html", &options.htmlDirectory},
                                                       {"--markdown", &options.markdownPath},
                                                       {"--markdown-limit", &markdownLimit},
                                                       {"--json", &options.jsonPath},
                                                       {"--sarif", &options.sarifPath},
                                                       {"--codequality", &options.codeQualityPath},
                                                       {"--title", &title},
                                                       {"--fail-under-added", &failUnderAdded}}};
    const auto fail = [&](const std::string& message) {
        result.error = message + std::string(kSeeUsage);
        return result;
    };
    for (int i = 0; i < argumentCount; ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            options.showUsage = true;
            return result;
        }
        if (argument == "--version") {
            options.showVersion = true;
            return result;
        }
        if (argument == "--fail-on-lost") {
            options.failOnLost = true;
            continue;
        }
        const ValueOption* matched = nullptr;
        std::optional<const char*> value;
        for (const ValueOption& option : valueOptions) {
            value = optionValue(option.name, i, argumentCount, arguments);
            if (value) {
                matched = &option;
                break;
            }
        }
        if (matched == nullptr) {
            return fail(argument.starts_with("-") ? "unknown option " + quoted(argument)
                                                  : "unexpected argument " + quoted(argument));
        }
        if (*value == nullptr) {
            return fail(std::string(matched->name) + " needs a value");
        }
        if (*matched->value != nullptr) {
            return fail(std::string(matched->name) + " given twice");
        }
        if (**value == '\0') {
            return fail(std::string(matched->name) + " needs a value");
        }
        *matched->value = *value;
    }
    if (failUnderAdded != nullptr) {
        options.failUnderAdded = percentageOf(failUnderAdded);
        if (options.failUnderAdded < 0) {
            return fail("--fail-under-added needs a percentage from 0 to 100, not " +
                        quoted(failUnderAdded));
        }
    }
    if (options.listing1Path == nullptr || options.listing2Path == nullptr) {
        return fail("both listings are needed: -i1 LISTING1 -i2 LISTING2");
    }
    if (options.htmlDirectory == nullptr && options.markdownPath == nullptr &&
        options.jsonPath == nullptr && options.sarifPath == nullptr &&
        options.codeQualityPath == nullptr) {
        return fail(
            "no output asked for: give --html DIR, --markdown FILE, --json FILE, --sarif FILE "
            "or --codequality FILE");
    }
    // The findings are written while the listings are compared: a file that
    // takes its place once the run is through, never standard output.
    for (const auto& [name, path] : {std::pair{"--sarif", options.sarifPath},
                                     std::pair{"--codequality", options.codeQualityPath}}) {
        if (path != nullptr && namesStandardOutput(path)) {
            return fail(std::string(name) + " writes a file, not standard output");
        }
    }
    const std::pair<std::string_view, const char*> files[] = {
        {"--markdown", options.markdownPath},
        {"--json", options.jsonPath},
        {"--sarif", options.sarifPath},
        {"--codequality", options.codeQualityPath}};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        for (std::size_t j = i + 1; j < std::size(files); ++j) {
            if (files[i].second != nullptr && files[j].second != nullptr &&
                std::string_view(files[i].second) == files[j].second) {
                return fail(namesStandardOutput(files[i].second)
                                ? "only one of --markdown and --json can go to standard output"
                                : std::string(files[i].first) + " and " +
                                      std::string(files[j].first) + " name the same file");
            }
        }
    }
    if (markdownLimit != nullptr) {
        const std::string_view digits = markdownLimit;
        std::size_t bytes = 0;
        const auto [end, failure] =
            std::from_chars(digits.data(), digits.data() + digits.size(), bytes);
        if (failure != std::errc() || end != digits.data() + digits.size() ||
            bytes < kSmallestMarkdownLimit) {
            return fail("--markdown-limit takes a number of bytes, at least " +
                        std::to_string(kSmallestMarkdownLimit) + ", not " + quoted(digits));
        }
        options.markdownLimit = bytes;
    }
    options.title = title != nullptr ? std::string(title)
                                     : "Coverage: " + std::string(options.listing1Path) + " -> " +
                                           std::string(options.listing2Path);
    return result;
}

}  // namespace korvcmp
