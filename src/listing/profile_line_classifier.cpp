// The classification of profile lines: the source line number from columns 24
// to 29, then the description tested against the table of known forms, in the
// table's order; the first form that fits decides.
#include "listing/profile_line_classifier.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/fatal.h"

namespace korvcmp {
namespace {

enum class Test {
    StartsWith,    // the description begins with the literal
    Equals,        // the description is the literal, to the end of the line
    ConditionRow,  // the description begins with a digit '1' to '9'
    EndsWith,      // the line's last characters are the literal
};

enum class KindRule {
    Fixed,         // the kind given in the row
    ByFalseField,  // LK_HITS when column 20 is blank, else LK_DECISION
    ByTrueField,   // LK_HITS when column 9 is not blank, else LK_PLAIN
    Condition,     // the condition-row rule
};

enum class EndRule {
    Whole,              // compareEnd is the last character
    DropTrailingPlus,   // one less when the line ends in '+'
    DropLastCharacter,  // always one less
};

struct Form {
    Test test;
    std::string_view literal;
    KindRule kindRule;
    LineKind kind;
    EndRule endRule;
};

using enum Test;
using enum KindRule;
using enum EndRule;

// The known forms of a profile line's description, in the order they are tried.
constexpr std::array kForms = {
    Form{StartsWith, "FUNCTION ", Fixed, LK_HITS, Whole},
    Form{StartsWith, "goto ", Fixed, LK_HITS, Whole},
    Form{Equals, "continue", Fixed, LK_HITS, Whole},
    Form{StartsWith, "continue ", Fixed, LK_HITS, Whole},
    Form{Equals, "break", Fixed, LK_HITS, Whole},
    Form{StartsWith, "break ", Fixed, LK_HITS, Whole},
    Form{Equals, "return", Fixed, LK_HITS, Whole},
    Form{StartsWith, "return ", Fixed, LK_HITS, Whole},
    Form{Equals, "throw", Fixed, LK_HITS, Whole},
    Form{StartsWith, "throw ", Fixed, LK_HITS, Whole},
    Form{Equals, "__leave", Fixed, LK_HITS, Whole},
    Form{StartsWith, "catch ", Fixed, LK_HITS, Whole},
    Form{Equals, "__except", Fixed, LK_HITS, Whole},
    Form{Equals, "__finally", Fixed, LK_HITS, Whole},
    Form{Equals, "lambda-[]()", Fixed, LK_HITS, Whole},
    Form{StartsWith, "foreach ", Fixed, LK_HITS, Whole},
    Form{StartsWith, "User counter: ", Fixed, LK_HITS, Whole},
    Form{StartsWith, "case ", Fixed, LK_HITS, DropTrailingPlus},
    Form{StartsWith, "default:", Fixed, LK_HITS, DropTrailingPlus},
    Form{StartsWith, "if ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "else if ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "do-while ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "ternary-?: ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "expr-andor: ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "for ", ByFalseField, LK_HITS, Whole},
    Form{StartsWith, "while ", ByFalseField, LK_HITS, Whole},
    Form{StartsWith, "const-", Fixed, LK_CONSTANT, Whole},
    Form{ConditionRow, "", Condition, LK_PLAIN, Whole},
    Form{StartsWith, "COND ", Fixed, LK_DECISION, Whole},
    Form{StartsWith, "MC/DC ", Fixed, LK_MCDC, Whole},
    Form{Equals, "try", ByTrueField, LK_HITS, Whole},
    Form{Equals, "__try", ByTrueField, LK_HITS, Whole},
    Form{Equals, "}", ByTrueField, LK_HITS, Whole},
    Form{Equals, "}+", ByTrueField, LK_HITS, DropLastCharacter},
    Form{Equals, "}-", ByTrueField, LK_HITS, DropLastCharacter},
    Form{StartsWith, "switch ", Fixed, LK_PLAIN, Whole},
    Form{Equals, "else", Fixed, LK_PLAIN, Whole},
    Form{Equals, "do", Fixed, LK_PLAIN, Whole},
    Form{StartsWith, "User annotation: ", Fixed, LK_PLAIN, Whole},
    Form{StartsWith, "#line ", Fixed, LK_PLAIN, Whole},
    Form{EndsWith, ":", Fixed, LK_PLAIN, Whole},
    Form{EndsWith, ":+", Fixed, LK_PLAIN, DropLastCharacter},
};

bool isBlank(char c) {
    return c == ' ';
}

// A starts-with or equals test made ready: the literal's first eight
// characters as one little-endian word, with the mask of the bytes they fill.
// A description whose first eight characters, loaded the same way, agree under
// the mask begins like the literal.
struct PrefixTest {
    std::uint64_t word = 0;
    std::uint64_t mask = 0;
    std::uint8_t length = 0;
    bool whole = false;     // the description must be the literal, to its end
    std::uint8_t form = 0;  // the row of kForms
};

constexpr PrefixTest prefixTestOf(std::size_t row) {
    const Form& form = kForms[row];
    PrefixTest test;
    for (std::size_t i = 0; i < form.literal.size() && i < 8; ++i) {
        test.word |= std::uint64_t{static_cast<unsigned char>(form.literal[i])} << (8 * i);
        test.mask |= std::uint64_t{0xff} << (8 * i);
    }
    test.length = static_cast<std::uint8_t>(form.literal.size());
    test.whole = form.test == Equals;
    test.form = static_cast<std::uint8_t>(row);
    return test;
}

// The starts-with and equals tests worth making for a description, by its
// first character, in table order: a literal that begins with another
// character cannot fit, so most lines are decided by one or two tests.
constexpr std::size_t kMostPrefixTests = 8;

constexpr bool slotsHoldEveryPrefixTest() {
    std::array<std::size_t, 256> count{};
    for (const Form& form : kForms) {
        if (form.test == StartsWith || form.test == Equals) {
            ++count[static_cast<unsigned char>(form.literal.front())];
        }
    }
    return std::all_of(count.begin(), count.end(),
                       [](std::size_t tests) { return tests <= kMostPrefixTests; });
}
static_assert(slotsHoldEveryPrefixTest());

struct PrefixTestsByFirstCharacter {
    std::array<std::array<PrefixTest, kMostPrefixTests>, 256> tests{};
    std::array<std::uint8_t, 256> count{};
};

constexpr PrefixTestsByFirstCharacter indexPrefixTests() {
    PrefixTestsByFirstCharacter index;
    for (std::size_t row = 0; row < kForms.size(); ++row) {
        if (kForms[row].test != StartsWith && kForms[row].test != Equals) {
            continue;
        }
        const auto slot = static_cast<unsigned char>(kForms[row].literal.front());
        index.tests[slot][index.count[slot]++] = prefixTestOf(row);
    }
    return index;
}

constexpr PrefixTestsByFirstCharacter kPrefixTests = indexPrefixTests();

constexpr std::size_t rowOf(Test test) {
    for (std::size_t row = 0; row < kForms.size(); ++row) {
        if (kForms[row].test == test) {
            return row;
        }
    }
    return kForms.size();
}

constexpr std::size_t kConditionRow = rowOf(ConditionRow);
constexpr std::size_t kFirstEndsWith = rowOf(EndsWith);

// Making the starts-with and equals tests first, then the condition row test,
// then the ends-with tests keeps the table's order: no literal begins with a
// digit, and the ends-with forms come last.
constexpr bool testOrderKeepsTableOrder() {
    for (std::size_t row = 0; row < kForms.size(); ++row) {
        const Form& form = kForms[row];
        if ((form.test == EndsWith) != (row >= kFirstEndsWith)) {
            return false;
        }
        if ((form.test == StartsWith || form.test == Equals) &&
            (form.literal.empty() ||
             (form.literal.front() >= '1' && form.literal.front() <= '9'))) {
            return false;
        }
    }
    return kConditionRow < kFirstEndsWith;
}
static_assert(testOrderKeepsTableOrder());

// The first eight characters of the description (fewer when it is shorter,
// the rest zero). The description ends the text, and every profile line is
// longer than eight characters, so the eight characters that end the text
// can always be read.
std::uint64_t descriptionWord(std::string_view description, std::string_view text) {
    std::uint64_t word = 0;
    if (description.size() >= 8) {
        std::memcpy(&word, description.data(), 8);
        return word;
    }
    if (description.empty()) {
        return 0;
    }
    std::memcpy(&word, text.data() + text.size() - 8, 8);
    return word >> (8 * (8 - description.size()));
}

// The first form of the table that the line fits, or none. Inlined into its
// callers: as a call, classifying a line costs a quarter more.
[[gnu::always_inline]] inline const Form* formOf(std::string_view description,
                                                 std::string_view text) {
    if (!description.empty()) {
        const auto first = static_cast<unsigned char>(description.front());
        const std::uint64_t word = descriptionWord(description, text);
        const auto& tests = kPrefixTests.tests[first];
        for (std::size_t i = 0; i < kPrefixTests.count[first]; ++i) {
            const PrefixTest& test = tests[i];
            if ((word & test.mask) == test.word &&
                (test.whole ? description.size() == test.length
                            : description.size() >= test.length) &&
                (test.length <= 8 ||
                 std::memcmp(description.data() + 8, kForms[test.form].literal.data() + 8,
                             test.length - 8U) == 0)) {
                return &kForms[test.form];
            }
        }
        if (first >= '1' && first <= '9') {
            return &kForms[kConditionRow];
        }
    }
    for (std::size_t row = kFirstEndsWith; row < kForms.size(); ++row) {
        if (text.ends_with(kForms[row].literal)) {
            return &kForms[row];
        }
    }
    return nullptr;
}

[[noreturn]] void strange(std::string_view text) {
    fatal(kStrangeLineMessage, text);
}

}  // namespace

// Written without branches on the characters, which vary from line to line.
std::uint32_t sourceLineNumberOf(std::string_view text) {
    std::uint32_t value = 0;
    bool ended = false;
    for (int column = kLineNumberFirst; column <= kLineNumberLast; ++column) {
        const char c = text[static_cast<std::size_t>(column)];
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(c)) - '0';
        const bool isDigit = digit <= 9;
        ended = ended || (!isDigit && !isBlank(c));
        value = isDigit && !ended ? value * 10 + digit : value;
    }
    return value;
}

namespace {

// What kindOf gives for a line of no kind: a plain value rather than an
// optional, which the classifier of every line pays for.
constexpr auto kNoKind = static_cast<LineKind>(-1);

// kNoKind for a condition row without a count.
LineKind conditionRowKind(std::string_view text, const char* view) {
    if (view != nullptr && view[0] == kMcdcCoverageView[0] &&
        std::strcmp(view, kMcdcCoverageView) == 0) {
        return LK_PLAIN;
    }
    if (!isBlank(text[kTrueCountLast])) {
        return LK_CONDITION_TRUE;
    }
    if (!isBlank(text[kFalseCountLast])) {
        return LK_CONDITION_FALSE;
    }
    return kNoKind;
}

[[gnu::always_inline]] inline LineKind kindOf(const Form& form, std::string_view text,
                                              const char* listing2CoverageView) {
    switch (form.kindRule) {
        case Fixed:
            return form.kind;
        case ByFalseField:
            return isBlank(text[kFalseCountLast]) ? LK_HITS : LK_DECISION;
        case ByTrueField:
            return isBlank(text[kTrueCountLast]) ? LK_PLAIN : LK_HITS;
        case Condition:
            return conditionRowKind(text, listing2CoverageView);
    }
    return form.kind;
}

}  // namespace

std::string_view descriptionOf(std::string_view text) {
    const std::size_t descriptionStart = text.find_first_not_of(' ', kDescriptionColumn);
    return descriptionStart == std::string_view::npos ? std::string_view{}
                                                      : text.substr(descriptionStart);
}

std::optional<LineKind> profileLineKindOf(std::string_view text, const char* listing2CoverageView) {
    const Form* form = formOf(descriptionOf(text), text);
    if (form == nullptr) {
        return std::nullopt;
    }
    const LineKind kind = kindOf(*form, text, listing2CoverageView);
    return kind != kNoKind ? std::optional<LineKind>(kind) : std::nullopt;
}

void classifyProfileLine(ListingLine& line, const char* listing2CoverageView) {
    const std::string_view text = line.view();
    if (text.size() < static_cast<std::size_t>(kMinProfileLineLength)) {
        strange(text);
    }
    line.lineNumber = sourceLineNumberOf(text);

    int compareEnd = static_cast<int>(text.size()) - 1;
    const Form* form = formOf(descriptionOf(text), text);
    if (form == nullptr) {
        strange(text);
    }
    const LineKind kind = kindOf(*form, text, listing2CoverageView);
    if (kind == kNoKind) {
        strange(text);
    }
    line.kind = static_cast<std::uint32_t>(kind);
    if (form->endRule == DropLastCharacter ||
        (form->endRule == DropTrailingPlus && text.back() == '+')) {
        --compareEnd;
    }
    line.compareEnd = static_cast<std::int16_t>(compareEnd);
}

void classifyStoredLines(LineStore& store, const char* from, const char* to,
                         const char* listing2CoverageView) {
    store.forEachStored(from, to, [listing2CoverageView](ListingLine& line) {
        if ((line.flags & ListingLine::kProfileLine) != 0) {
            classifyProfileLine(line, listing2CoverageView);
        }
    });
}

}  // namespace korvcmp
