// What korvcmp, korvcmp-lost and korvcmp-report share around their runs: the
// one line each error or warning takes on standard error, the catch that turns
// a fatal error, a lack of memory or of a thread into that line and the
// program's trouble status, the usage and version texts on standard output,
// and the reading of option values and standard output's names.
#pragma once

#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/fatal.h"
#include "platform/system_failure.h"

namespace korvcmp {

struct ProgramFrame {
    std::string_view name;         // "korvcmp-report"
    std::string_view errorPrefix;  // what stands before each error message
    std::string_view outOfMemory;  // the message when memory or a thread runs out
    int troubleStatus;             // the exit status after an error
    // Messages may quote a listing's texts: their control bytes and bytes
    // that are not UTF-8 are shown escaped ("\x1b"). korvcmp's messages are
    // written as they always were.
    bool escapesListingText = false;

    // Writes the error prefix, `message` and a newline to `errors` in one
    // write, allocating nothing: it may say that memory ran out.
    void error(std::FILE* errors, std::string_view message) const;
    // Writes "NAME: warning: " and `message` to `errors`.
    void warning(std::FILE* errors, std::string_view message) const;

    // Runs `body`, which returns the exit status. A FatalError it raises ends
    // the run with its message; a lack of memory, or of a thread or a lock the
    // system could not provide (out of the resources a run needs just the
    // same), with the out-of-memory message. Either way the status is
    // troubleStatus.
    template <typename Body>
    int run(std::FILE* errors, Body&& body) const {
        try {
            return body();
        } catch (const FatalError& failure) {
            error(errors, failure.what());
        } catch (const std::bad_alloc&) {
            error(errors, outOfMemory);
        } catch (const std::system_error&) {
            error(errors, outOfMemory);
        }
        return troubleStatus;
    }

    // Writes `first`, `second`, `message` (escaped as escapesListingText
    // says) and a newline.
    void writeShown(std::FILE* errors, std::string_view first, std::string_view second,
                    std::string_view message) const;

    // "NAME VERSION" and a newline.
    std::string versionText() const;
    // Writes `text` (the usage or the version) to standard output: 0, or
    // troubleStatus when it cannot be written.
    int printText(std::string_view text) const;
};

// The names a program takes for standard output as a destination.
enum class StandardOutputNames {
    dash,          // "-"
    dashOrStdout,  // "-" or "stdout"
};
bool namesStandardOutput(std::string_view path,
                         StandardOutputNames names = StandardOutputNames::dash);

// The value of the option `name` at arguments[i], given as "NAME VALUE" or,
// for a long option (one starting with "--"), "NAME=VALUE". None when the
// argument is not that option; a null value when "NAME" is the last
// argument. `i` moves past a separate value.
std::optional<const char*> optionValue(std::string_view name, int& i, int argumentCount,
                                       const char* const* arguments);

// `text` between double quotes, for messages.
std::string quoted(std::string_view text);

// `message`, then ": " and why `failure` failed in the system's words, when
// something failed ("Cannot write \"x\": No space left on device").
std::string withReason(std::string message, const SystemFailure& failure);

}  // namespace korvcmp
