// The objects of a Code Quality report.
#include "output/code_quality_report.h"

#include "output/json_text.h"
#include "output/text_escaping.h"

namespace korvcmp {
namespace {

void writeObjectStart(OutputStream& out, bool first) {
    out.write(first ? "\n  {\"description\":\"" : ",\n  {\"description\":\"");
}

// `fingerprint` null: the fixed one of the left-out note.
void writeObjectEnd(OutputStream& out, std::string_view check, std::string_view severity,
                    const Fingerprint* fingerprint, std::string_view file, std::int64_t line) {
    out.write("\",\"check_name\":\"");
    out.write(check);
    out.write("\",\"fingerprint\":\"");
    if (fingerprint != nullptr) {
        out.commit(fingerprint->write(out.reserve(Fingerprint::kTextSize)));
    } else {
        out.write(check);
    }
    out.write("\",\"severity\":\"");
    out.write(severity);
    out.write("\",\"location\":{\"path\":");
    writeJsonPath(out, file);
    out.write(",\"lines\":{\"begin\":");
    // Every location needs a line: a finding without one is put on the first.
    out.writeInteger(line > 0 ? line : 1);
    out.write("}}}");
}

}  // namespace

void writeCodeQualityStart(OutputStream& out) {
    out.put('[');
}

void writeCodeQualityResult(OutputStream& out, std::span<const FindingRule> rules,
                            const FindingResult& result, bool first) {
    const FindingRule& rule = rules[result.rule];
    writeObjectStart(out, first);
    writeJsonMessage(out, result.message);
    writeObjectEnd(out, rule.id, rule.severity, &result.fingerprint, result.file, result.line);
}

void writeCodeQualityEnd(OutputStream& out, const FindingsEnd& end, bool first) {
    if (end.leftOut > 0) {
        writeObjectStart(out, first);
        writeJsonText(out, end.leftOutText);
        writeObjectEnd(out, "left-out", "info", nullptr, end.listing, 1);
        first = false;
    }
    out.write(first ? "]\n" : "\n]\n");
}

}  // namespace korvcmp
