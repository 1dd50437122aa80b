// Reading korvcmp-lost's options and its one file name, and its usage text.
#include "lost/lost_command_line.h"

namespace korvcmp {

const std::string_view kLostUsage =
    "Usage: korvcmp-lost [--new] [--format gnu|github|json] [COMPARED_LISTING | -]\n"
    "       korvcmp-lost -h\n"
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
    "  --format gnu     FILE:LINE: lost: ... lines, for editors (the default)\n"
    "  --format github  GitHub Actions workflow commands (::warning ...)\n"
    "  --format json    JSON Lines, one object per item or note\n"
    "  -h, --help       this text\n"
    "\n"
    "The totals go to standard error. Exit status: 0 no lost coverage,\n"
    "1 lost coverage found, 2 trouble (a bad command line, a file that cannot\n"
    "be read or is not a complete compared listing, output that cannot be written).\n";

namespace {

constexpr std::string_view kFormatOption = "--format";
constexpr std::string_view kFormatNames = "gnu, github or json";
constexpr std::string_view kSeeUsage = " (korvcmp-lost -h shows the usage)";

std::string quoted(std::string_view text) {
    std::string result(1, '"');
    result.append(text);
    result.push_back('"');
    return result;
}

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
        } else if (argument == kFormatOption || argument.starts_with("--format=")) {
            std::string_view name;
            if (argument == kFormatOption) {
                if (i + 1 == argumentCount) {
                    return fail("--format needs a format: " + std::string(kFormatNames));
                }
                name = arguments[++i];
            } else {
                name = argument.substr(kFormatOption.size() + 1);
            }
            const std::optional<FindingFormat> format = findingFormatNamed(name);
            if (!format) {
                return fail("unknown format " + quoted(name) + ", use " +
                            std::string(kFormatNames));
            }
            options.format = *format;
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
