// The JSON document of a comparison: both listings' headers, the totals and
// every file section with its functions, each with what became of its items. One file object or
// function object to a line, so that the document is readable and stays compact with thousands of
// files.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "output/json_text.h"
#include "report/summary_writers.h"

namespace korvcmp {
namespace {

void writeCount(OutputStream& out, std::size_t value) {
    out.writeInteger(static_cast<std::int64_t>(value));
}

// A string, or null when it is empty.
void writeStringOrNull(OutputStream& out, std::string_view text) {
    if (text.empty()) {
        out.write("null");
    } else {
        writeJsonString(out, text);
    }
}

void writeTer(OutputStream& out, const TerFigures& ter) {
    if (!ter.present) {
        out.write("null");
        return;
    }
    out.write("{\"percent\": ");
    out.writeInteger(ter.percent);
    out.write(", \"covered\": ");
    out.writeInteger(ter.covered);
    out.write(", \"total\": ");
    out.writeInteger(ter.total);
    out.put('}');
}

// "ter1", "ter2", "hits1", "new" and "lost" of a function, a file or the
// whole listing.
void writeFigures(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2,
                  const ChangeFigures& change) {
    out.write("\"ter1\": ");
    writeTer(out, ter1);
    out.write(", \"ter2\": ");
    writeTer(out, ter2);
    out.write(", \"hits1\": ");
    out.writeInteger(change.hits1);
    out.write(", \"new\": ");
    out.writeInteger(change.newHits);
    out.write(", \"lost\": ");
    out.writeInteger(change.lostHits);
}

// "changes": what became of the items, category by category.
void writeChanges(OutputStream& out, const ChangeCategories& changes) {
    const std::pair<std::string_view, std::int64_t> fields[] = {
        {"{\"keptCovered\": ", changes.keptCovered},
        {", \"keptUncovered\": ", changes.keptUncovered},
        {", \"gained\": ", changes.gained},
        {", \"lost\": ", changes.lost},
        {", \"addedCovered\": ", changes.addedCovered},
        {", \"addedUncovered\": ", changes.addedUncovered},
        {", \"deletedCovered\": ", changes.deletedCovered},
        {", \"deletedUncovered\": ", changes.deletedUncovered},
    };
    out.write("\"changes\": ");
    for (const auto& [name, value] : fields) {
        out.write(name);
        out.writeInteger(value);
    }
    out.put('}');
}

// Whether the header field at `index` is the first of its label: an object
// holds each name once, and the first is the one a reader of the header sees.
bool firstOfItsLabel(const ListingHeader& header, std::size_t index) {
    for (std::size_t i = 0; i < index; ++i) {
        if (header.fields[i].first == header.fields[index].first) {
            return false;
        }
    }
    return true;
}

void writeListing(OutputStream& out, std::string_view name, const ListingHeader& header) {
    out.write("  \"");
    out.write(name);
    out.write("\": {\"path\": ");
    writeJsonString(out, header.path);
    out.write(", \"producedAt\": ");
    writeJsonString(out, header.producedAt);
    out.write(", \"coverageView\": ");
    writeJsonString(out, header.coverageView);
    out.write(", \"fields\": {");
    bool first = true;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        if (!firstOfItsLabel(header, i)) {
            continue;
        }
        out.write(first ? "" : ", ");
        first = false;
        writeJsonString(out, header.fields[i].first);
        out.write(": ");
        writeJsonString(out, header.fields[i].second);
    }
    out.write("}},\n");
}

void writeTotals(OutputStream& out, const ReportTotals& totals) {
    out.write("  \"totals\": {");
    writeFigures(out, totals.ter1, totals.ter2, totals.change);
    out.write(",\n    ");
    writeChanges(out, totals.changes);
    out.write(",\n    \"files\": {\"compared\": ");
    writeCount(out, totals.compared);
    out.write(", \"notCompared\": ");
    writeCount(out, totals.notCompared);
    out.write(", \"removed\": ");
    writeCount(out, totals.removed);
    out.write(", \"withLostCoverage\": ");
    writeCount(out, totals.withLostCoverage);
    out.write("}},\n");
}

void writeFunction(OutputStream& out, const FunctionSummary& function) {
    out.write("      {\"function\": ");
    writeJsonString(out, function.name);
    out.write(", \"line\": ");
    out.writeInteger(function.line);
    out.write(", ");
    writeFigures(out, function.ter1, function.ter2, function.change);
    out.write(", ");
    writeChanges(out, function.changes);
    out.write(function.deleted ? ", \"deleted\": true" : ", \"deleted\": false");
    out.write(", \"renamedFrom\": ");
    writeStringOrNull(out, function.renamedFrom);
    out.put('}');
}

void writeFile(OutputStream& out, const FileSummary& file) {
    out.write("    {\"file\": ");
    writeJsonString(out, file.path);
    out.write(", \"status\": ");
    writeJsonString(out, fileStatusName(file.status));
    out.write(", \"reason\": ");
    writeStringOrNull(out, file.reason);
    out.write(", \"page\": ");
    writeStringOrNull(out, file.page);
    out.write(", ");
    writeFigures(out, file.ter1, file.ter2, file.change);
    out.write(", \"movedFrom\": ");
    writeStringOrNull(out, file.movedFrom);
    out.write(", ");
    writeChanges(out, file.changes);
    out.write(", \"functions\": [");
    for (std::size_t i = 0; i < file.functions.size(); ++i) {
        out.write(i == 0 ? "\n" : ",\n");
        writeFunction(out, file.functions[i]);
    }
    out.write(file.functions.empty() ? "]}" : "\n    ]}");
}

}  // namespace

void writeJsonReport(OutputStream& out, const ReportModel& model) {
    out.write("{\n");
    writeListing(out, "listing1", model.listing1);
    writeListing(out, "listing2", model.listing2);
    out.write("  \"title\": ");
    writeJsonString(out, model.title);
    out.write(",\n  \"warnings\": [");
    for (std::size_t i = 0; i < model.warnings.size(); ++i) {
        out.write(i == 0 ? "" : ", ");
        writeJsonString(out, model.warnings[i]);
    }
    out.write("],\n");
    writeTotals(out, model.totals);
    out.write("  \"lostItems\": ");
    out.writeInteger(model.lostItemCount);
    out.write(",\n  \"files\": [");
    for (std::size_t i = 0; i < model.files.size(); ++i) {
        out.write(i == 0 ? "\n" : ",\n");
        writeFile(out, model.files[i]);
    }
    out.write(model.files.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace korvcmp
