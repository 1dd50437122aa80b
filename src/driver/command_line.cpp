// Command-line parsing and the usage text.
#include "driver/command_line.h"

#include <cstdio>
#include <string_view>

#include "base/fatal.h"

namespace korvcmp {
namespace {

constexpr std::string_view kUsage =
    "\n"
    "This is Korvo coverage comparator utility, korvcmp v1.0\n"
    "\n"
    "korvcmp reads two korvrpt-generated Execution Profile Listings. As output\n"
    "it writes a copy of the second listing with structural coverage differences\n"
    "marked after the execution hit counts as follows:\n"
    "\n"
    "  ^ => new coverage (listing 2 showed coverage while listing 1 did not)\n"
    "  v => lost coverage (listing 2 did not show coverage while listing 1 did)\n"
    "    => equal coverage (both listings showed coverage or both did not)\n"
    "\n"
    "If a file is only in listing 2, or if it is changed or instrumented/reported\n"
    "in a non-comparable way, the file is compared as if all of its hits were new.\n"
    "\n"
    "The amount of differences [hits in listing 1 + new hits in listing 2 - lost\n"
    "hits in listing 2] is reported at summary levels.\n"
    "\n"
    "Usage:\n"
    "\n"
    "korvcmp -i1 profile1.txt -i2 profile2.txt -p {output.txt|-}\n"
    "korvcmp -h\n";

// An input option: its word, the state it fills and its two messages.
struct InputOption {
    std::string_view word;
    const char* CommandLine::*path;
    const char* alreadyGiven;
    const char* argumentMissing;
};

constexpr InputOption kInputOptions[] = {
    {"-i1", &CommandLine::listing1Path, "Command line, -i1 option already given",
     "Command line, argument missing for option -i1"},
    {"-i2", &CommandLine::listing2Path, "Command line, -i2 option already given",
     "Command line, argument missing for option -i2"},
};

bool beginsWithDash(const char* argument) {
    return argument[0] == '-';
}

}  // namespace

void printUsage() {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
}

std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv) {
    CommandLine paths{nullptr, nullptr, nullptr};
    if (argc <= 1) {
        printUsage();
        return std::nullopt;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool matched = false;
        for (const InputOption& option : kInputOptions) {
            if (argument != option.word) {
                continue;
            }
            if (paths.*option.path != nullptr) {
                fatal(option.alreadyGiven);
            }
            if (value == nullptr || beginsWithDash(value)) {
                fatal(option.argumentMissing);
            }
            paths.*option.path = value;
            matched = true;
        }
        if (matched) {
            ++i;
            continue;
        }
        if (argument == "-p") {
            if (paths.outputPath != nullptr) {
                fatal("Command line, -p option already given");
            }
            if (value == nullptr || (beginsWithDash(value) && std::string_view(value) != "-")) {
                fatal("Command line, argument missing for option -p");
            }
            paths.outputPath = value;
            ++i;
            continue;
        }
        if (argument == "-h") {
            printUsage();
            return std::nullopt;
        }
        fatal("Command line, bad option: \"%s\"", argument);
    }
    if (paths.listing1Path == nullptr) {
        fatal("Command line, option -i1 missing");
    }
    if (paths.listing2Path == nullptr) {
        fatal("Command line, option -i2 missing");
    }
    if (paths.outputPath == nullptr) {
        fatal("Command line, option -p missing");
    }
    return paths;
}

}  // namespace korvcmp
