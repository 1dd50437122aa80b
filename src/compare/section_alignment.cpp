// Pairing of the functions of two file sections, the alignment of their
// profile lines, and what became of every item.
#include "compare/section_alignment.h"

#include <deque>
#include <optional>
#include <unordered_map>

#include "compare/construct_diff.h"
#include "compare/difference_marking.h"
#include "compare/file_pairing.h"

namespace korvcmp {
namespace {

constexpr std::size_t kUnpaired = static_cast<std::size_t>(-1);

std::vector<const FunctionBlock*> functionsOf(const MonitoredFile* file) {
    std::vector<const FunctionBlock*> functions;
    if (file != nullptr) {
        for (const FunctionBlock* function = file->firstFunction; function != nullptr;
             function = function->next) {
            functions.push_back(function);
        }
    }
    return functions;
}

// The marker column of a line's one item where korvcmp marks none: after the
// field that holds its count.
int itemColumn(const ListingLine& line) {
    switch (line.lineKind()) {
        case LK_CONDITION_FALSE:
        case LK_MCDC:
            return kFalseMarkerColumn;
        case LK_CONSTANT:
            return line.text()[kTrueCountLast] == ' ' ? kFalseMarkerColumn : kTrueMarkerColumn;
        default:
            return kTrueMarkerColumn;
    }
}

ItemChange keptChange(ItemVerdict verdict) {
    switch (verdict) {
        case ItemVerdict::Equal:
            return ItemChange::KeptCovered;
        case ItemVerdict::New:
            return ItemChange::Gained;
        case ItemVerdict::Lost:
            return ItemChange::Lost;
        case ItemVerdict::None:
            break;
    }
    return ItemChange::KeptUncovered;
}

// A line's items from korvcmp's verdicts on it: each verdict becomes a change
// by `change`; a line of one item that korvcmp leaves unmarked has it after
// the field of its count.
template <typename Change>
void setItems(AlignedLine& row, const ListingLine& line, const LineVerdict& verdict,
              Change change) {
    switch (line.lineKind()) {
        case LK_PLAIN:
            return;
        case LK_DECISION:
            row.trueItem = change(verdict.atTrueMarker);
            row.falseItem = change(verdict.atFalseMarker);
            return;
        default:
            break;
    }
    int column = itemColumn(line);
    if (verdict.atTrueMarker != ItemVerdict::None) {
        column = kTrueMarkerColumn;
    } else if (verdict.atFalseMarker != ItemVerdict::None) {
        column = kFalseMarkerColumn;
    }
    const ItemVerdict at =
        column == kTrueMarkerColumn ? verdict.atTrueMarker : verdict.atFalseMarker;
    (column == kTrueMarkerColumn ? row.trueItem : row.falseItem) = change(at);
}

// A row of the aligned view with its items judged: a paired line by
// korvcmp's verdict on it, a line of one run by whether that run covers it.
AlignedLine judgedRow(const ListingLine* line1, const ListingLine* line2) {
    AlignedLine row{line1, line2};
    if (line1 != nullptr && line2 != nullptr) {
        setItems(row, *line2, judgeLine(*line2, line1), keptChange);
    } else if (line2 != nullptr) {
        setItems(row, *line2, judgeLine(*line2, nullptr), [](ItemVerdict verdict) {
            return verdict == ItemVerdict::New ? ItemChange::AddedCovered
                                               : ItemChange::AddedUncovered;
        });
    } else if (line1 != nullptr) {
        setItems(row, *line1, judgeLine(*line1, nullptr), [](ItemVerdict verdict) {
            return verdict == ItemVerdict::New ? ItemChange::DeletedCovered
                                               : ItemChange::DeletedUncovered;
        });
    }
    return row;
}

// Where the rows of one function go: its lines, or its categories alone.
struct RowSink {
    AlignedFunction& aligned;
    bool withLines;

    void add(const ListingLine* line1, const ListingLine* line2) const {
        const AlignedLine row = judgedRow(line1, line2);
        aligned.changes.add(row.trueItem);
        aligned.changes.add(row.falseItem);
        if (withLines) {
            aligned.lines.push_back(row);
        }
    }
};

// Lines by position, as korvcmp walks a compared pair; also a function of one
// run alone.
void alignInStep(const RowSink& rows) {
    const AlignedFunction& aligned = rows.aligned;
    const ListingLine* line1 =
        aligned.function1 != nullptr ? aligned.function1->firstLine : nullptr;
    const ListingLine* line2 =
        aligned.function2 != nullptr ? aligned.function2->firstLine : nullptr;
    while (line1 != nullptr || line2 != nullptr) {
        rows.add(line1, line2);
        line1 = line1 != nullptr ? line1->next() : nullptr;
        line2 = line2 != nullptr ? line2->next() : nullptr;
    }
}

// The FUNCTION lines paired, then the bodies by their common constructs.
void alignByConstructs(const RowSink& rows) {
    AlignedFunction& aligned = rows.aligned;
    const ListingLine* head1 = aligned.function1->firstLine;
    const ListingLine* head2 = aligned.function2->firstLine;
    if (head1 == nullptr || head2 == nullptr) {
        alignInStep(rows);
        return;
    }
    // Most functions of an edited file kept their constructs: those pair in step.
    const ListingLine* line1 = head1->next();
    const ListingLine* line2 = head2->next();
    while (line1 != nullptr && line2 != nullptr && sameConstruct(*line1, *line2)) {
        line1 = line1->next();
        line2 = line2->next();
    }
    if (line1 == nullptr && line2 == nullptr) {
        alignInStep(rows);
        return;
    }
    rows.add(head1, head2);
    const ConstructRun body1 = ConstructRun::bodyOf(*aligned.function1);
    const ConstructRun body2 = ConstructRun::bodyOf(*aligned.function2);
    const std::int64_t delta =
        static_cast<std::int64_t>(head2->lineNumber) - static_cast<std::int64_t>(head1->lineNumber);
    std::size_t at1 = 0;
    std::size_t at2 = 0;
    for (const DiffStep step : ConstructDiff(body1, body2).align(delta)) {
        const ListingLine* row1 = step != DiffStep::OnlySecond ? body1.line(at1++) : nullptr;
        const ListingLine* row2 = step != DiffStep::OnlyFirst ? body2.line(at2++) : nullptr;
        rows.add(row1, row2);
    }
}

// Which function of listing 1 each function of listing 2 pairs with
// (kUnpaired: none), and whether by its body.
struct FunctionPairing {
    std::vector<std::size_t> partnerOf;
    std::vector<bool> byBody;
};

// Functions of the same FUNCTION line, in order where a line repeats.
void pairByFunctionLine(const std::vector<const FunctionBlock*>& functions1,
                        const std::vector<const FunctionBlock*>& functions2,
                        FunctionPairing& pairing, std::vector<bool>& taken1) {
    std::unordered_map<std::string_view, std::deque<std::size_t>> byKey;
    for (std::size_t i = 0; i < functions1.size(); ++i) {
        byKey[functionKey(*functions1[i])].push_back(i);
    }
    for (std::size_t j = 0; j < functions2.size(); ++j) {
        const auto found = byKey.find(functionKey(*functions2[j]));
        if (found == byKey.end() || found->second.empty()) {
            continue;
        }
        pairing.partnerOf[j] = found->second.front();
        taken1[found->second.front()] = true;
        found->second.pop_front();
    }
}

// Each function of listing 2 left over takes the left-over function of
// listing 1 whose body shares the most constructs with its own, when that
// is at least half of the longer body: a renamed function.
void pairByBody(const std::vector<const FunctionBlock*>& functions1,
                const std::vector<const FunctionBlock*>& functions2, FunctionPairing& pairing,
                std::vector<bool>& taken1) {
    std::vector<std::optional<ConstructRun>> bodies1(functions1.size());
    for (std::size_t j = 0; j < functions2.size(); ++j) {
        if (pairing.partnerOf[j] != kUnpaired) {
            continue;
        }
        const ConstructRun body2 = ConstructRun::bodyOf(*functions2[j]);
        std::size_t best = kUnpaired;
        std::size_t bestCommon = 0;
        for (std::size_t i = 0; i < functions1.size(); ++i) {
            if (taken1[i]) {
                continue;
            }
            if (!bodies1[i]) {
                bodies1[i] = ConstructRun::bodyOf(*functions1[i]);
            }
            const std::size_t size1 = bodies1[i]->size();
            const std::size_t size2 = body2.size();
            const std::size_t longer = std::max(size1, size2);
            // At least half of the longer body, and more than the best so far.
            const std::size_t needed = std::max((longer + 1) / 2, bestCommon + 1);
            if (longer == 0 || std::min(size1, size2) < needed) {
                continue;
            }
            const std::optional<std::size_t> apart =
                ConstructDiff(*bodies1[i], body2).distance(size1 + size2 - 2 * needed);
            if (apart) {
                best = i;
                bestCommon = (size1 + size2 - *apart) / 2;
            }
        }
        if (best != kUnpaired) {
            pairing.partnerOf[j] = best;
            pairing.byBody[j] = true;
            taken1[best] = true;
        }
    }
}

}  // namespace

std::string_view functionKey(const FunctionBlock& function) {
    const ListingLine* line = function.firstLine;
    if (line == nullptr || line->compareEnd < kDescriptionColumn) {
        return {};
    }
    return line->view().substr(kDescriptionColumn,
                               static_cast<std::size_t>(line->compareEnd) - kDescriptionColumn + 1);
}

SectionAlignment alignSections(const MonitoredFile* file1, const MonitoredFile* file2,
                               bool functionCoverage, bool withLines) {
    const std::vector<const FunctionBlock*> functions1 = functionsOf(file1);
    const std::vector<const FunctionBlock*> functions2 = functionsOf(file2);
    const bool inStep = file1 != nullptr && file2 != nullptr && file2->comparable != 0;
    FunctionPairing pairing{std::vector<std::size_t>(functions2.size(), kUnpaired),
                            std::vector<bool>(functions2.size(), false)};
    std::vector<bool> taken1(functions1.size(), false);
    if (inStep) {
        for (std::size_t j = 0; j < functions2.size() && j < functions1.size(); ++j) {
            pairing.partnerOf[j] = j;
            taken1[j] = true;
        }
    } else if (!functions1.empty() && !functions2.empty()) {
        pairByFunctionLine(functions1, functions2, pairing, taken1);
        if (!functionCoverage) {
            pairByBody(functions1, functions2, pairing, taken1);
        }
    }

    SectionAlignment alignment;
    alignment.functions.reserve(functions2.size() + functions1.size());
    const auto finish = [&alignment](const AlignedFunction& aligned) {
        alignment.changes.add(aligned.changes);
    };
    for (std::size_t j = 0; j < functions2.size(); ++j) {
        AlignedFunction& aligned = alignment.functions.emplace_back();
        aligned.function2 = functions2[j];
        if (pairing.partnerOf[j] != kUnpaired) {
            aligned.function1 = functions1[pairing.partnerOf[j]];
            aligned.pairedByBody = pairing.byBody[j];
        }
        const RowSink rows{aligned, withLines};
        if (inStep || aligned.function1 == nullptr) {
            alignInStep(rows);
        } else {
            alignByConstructs(rows);
        }
        finish(aligned);
    }
    for (std::size_t i = 0; i < functions1.size(); ++i) {
        if (!taken1[i]) {
            AlignedFunction& aligned = alignment.functions.emplace_back();
            aligned.function1 = functions1[i];
            alignInStep(RowSink{aligned, withLines});
            finish(aligned);
        }
    }
    return alignment;
}

}  // namespace korvcmp
