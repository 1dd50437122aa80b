// The objects of a Code Quality report.
#include "lost/code_quality_format.h"

#include "lost/text_escaping.h"

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

void writeCodeQualityItem(OutputStream& out, const MarkedItem& item, const Fingerprint& fingerprint,
                          bool first) {
    const bool lost = item.change == CoverageChange::Lost;
    writeObjectStart(out, first);
    out.write(lost ? "Lost coverage: " : "New coverage: ");
    writeJsonItemText(out, item);
    writeObjectEnd(out, lost ? "lost-coverage" : "new-coverage", lost ? "major" : "info",
                   &fingerprint, item.file, item.sourceLine);
}

void writeCodeQualityNote(OutputStream& out, const UncomparedFile& file,
                          const Fingerprint& fingerprint, bool first) {
    writeObjectStart(out, first);
    out.write("Not compared (");
    writeJsonText(out, file.reason);
    out.put(')');
    out.write(kNotComparedNoteText);
    writeObjectEnd(out, "not-compared", "info", &fingerprint, file.file, 0);
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
