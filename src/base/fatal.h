// Fatal-error reporting. Every failure of a run ends in `fatal`, which formats
// the message and throws FatalError; the program's entry point turns that into
// one "*** korvcmp error: " line on standard error and exit status -1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvcmp {

// Thrown by `fatal`. `message` is the formatted message without the
// "*** korvcmp error: " prefix and without the closing newline.
class FatalError : public std::runtime_error {
  public:
    explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

// The line `fatal` writes for a message: prefix, message, newline.
std::string fatalReport(std::string_view message);

// Fills "%s" (a text) and "%i" (a decimal integer) in the printf manner.
std::string formatMessage(std::string_view format);
std::string formatMessage(std::string_view format, std::string_view text);
std::string formatMessage(std::string_view format, std::string_view text, std::int64_t number);

[[noreturn]] void fatal(std::string_view message);
[[noreturn]] void fatal(std::string_view format, std::string_view text);
[[noreturn]] void fatal(std::string_view format, std::string_view text, std::int64_t number);

}  // namespace korvcmp
