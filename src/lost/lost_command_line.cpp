// Reading korvcmp-lost's options and its one file name, and its usage text.
#include "lost/lost_command_line.h"

#include <charconv>
#include <optional>
#include <system_error>

#include "pipeline/program_frame.h"

namespace korvcmp {

const std::string_view kLostUsage =
    "Usage: korvcmp-lost [--new] [--format=FORMAT] [--limit N] [--] [COMPARED_LISTING | -]\n"
    "       korvcmp-lost -h | --version\n"
    "\n"
    "Reads a compared listing that korvcmp wrote and reports where coverage was\n"
    "lost: one line per item marked v, in listing order, naming the source file,\n"
    "the source line, the function, the count that changed and the line's\n"
    "description. A file that korvcmp did not compare gets one note instead.\n"
    "Without COMPARED_LISTING, or with -, it reads standard input:\n"
    "\n"
    "  korvcmp -i1 base.lst -i2 new.lst -p - | korvcmp-lost\n"
    "\n"
    "  --new            also report new coverage (items marked ^)\n"
    "  --format=FORMAT  (or --format FORMAT) how findings are written:\n"
    "      gnu          FILE:LINE: lost: ... lines, for editors (the default)\n"
    "      github       GitHub Actions workflow commands (::warning ...)\n"
    "      json         JSON Lines, one object per item or note\n"
    "      sarif        one SARIF 2.1.0 log, for code scanning (GitHub, Azure DevOps)\n"
    "      codequality  a GitLab Code Quality report, for merge requests\n"
    "  --limit N        write at most N findings and say how many were left out;\n"
    "                   0 writes all (the default; 25000 for sarif, as GitHub takes)\n"
    "  --               ends the options: the next argument is the listing\n"
    "  -h, --help       this text\n"
    "  --version        the program's name and version\n"
    "\n"
    "The totals go to standard error and count every finding, written or left out.\n"
    "Exit status: 0 no lost coverage,\n"
    "1 lost coverage found, 2 trouble (a bad command line, a file that cannot\n"
    "be read or is not a complete compared listing, output that cannot be written).\n";

namespace {

constexpr std::string_view kFormatOption = "--format";
constexpr std::string_view kLimitOption = "--limit";
constexpr std::string_view kSeeUsage = " (korvcmp-lost -h shows the usage)";

}  // namespace

LostCommandLine parseLostCommandLine(int argumentCount, const char* const* arguments) {
    LostCommandLine result;
    LostOptions& options = result.options;
    const char* listing = nullptr;
    bool optionsEnded = false;
    const auto fail = [&](const std::string& message) {
        result.error = message + std::string(kSeeUsage);
        return result;
    };
    for (int i = 0; i < argumentCount; ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (!isOption) {
            if (listing != nullptr) {
                return fail("more than one compared listing: " + quoted(listing) + " and " +
                            quoted(argument));
            }
            listing = arguments[i];
        } else if (argument == "-h" || argument == "--help") {
            options.showUsage = true;
            return result;
        } else if (argument == "--new") {
            options.includeNew = true;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--version") {
            options.showVersion = true;
            return result;
        } else if (const auto formatValue =
                       optionValue(kFormatOption, i, argumentCount, arguments)) {
            const std::string_view name = *formatValue != nullptr ? *formatValue : "";
            if (name.empty()) {
                return fail("--format needs a format: " + std::string(kFindingFormatNames));
            }
            const std::optional<FindingFormat> format = findingFormatNamed(name);
            if (!format) {
                return fail("unknown format " + quoted(name) + ", use " +
                            std::string(kFindingFormatNames));
            }
            options.format = *format;
        } else if (const auto limitValue = optionValue(kLimitOption, i, argumentCount, arguments)) {
            const std::string_view count = *limitValue != nullptr ? *limitValue : "";
            std::int64_t limit = -1;
            const auto [end, error] =
                std::from_chars(count.data(), count.data() + count.size(), limit);
            if (count.empty() || error != std::errc() || end != count.data() + count.size() ||
                limit < 0) {
                return fail("--limit needs a number of findings, 0 for all, not " + quoted(count));
            }
            options.limit = limit;
        } else {
            return fail("unknown option " + quoted(argument));
        }
    }
    if (listing != nullptr && std::string_view(listing) != "-") {
        options.listingPath = listing;
    }
    return result;
}

}  // namespace korvcmp
