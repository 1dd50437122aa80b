// Rendering of test listings.
#include "support/listing_builder.h"

namespace korvcmp::testing {
namespace {

// `text` right-aligned in a field of `width` characters.
std::string rightAligned(std::string_view text, std::size_t width) {
    std::string field(text.size() < width ? width - text.size() : 0, ' ');
    field += text;
    return field;
}

void addLine(std::string& out, std::string_view line) {
    out += line;
    out += '\n';
}

void renderFunction(std::string& out, const FunctionLayout& section) {
    if (section.lineDirective) {
        addLine(out, *section.lineDirective);
    }
    for (const std::string& line : section.lines) {
        addLine(out, line);
    }
    if (!section.withTer) {
        return;
    }
    addLine(out, "");
    addLine(out, section.terLine);
    addLine(out, section.terLine2);
    addLine(out, std::string(section.ruleLength, '-'));
    addLine(out, "");
}

void renderFile(std::string& out, const FileLayout& file) {
    addLine(out, monitoredLine(file.name));
    addLine(out, "INSTRUMENTATION MODE  : " + file.mode);
    addLine(out, "");
    addLine(out, " HITS/TRUE      FALSE    LINE DESCRIPTION");
    addLine(out, std::string(77, '='));
    addLine(out, "");
    for (const std::string& include : file.includes) {
        addLine(out, include);
    }
    for (const FunctionLayout& section : file.functions) {
        renderFunction(out, section);
    }
    addLine(out, "");
    addLine(out, file.terLine);
    addLine(out, file.terLine2);
    addLine(out, std::string(file.ruleLength, '-'));
    addLine(out, "");
    addLine(out, "");
    addLine(out, "");
}

}  // namespace

std::string profileLine(std::string_view trueCount, std::string_view falseCount, char flag,
                        std::string_view lineNumber, std::string_view description) {
    std::string line = rightAligned(trueCount, 10);
    line += ' ';
    line += rightAligned(falseCount, 10);
    line += ' ';
    line += flag;
    line += ' ';
    line += rightAligned(lineNumber, 6);
    line += description;
    return line;
}

std::string lineDirective(std::string_view text) {
    return std::string(30, ' ') + std::string(text);
}

std::vector<std::string> standardSummary() {
    return {
        "SUMMARY",
        "=======",
        "",
        "Source files       :     1",
        "Headers extracted  :     0",
        "Functions          :     1",
        "Source lines       :    40",
        "TER                : 100% (   1/   1)  Decisions+Conditions",
        "TER                : 100% (   1/   1)  Statement blocks",
    };
}

FunctionLayout function(std::string_view name, std::vector<std::string> body) {
    FunctionLayout layout;
    const std::string signature = std::string(name) + "()";
    layout.lines.push_back(profileLine("1", "", ' ', "10", "FUNCTION " + signature));
    layout.lines.insert(layout.lines.end(), body.begin(), body.end());
    layout.terLine = "***TER 100% (   1/   1) of FUNCTION " + signature;
    return layout;
}

FunctionLayout functionOnly(std::string_view name, std::string_view hits) {
    FunctionLayout layout;
    layout.withTer = false;
    layout.lines.push_back(profileLine(hits, "", hits == "0" ? '-' : ' ', "10",
                                       "FUNCTION " + std::string(name) + "()"));
    return layout;
}

std::string monitoredLine(std::string_view name) {
    return "MONITORED SOURCE FILE : " + std::string(name);
}

std::string render(const ListingLayout& listing) {
    const HeaderLayout& header = listing.header;
    const std::string frame = "*" + std::string(75, ' ') + "*";
    std::string out;
    addLine(out, std::string(77, '*'));
    addLine(out, header.banner + "          *");
    addLine(out, frame);
    addLine(out, header.title);
    addLine(out, frame);
    addLine(out, std::string(77, '*'));
    addLine(out, "");
    if (header.producedAt) {
        addLine(out, "Listing produced at   : " + *header.producedAt);
    }
    if (header.coverageView) {
        addLine(out, "Coverage view         : " + *header.coverageView);
    }
    for (const std::string& line : header.extraLines) {
        addLine(out, line);
    }
    addLine(out, "");
    for (const FileLayout& file : listing.files) {
        renderFile(out, file);
    }
    for (const std::string& line : listing.summary) {
        addLine(out, line);
    }
    out += listing.trailer;
    return out;
}

int lineOf(std::string_view text, std::string_view needle, int from) {
    int number = 1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (number >= from && text.substr(start, end - start).find(needle) != std::string::npos) {
            return number;
        }
        start = end + 1;
        ++number;
    }
    return 0;
}

std::string replaceLine(std::string_view text, int number, std::optional<std::string> line) {
    std::size_t start = 0;
    for (int i = 1; i < number; ++i) {
        start = text.find('\n', start) + 1;
    }
    const std::size_t end = text.find('\n', start);
    std::string out(text.substr(0, start));
    if (line) {
        out += *line;
        out += '\n';
    }
    out += text.substr(end + 1);
    return out;
}

}  // namespace korvcmp::testing
