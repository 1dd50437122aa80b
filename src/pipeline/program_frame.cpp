// Messages, texts and option values for every program.
#include "pipeline/program_frame.h"

#include <cstring>

#include "base/package_version.h"
#include "base/terminal_text.h"

namespace korvcmp {
namespace {

// Writes the parts and a newline as one line: in one write when they fit a
// buffer on the stack, so that lines of runs at once do not mix.
void writeLine(std::FILE* errors, std::string_view first, std::string_view second,
               std::string_view third) {
    char line[4096];
    const std::size_t size = first.size() + second.size() + third.size() + 1;
    if (size <= sizeof line) {
        char* end = line;
        for (const std::string_view part : {first, second, third}) {
            if (!part.empty()) {
                std::memcpy(end, part.data(), part.size());
                end += part.size();
            }
        }
        *end = '\n';
        std::fwrite(line, 1, size, errors);
        return;
    }
    for (const std::string_view part : {first, second, third}) {
        std::fwrite(part.data(), 1, part.size(), errors);
    }
    std::fputc('\n', errors);
}

}  // namespace

void ProgramFrame::error(std::FILE* errors, std::string_view message) const {
    writeShown(errors, errorPrefix, {}, message);
}

void ProgramFrame::warning(std::FILE* errors, std::string_view message) const {
    writeShown(errors, name, ": warning: ", message);
}

void ProgramFrame::writeShown(std::FILE* errors, std::string_view first, std::string_view second,
                              std::string_view message) const {
    // One line: a message that ends in a newline of its own (the one of a
    // strange profile line does) gets none but the line's. korvcmp writes
    // such a message as it always did, with an empty line after it.
    while (escapesListingText && message.ends_with('\n')) {
        message.remove_suffix(1);
    }
    // A message without a byte to escape needs no copy; one that cannot be
    // copied for want of memory says so instead.
    if (!escapesListingText || isTerminalSafe(message)) {
        writeLine(errors, first, second, message);
        return;
    }
    try {
        const std::string escaped = terminalText(message);
        writeLine(errors, first, second, escaped);
    } catch (const std::bad_alloc&) {
        writeLine(errors, first, second, outOfMemory);
    }
}

std::string ProgramFrame::versionText() const {
    std::string text(name);
    text.push_back(' ');
    text.append(kPackageVersion);
    text.push_back('\n');
    return text;
}

int ProgramFrame::printText(std::string_view text) const {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return written && std::fflush(stdout) == 0 ? 0 : troubleStatus;
}

bool namesStandardOutput(std::string_view path, StandardOutputNames names) {
    return path == "-" || (names == StandardOutputNames::dashOrStdout && path == "stdout");
}

std::optional<const char*> optionValue(std::string_view name, int& i, int argumentCount,
                                       const char* const* arguments) {
    const std::string_view argument = arguments[i];
    if (argument == name) {
        return i + 1 < argumentCount ? arguments[++i] : nullptr;
    }
    if (name.starts_with("--") && argument.size() > name.size() && argument.starts_with(name) &&
        argument[name.size()] == '=') {
        return arguments[i] + name.size() + 1;
    }
    return std::nullopt;
}

std::string quoted(std::string_view text) {
    std::string result(1, '"');
    result.append(text);
    result.push_back('"');
    return result;
}

std::string withReason(std::string message, const SystemFailure& failure) {
    if (failure.code != 0) {
        message.append(": ");
        message.append(failure.text());
    }
    return message;
}

}  // namespace korvcmp
