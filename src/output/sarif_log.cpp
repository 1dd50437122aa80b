// The SARIF log's fixed parts and its results.
#include "output/sarif_log.h"

#include <array>
#include <cstddef>

#include "base/package_version.h"
#include "output/json_text.h"
#include "output/text_escaping.h"

namespace korvcmp {
namespace {

constexpr std::string_view kFingerprintName = "korvcmpFinding/v1";

void writeRule(OutputStream& out, const FindingRule& rule) {
    out.write("            {\"id\": \"");
    out.write(rule.id);
    out.write("\", \"name\": \"");
    out.write(rule.name);
    out.write("\",\n             \"shortDescription\": {\"text\": ");
    writeJsonString(out, rule.shortDescription);
    out.write("},\n             \"fullDescription\": {\"text\": ");
    writeJsonString(out, rule.fullDescription);
    out.write("},\n             \"help\": {\"text\": ");
    writeJsonString(out, rule.help);
    out.write("},\n             \"defaultConfiguration\": {\"level\": \"");
    out.write(rule.level);
    out.write("\"}}");
}

// The characters a URI path keeps as they are. A colon is not among them: in
// a relative path's first segment it would read as the end of a scheme.
constexpr std::array<bool, 256> kUriPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c) {
        plain[static_cast<std::size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                             (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                                             c == '_' || c == '~' || c == '/';
    }
    return plain;
}();

// A std::string written to as the output stream is.
struct TextSink {
    std::string& text;
    void write(std::string_view part) { text.append(part); }
    void put(char c) { text.push_back(c); }
};

template <typename Out>
void writeUriPath(Out& out, std::string_view path) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    // Most paths are plain but for their separators: written in runs.
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (kUriPlain[byte]) {
            continue;
        }
        out.write(path.substr(plainFrom, i - plainFrom));
        plainFrom = i + 1;
        if (byte == '\\') {
            out.put('/');
            continue;
        }
        char escape[3] = {'%', kDigits[byte >> 4], kDigits[byte & 0xF]};
        out.write(std::string_view(escape, sizeof escape));
    }
    out.write(path.substr(plainFrom));
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool startsWithDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Results are written without blanks: they are most of the log.
void writeResultStart(OutputStream& out, const FindingRule& rule, std::size_t index, bool first) {
    out.write(first ? "\n        {\"ruleId\":\"" : ",\n        {\"ruleId\":\"");
    out.write(rule.id);
    out.write("\",\"ruleIndex\":");
    out.put(static_cast<char>('0' + index));
    out.write(",\"level\":\"");
    out.write(rule.level);
    out.write("\",\"message\":{\"text\":\"");
}

void writeResultEnd(OutputStream& out, std::string_view location, std::int64_t line,
                    const Fingerprint& fingerprint) {
    out.write("\"},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{");
    out.write(location);
    out.put('}');
    if (line > 0) {
        out.write(",\"region\":{\"startLine\":");
        out.writeInteger(line);
        out.put('}');
    }
    out.write("}}],\"partialFingerprints\":{\"");
    out.write(kFingerprintName);
    out.write("\":\"");
    out.commit(fingerprint.write(out.reserve(Fingerprint::kTextSize)));
    out.write("\"}}");
}

void writeNotification(OutputStream& out, std::string_view level, std::string_view text,
                       bool first) {
    out.write(first ? "\n          " : ",\n          ");
    out.write("{\"level\": \"");
    out.write(level);
    out.write("\", \"message\": {\"text\": ");
    writeJsonString(out, text);
    out.write("}}");
}

template <typename Out>
void writeArtifactLocation(Out& out, std::string_view file) {
    file = withoutDotSlash(file);
    if (startsWithDrive(file)) {
        out.write("\"uri\":\"file:///");
        out.put(file[0]);
        out.put(':');
        writeUriPath(out, file.substr(2));
        out.put('"');
        return;
    }
    if (!file.empty() && isSeparator(file[0])) {
        // "/usr/x.h" is file:///usr/x.h; "//server/share/x.h" is file://server/share/x.h.
        const bool network = file.size() > 1 && isSeparator(file[1]);
        out.write(network ? "\"uri\":\"file:" : "\"uri\":\"file://");
        writeUriPath(out, file);
        out.put('"');
        return;
    }
    out.write("\"uri\":\"");
    writeUriPath(out, file);
    out.write("\",\"uriBaseId\":\"%SRCROOT%\"");
}

}  // namespace

void writeSarifArtifactLocation(OutputStream& out, std::string_view file) {
    writeArtifactLocation(out, file);
}

std::string_view SarifLocations::of(std::string_view file) {
    // Findings come file section by file section: the location is made
    // again only when the file changes.
    if (!known_ || file != file_) {
        file_.assign(file);
        location_.clear();
        TextSink sink{location_};
        writeArtifactLocation(sink, file);
        known_ = true;
    }
    return location_;
}

void writeSarifStart(OutputStream& out, std::string_view toolName,
                     std::span<const FindingRule> rules) {
    out.write(
        "{\n"
        "  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
        "  \"version\": \"2.1.0\",\n"
        "  \"runs\": [\n"
        "    {\n"
        "      \"tool\": {\n"
        "        \"driver\": {\n"
        "          \"name\": ");
    writeJsonString(out, toolName);
    out.write(",\n          \"version\": \"");
    out.write(kPackageVersion);
    out.write("\",\n          \"semanticVersion\": \"");
    out.write(kPackageVersion);
    out.write("\",\n          \"rules\": [\n");
    for (std::size_t i = 0; i < rules.size(); ++i) {
        writeRule(out, rules[i]);
        out.write(i + 1 < rules.size() ? ",\n" : "\n");
    }
    out.write(
        "          ]\n"
        "        }\n"
        "      },\n"
        "      \"columnKind\": \"unicodeCodePoints\",\n"
        "      \"results\": [");
}

void writeSarifResult(OutputStream& out, std::span<const FindingRule> rules,
                      const FindingResult& result, SarifLocations& locations, bool first) {
    writeResultStart(out, rules[result.rule], result.rule, first);
    writeJsonMessage(out, result.message);
    writeResultEnd(out, locations.of(result.file), result.line, result.fingerprint);
}

void writeSarifEnd(OutputStream& out, const FindingsEnd& end) {
    out.write("\n      ],\n      \"invocations\": [\n        {\"executionSuccessful\": ");
    out.write(end.problem.empty() ? "true" : "false");
    out.write(", \"toolExecutionNotifications\": [");
    bool first = true;
    if (end.leftOut > 0) {
        writeNotification(out, "note", end.leftOutText, first);
        first = false;
    }
    if (!end.problem.empty()) {
        writeNotification(out, "error", end.problem, first);
        first = false;
    }
    out.write(first ? "]}\n" : "\n        ]}\n");
    out.write("      ]\n    }\n  ]\n}\n");
}

}  // namespace korvcmp
