// Fields of a listing's header and section lines that the programs show:
// the path a MONITORED line names, the file a "#line" line names, and the production time in the
// asctime layout ("Wed Mar  5 16:48:02 2025"), read from a header and written into a compared
// listing's.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace korvcmp {

// The source file a MONITORED line names: the text after its label
// ("MONITORED SOURCE FILE : "), or after "MONITORED " when it has no label.
std::string_view monitoredPath(std::string_view monitoredLine);

// The name a FUNCTION line gives its function: the text after "FUNCTION "
// in column 30; empty when the line is shorter.
std::string_view functionNameOf(std::string_view functionLine);

// The file a "#line N \"file\"" line of a function section names, its
// escapes undone ("\\\\" is one backslash), into `file`; empty when it names
// none. The function's profile lines are lines of that file.
void readLineDirectiveFile(std::string_view directiveLine, std::string& file);

// `time` in the asctime layout with English names, newline included
// ("Tue Dec  8 04:22:15 2026\n").
std::string asctimeText(const std::tm& time);

// A time in the asctime layout as year, month (0 to 11), day, hours, minutes
// and seconds, which compare in time order; none when the text does not
// begin with one.
using ProductionTime = std::tuple<int, int, int, int, int, int>;
std::optional<ProductionTime> parseAsctime(std::string_view text);

}  // namespace korvcmp
