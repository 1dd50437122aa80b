// The MONITORED path and the asctime layout, read and written.
#include "listing/listing_fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "listing/listing_model.h"
#include "listing/listing_texts.h"

namespace korvcmp {
namespace {

constexpr std::string_view kLabelEnd = " : ";

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The number in `width` characters at `at` of `text`, blanks before it
// allowed; none when they hold anything else.
std::optional<int> numberAt(std::string_view text, std::size_t at, std::size_t width) {
    std::string_view digits = text.substr(at, width);
    while (!digits.empty() && digits.front() == ' ') {
        digits.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string_view monitoredPath(std::string_view monitoredLine) {
    std::string_view path = monitoredLine.substr(std::min(monitoredLine.size(), kMonitored.size()));
    if (const std::size_t labelEnd = path.find(kLabelEnd); labelEnd != std::string_view::npos) {
        path.remove_prefix(labelEnd + kLabelEnd.size());
    }
    return path;
}

std::string_view functionNameOf(std::string_view functionLine) {
    const std::size_t from = kDescriptionColumn + kFunction.size();
    return from <= functionLine.size() ? functionLine.substr(from) : std::string_view();
}

void readLineDirectiveFile(std::string_view directiveLine, std::string& file) {
    file.clear();
    const std::size_t quote = directiveLine.find('"', kDescriptionColumn);
    if (quote == std::string_view::npos) {
        return;
    }
    const std::string_view rest = directiveLine.substr(quote + 1);
    for (std::size_t i = 0; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) {
            ++i;
        }
        file.push_back(rest[i]);
    }
}

std::string asctimeText(const std::tm& time) {
    const auto day = static_cast<std::size_t>(time.tm_wday) % kDays.size();
    const auto month = static_cast<std::size_t>(time.tm_mon) % kMonths.size();
    char text[64];
    std::snprintf(text, sizeof text, "%s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[day],
                  kMonths[month].data(), time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec,
                  1900 + time.tm_year);
    return text;
}

std::optional<ProductionTime> parseAsctime(std::string_view text) {
    constexpr std::size_t kLength = 24;
    if (text.size() < kLength || text[3] != ' ' || text[7] != ' ' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != ' ') {
        return std::nullopt;
    }
    int month = 0;
    while (month < 12 && kMonths[static_cast<std::size_t>(month)] != text.substr(4, 3)) {
        ++month;
    }
    const auto day = numberAt(text, 8, 2);
    const auto hours = numberAt(text, 11, 2);
    const auto minutes = numberAt(text, 14, 2);
    const auto seconds = numberAt(text, 17, 2);
    const auto year = numberAt(text, 20, 4);
    if (month == 12 || !day || !hours || !minutes || !seconds || !year) {
        return std::nullopt;
    }
    return ProductionTime{*year, month, *day, *hours, *minutes, *seconds};
}

}  // namespace korvcmp
