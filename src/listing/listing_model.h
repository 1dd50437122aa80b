// The in-memory form of an execution profile listing: one ProfileListing per
// input, holding its file sections (MonitoredFile), their function sections
// (FunctionBlock) and the stored lines (ListingLine). Records are plain data in
// singly linked lists, appended at the tail so that every list keeps the order
// of the listing. Nothing is freed while a run lasts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvcmp {

// How a profile line takes part in the comparison.
enum LineKind : std::int32_t {
    LK_PLAIN = 0,            // no compared coverage; still part of the structure test
    LK_HITS = 1,             // one count in the HITS/TRUE field, coverage by the flag
    LK_DECISION = 2,         // TRUE and FALSE counts, compared as numbers
    LK_CONSTANT = 3,         // constant-outcome decision: one count in either field
    LK_CONDITION_TRUE = 4,   // condition with its count in the HITS/TRUE field
    LK_CONDITION_FALSE = 5,  // condition with its count in the FALSE field
    LK_MCDC = 6,             // MC/DC row, compared like LK_CONDITION_FALSE
};

// Columns of a profile line (0-based).
inline constexpr int kTrueCountLast = 9;  // HITS/TRUE field: columns 0 to 9
inline constexpr int kTrueMarkerColumn = 10;
inline constexpr int kFalseCountFirst = 11;  // FALSE field: columns 11 to 20
inline constexpr int kFalseCountLast = 20;
inline constexpr int kFalseMarkerColumn = 21;
inline constexpr int kCoverageFlagColumn = 22;
inline constexpr int kLineNumberFirst = 24;  // source line number: columns 24 to 29
inline constexpr int kLineNumberLast = 29;
inline constexpr int kDescriptionColumn = 30;
inline constexpr int kMinProfileLineLength = 31;

// The markers written after a hit count.
inline constexpr char kNewMarker = '^';
inline constexpr char kLostMarker = 'v';

// A stored line of a listing: an include line, a "#line " directive or a
// profile line. The record points at its text, which is either the line in a
// listing mapped into memory or a NUL-terminated copy placed right after the
// record. The lines of one list lie one after another, so the next element is
// found without a pointer (LineStore keeps that true). Texts are never
// written to: the markers the comparison sets are kept in `flags` and put in
// place when the line is written.
struct ListingLine {
    // Source line number shown in columns 24 to 29 (at most six digits); 0 when none.
    std::uint32_t lineNumber : 20;
    // The LineKind of a profile line; LK_PLAIN for include and directive lines.
    std::uint32_t kind : 4;
    std::uint32_t flags : 8;
    // Index of the last character that takes part in the structure test.
    std::int16_t compareEnd;
    // Number of characters of the text.
    std::uint16_t length;
    const char* textData;

    static constexpr std::uint32_t kLastInList = 1;  // no element follows in its list
    static constexpr std::uint32_t kForward = 2;     // a jump to the next chunk, not a line
    // Markers set by the comparison: after the HITS/TRUE field (column 10)
    // and after the FALSE field (column 21), new or lost coverage.
    static constexpr std::uint32_t kTrueNew = 4;
    static constexpr std::uint32_t kTrueLost = 8;
    static constexpr std::uint32_t kFalseNew = 16;
    static constexpr std::uint32_t kFalseLost = 32;
    static constexpr std::uint32_t kMarkers = kTrueNew | kTrueLost | kFalseNew | kFalseLost;
    // A profile line, which the classifier gives its number, kind and compare end.
    static constexpr std::uint32_t kProfileLine = 64;

    const char* text() const { return textData; }
    std::string_view view() const { return {textData, length}; }
    LineKind lineKind() const { return static_cast<LineKind>(kind); }
    bool hasInlineText() const { return textData == reinterpret_cast<const char*>(this + 1); }

    // Sets `marker` (kNewMarker or kLostMarker) at column 10 or 21.
    void setMarker(int column, char marker);
    // The marker set at column 10 or 21, or '\0' when none.
    char markerAt(int column) const;
    // The text as written out: with its markers in their columns.
    std::string markedText() const;

    // The next line of the same list, or none.
    inline ListingLine* next();
    const ListingLine* next() const { return const_cast<ListingLine*>(this)->next(); }

    // Bytes the record occupies, with its text when that is a copy.
    static std::size_t storageSize(std::size_t copiedTextLength) {
        return sizeof(ListingLine) + ((copiedTextLength + 1 + 7) & ~std::size_t{7});
    }
    // Bytes this record occupies in its store.
    std::size_t storedSize() const {
        return hasInlineText() ? storageSize(length) : sizeof(ListingLine);
    }
};
static_assert(sizeof(ListingLine) == 16, "a stored line's record must stay compact");

// The lines of a list lie one after another; a forwarding record at the end
// of a chunk leads to the chunk where the list goes on.
inline ListingLine* ListingLine::next() {
    if ((flags & kLastInList) != 0) {
        return nullptr;
    }
    auto* following = reinterpret_cast<ListingLine*>(reinterpret_cast<char*>(this) + storedSize());
    if ((following->flags & kForward) != 0) {
        return const_cast<ListingLine*>(reinterpret_cast<const ListingLine*>(following->textData));
    }
    return following;
}

struct FunctionBlock {
    ListingLine* lineDirective;  // the "#line " line before the FUNCTION line, or none
    ListingLine* firstLine;      // the FUNCTION line, then the function's other profile lines
    ListingLine* lastLine;
    std::int64_t newHits;
    std::int64_t lostHits;
    std::int64_t equalHits;
    char* terLine;   // the function's "***TER" line; none in a function-only section
    char* terLine2;  // the line after terLine; none when terLine is none
    FunctionBlock* next;
};

struct MonitoredFile {
    char* monitoredLine;  // the whole "MONITORED " line: the key that pairs file sections
    char* modeLine;       // the "INSTRUMENTATION MODE  : " line
    std::int32_t comparable;
    const char* reason;  // why the section is not compared: "no file" or "different profile"
    ListingLine* firstInclude;
    ListingLine* lastInclude;
    FunctionBlock* firstFunction;
    FunctionBlock* lastFunction;
    std::int64_t newHits;
    std::int64_t lostHits;
    std::int64_t equalHits;
    char* terLine;   // the file's "***TER" line
    char* terLine2;  // the line after it
    MonitoredFile* next;
};

struct ProfileListing {
    char* producedAt;    // header text after "Listing produced at   : "
    char* coverageView;  // header text after "Coverage view         : "
    // The header's "Label : value" lines, each ended by a newline; for a
    // report that shows the runs side by side.
    char* headerFields;
    MonitoredFile* firstFile;
    MonitoredFile* lastFile;
    std::int64_t newHits;
    std::int64_t lostHits;
    std::int64_t equalHits;
    char* sourceFilesLine;  // the summary lines, kept of listing 2 only
    char* headersExtractedLine;
    char* functionsLine;
    char* sourceLinesLine;
    char* terLine;   // first summary TER line; receives the difference figures
    char* terLine2;  // second summary TER line, written unchanged
};

// Appends `element` to the list with the given head and tail.
template <typename Record>
void appendToList(Record*& head, Record*& tail, Record* element) {
    if (tail == nullptr) {
        head = element;
    } else {
        tail->next = element;
    }
    tail = element;
}

}  // namespace korvcmp
