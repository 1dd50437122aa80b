// Message formatting and the throwing `fatal`.
#include "base/fatal.h"

namespace korvcmp {
namespace {

constexpr std::string_view kErrorPrefix = "*** korvcmp error: ";

// Replaces the first "%s" with `text` and, after it, the first "%i" with `number`.
std::string fill(std::string_view format, const std::string_view* text,
                 const std::int64_t* number) {
    std::string out;
    out.reserve(format.size() + (text != nullptr ? text->size() : 0) + 24);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's' && text != nullptr) {
                out.append(*text);
                text = nullptr;
                ++i;
                continue;
            }
            if (format[i + 1] == 'i' && number != nullptr) {
                out.append(std::to_string(*number));
                number = nullptr;
                ++i;
                continue;
            }
        }
        out.push_back(format[i]);
    }
    return out;
}

}  // namespace

std::string fatalReport(std::string_view message) {
    std::string report(kErrorPrefix);
    report.append(message);
    report.push_back('\n');
    return report;
}

std::string formatMessage(std::string_view format) {
    return std::string(format);
}

std::string formatMessage(std::string_view format, std::string_view text) {
    return fill(format, &text, nullptr);
}

std::string formatMessage(std::string_view format, std::string_view text, std::int64_t number) {
    return fill(format, &text, &number);
}

void fatal(std::string_view message) {
    throw FatalError(formatMessage(message));
}

void fatal(std::string_view format, std::string_view text) {
    throw FatalError(formatMessage(format, text));
}

void fatal(std::string_view format, std::string_view text, std::int64_t number) {
    throw FatalError(formatMessage(format, text, number));
}

}  // namespace korvcmp
