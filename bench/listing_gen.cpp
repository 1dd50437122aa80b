// korvcmp-listing-gen: writes a pair of synthetic execution profile listings of a requested size,
// two test runs of one made-up program, for timing korvcmp on large inputs.
//
//   korvcmp-listing-gen --size-mb N --seed S [--shape small-files] --out1 l1.lst --out2 l2.lst
//
// --shape small-files makes every file one to three functions long, for listings of tens of
// thousands of files; the default shape, mixed, has files of 1 to 100 functions.
//
// The program is built file by file from the seed; every file section is rendered twice, once
// with the counts of run 1 (listing 1) and once with those of run 2 (listing 2). Both runs share
// the structure, so most file sections are comparable; a few files exist in one listing only, a
// few have a changed structure in listing 1, and some are instrumented for function coverage.
// With --edits P, about P percent of the files are edited between the runs as source code is
// edited: listing 2 has lines inserted above, constructs added, removed or changed, functions
// added, removed, renamed or moved, or the file under another path.
//
// All randomness comes from splitmix64 with integer arithmetic only, so one seed gives the same
// bytes on every platform and with every library version.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_view_literals;

// ---------------------------------------------------------------------------------------------
// Random numbers

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

uint64_t splitmix64(uint64_t& state) {
    uint64_t z = (state += kGolden);
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

uint64_t hashPair(uint64_t a, uint64_t b) {
    uint64_t state = a ^ (b * kGolden + 0x632BE59BD9B4E019ULL);
    return splitmix64(state);
}

class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() { return splitmix64(state_); }
    // Uniform in [0, n) for 0 < n < 2^32.
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(((next() >> 32U) * n) >> 32U); }
    uint32_t range(uint32_t lo, uint32_t hi) { return lo + below(hi - lo + 1); }
    bool percent(uint32_t p) { return below(100) < p; }
    template <size_t N>
    std::string_view pick(const std::array<std::string_view, N>& words) {
        return words[below(static_cast<uint32_t>(N))];
    }

  private:
    uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Vocabulary for source text snippets

constexpr std::array kVars{
    "len"sv,           "buf"sv,           "ctx"sv,        "count"sv,        "node"sv,
    "entry"sv,         "state"sv,         "flags"sv,      "offset"sv,       "result"sv,
    "item"sv,          "key"sv,           "value"sv,      "index"sv,        "limit"sv,
    "cursor"sv,        "header"sv,        "packet"sv,     "session"sv,      "retries"sv,
    "timeout_ms"sv,    "pending"sv,       "bytes_read"sv, "ctx->depth"sv,   "this->size_"sv,
    "cfg.max_items"sv, "req->body_len"sv, "table_"sv,     "opts.verbose"sv, "stream"sv,
    "token"sv,         "parent"sv,        "child"sv,      "mask"sv};

constexpr std::array kFields{"next"sv,     "size"sv,     "kind"sv,   "refcount"sv,
                             "capacity"sv, "owner"sv,    "length"sv, "checksum"sv,
                             "priority"sv, "deadline"sv, "status"sv, "epoch"sv};

constexpr std::array kMethods{"empty"sv,   "is_valid"sv, "has_more"sv,    "ready"sv,
                              "expired"sv, "is_open"sv,  "needs_flush"sv, "is_dirty"sv,
                              "eof"sv,     "locked"sv,   "full"sv,        "is_root"sv};

constexpr std::array kConstants{
    "MAX_RETRIES"sv,  "FLAG_DIRTY"sv,  "ERR_TIMEOUT"sv, "KIND_LEAF"sv,      "BLOCK_SIZE"sv,
    "STATE_CLOSED"sv, "MODE_APPEND"sv, "OPT_STRICT"sv,  "HDR_COMPRESSED"sv, "0x7f"sv,
    "64"sv,           "1024"sv,        "-1"sv,          "'\\n'"sv,          "nullptr"sv};

constexpr std::array kCaseLabels{"TOKEN"sv, "STATE"sv, "KIND"sv, "OP"sv,
                                 "MSG"sv,   "EVENT"sv, "MODE"sv, "TYPE"sv};

constexpr std::array kWords{
    "parse"sv,   "render"sv,  "flush"sv,  "encode"sv,  "decode"sv, "resolve"sv,  "merge"sv,
    "split"sv,   "lookup"sv,  "insert"sv, "remove"sv,  "update"sv, "load"sv,     "store"sv,
    "scan"sv,    "emit"sv,    "verify"sv, "compact"sv, "rehash"sv, "dispatch"sv, "schedule"sv,
    "reclaim"sv, "connect"sv, "accept"sv, "read"sv,    "write"sv,  "seek"sv,     "sync"sv,
    "format"sv,  "convert"sv, "visit"sv,  "rewind"sv};

constexpr std::array kNouns{
    "header"sv, "buffer"sv,  "token"sv,   "record"sv, "segment"sv, "block"sv,   "frame"sv,
    "packet"sv, "session"sv, "request"sv, "reply"sv,  "index"sv,   "table"sv,   "entry"sv,
    "node"sv,   "tree"sv,    "queue"sv,   "cache"sv,  "page"sv,    "chunk"sv,   "stream"sv,
    "config"sv, "option"sv,  "symbol"sv,  "range"sv,  "cursor"sv,  "journal"sv, "snapshot"sv};

constexpr std::array kDirs{"core"sv,  "net"sv,     "storage"sv, "parser"sv, "util"sv,
                           "codec"sv, "sched"sv,   "index"sv,   "ui"sv,     "crypto"sv,
                           "io"sv,    "runtime"sv, "vm"sv,      "gc"sv,     "plugins"sv};

constexpr std::array kClasses{"Parser"sv,    "Lexer"sv,       "Session"sv,   "BufferPool"sv,
                              "PageCache"sv, "Scheduler"sv,   "Encoder"sv,   "Decoder"sv,
                              "Journal"sv,   "IndexWriter"sv, "Resolver"sv,  "Connection"sv,
                              "Registry"sv,  "Allocator"sv,   "Tokenizer"sv, "SymbolTable"sv};

constexpr std::array kTypes{
    "int"sv,           "size_t"sv,   "const char*"sv,      "uint32_t"sv,
    "const Buffer&"sv, "Node*"sv,    "std::string_view"sv, "const Options&"sv,
    "bool"sv,          "Context&"sv, "uint64_t"sv,         "Span<const uint8_t>"sv};

constexpr std::array kStdHeaders{"<vector>"sv,  "<string>"sv,    "<cstdint>"sv, "<memory>"sv,
                                 "<cstring>"sv, "<algorithm>"sv, "<map>"sv,     "<mutex>"sv,
                                 "<stdio.h>"sv, "<stdlib.h>"sv};

constexpr std::array kLabels{"retry"sv, "cleanup"sv, "out"sv,        "again"sv,
                             "fail"sv,  "done"sv,    "next_entry"sv, "restart_scan"sv};

constexpr std::array kExceptions{"std::runtime_error"sv, "std::invalid_argument"sv, "ParseError"sv,
                                 "IoError"sv, "std::out_of_range"sv};

constexpr std::array kAnnotations{
    "hot path, keep branch-free"sv,    "reviewed for overflow"sv,
    "covered by fuzz corpus only"sv,   "timing sensitive, see issue 412"sv,
    "unreachable on 64-bit targets"sv, "legacy format, keep until v3"sv};

// ---------------------------------------------------------------------------------------------
// Program model: one file section at a time

// How a profile line shows its counts.
enum class Shape : uint8_t {
    None,        // no counts: switch, else, do, labels, annotations, some braces and try lines
    Hit,         // one count in the HITS/TRUE field
    Decision,    // TRUE and FALSE counts
    ConstTrue,   // constant decision, count in the HITS/TRUE field
    ConstFalse,  // constant decision, count in the FALSE field
    CondTrue,    // condition row, count in the HITS/TRUE field
    CondFalse,   // condition row, count in the FALSE field
    Mcdc,        // MC/DC row: count in the FALSE field, one '+'/'-' per condition in the text
};

// A trailing character that depends on the run and not on the structure.
enum class Ending : uint8_t {
    Plain,
    PlusWhenCovered,  // case/default/label lines: '+' appended in a run that covers the line
    SignOfCoverage,   // closing braces: '+' when covered, '-' when not
};

struct ProfLine {
    uint32_t descOffset = 0;
    uint32_t descLength = 0;
    int32_t lineNumber = 0;
    Shape shape = Shape::None;
    Ending ending = Ending::Plain;
    uint8_t mcdcConditions = 0;  // MC/DC rows: number of '+'/'-' characters
    uint8_t mcdcAt = 0;          // MC/DC rows: their offset within the description
    uint64_t fate = 0;           // drives this line's counts in both runs
    uint64_t weight = 1;         // counts relative to the calls of the function
};

struct Function {
    uint32_t firstLine = 0;  // index into FileModel::lines; the FUNCTION line
    uint32_t lineCount = 0;
    bool hasDirective = false;
    uint32_t directiveOffset = 0;  // the whole "#line " listing line, in the arena
    uint32_t directiveLength = 0;
    uint32_t nameOffset = 0;  // function name for the TER line, in the arena
    uint32_t nameLength = 0;
    uint64_t fate = 0;
    uint64_t calls = 1;
};

enum class Presence : uint8_t { Both, OnlyListing1, OnlyListing2 };

// Listing 1 holds a slightly different structure for these files.
enum class Mutation : uint8_t { None, ExtraInclude, ShiftedLines, DroppedLine };

// How listing 2 differs from listing 1 in an edited file. Indices are into FileModel::lines and
// FileModel::functions; kNone leaves that edit out.
constexpr uint32_t kNone = UINT32_MAX;
struct Edits {
    bool any = false;
    bool moved = false;             // listing 2 names the file by another path
    int32_t shiftFrom = INT32_MAX;  // source lines from here on move down by shiftBy
    uint32_t shiftBy = 0;
    uint32_t addAfter = kNone;  // listing 2 has a construct after this line
    uint32_t remove = kNone;    // listing 2 lacks this line
    uint32_t change = kNone;    // this decision's condition is negated in listing 2
    uint32_t addFunctionBefore = kNone;
    uint32_t removeFunction = kNone;
    uint32_t renameFunction = kNone;
    uint32_t moveFunction = kNone;  // rendered after the others in listing 2
};

struct FileModel {
    std::string arena;  // all texts of the file
    std::vector<ProfLine> lines;
    std::vector<Function> functions;
    std::vector<std::pair<uint32_t, uint32_t>> includes;  // arena offset, length
    uint32_t monitoredOffset = 0;
    uint32_t monitoredLength = 0;
    uint32_t pathOffset = 0;
    uint32_t pathLength = 0;
    bool functionOnly = false;
    Presence presence = Presence::Both;
    Mutation mutation = Mutation::None;
    uint32_t mutationFunction = 0;
    uint32_t mutationLine = 0;  // index within the function, never 0 (the FUNCTION line)
    uint32_t coveragePermille = 800;
    int32_t lastSourceLine = 0;
    Edits edits;
    Function addedFunction;           // listing 2's new function of an edited file, when it has one
    uint32_t addedConstruct = kNone;  // the line listing 2's added construct is rendered from

    void clear() {
        edits = Edits{};
        addedConstruct = kNone;
        arena.clear();
        lines.clear();
        functions.clear();
        includes.clear();
        functionOnly = false;
        presence = Presence::Both;
        mutation = Mutation::None;
        mutationFunction = 0;
        mutationLine = 0;
        lastSourceLine = 0;
    }
    std::string_view text(uint32_t offset, uint32_t length) const {
        return std::string_view(arena).substr(offset, length);
    }
};

constexpr uint64_t kMaxCount = 999999999;  // nine digits keep a blank in front of every field

uint64_t capCount(uint64_t v) {
    return v > kMaxCount ? kMaxCount : v;
}

// Builds the structure of one file section from its own random stream.
class FileBuilder {
  public:
    // `smallFiles` makes files of one to three functions, for listings of
    // tens of thousands of files.
    FileBuilder(FileModel& file, uint64_t seed, uint32_t index, bool smallFiles = false)
        : f_(file), rng_(seed), smallFiles_(smallFiles) {
        build(index);
    }

  private:
    FileModel& f_;
    Rng rng_;
    bool smallFiles_ = false;
    int32_t sourceLine_ = 1;
    std::vector<std::string> atoms_;  // conditions of the construct being built
    size_t atomCount_ = 0;

    void build(uint32_t index);
    void buildFunction(bool withDirective, std::string_view generatedFrom);
    void block(int depth, uint64_t weight, int budget);

    int32_t advance(uint32_t lo, uint32_t hi) {
        sourceLine_ += static_cast<int32_t>(rng_.range(lo, hi));
        return sourceLine_;
    }
    void put(std::string_view s) { f_.arena.append(s); }
    void putNumber(uint64_t v) {
        char digits[24];
        const int n =
            std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(v));
        f_.arena.append(digits, static_cast<size_t>(n));
    }

    // Starts a profile line whose description is appended to the arena next; returns its index.
    // Rows that belong to the previous line's construct keep its source line number.
    size_t begin(Shape shape, uint64_t weight, bool sameSourceLine = false) {
        ProfLine line;
        line.descOffset = static_cast<uint32_t>(f_.arena.size());
        line.lineNumber = sameSourceLine ? sourceLine_ : advance(1, 3);
        line.shape = shape;
        line.fate = rng_.next();
        line.weight = weight;
        f_.lines.push_back(line);
        return f_.lines.size() - 1;
    }
    void end(size_t i) {
        f_.lines[i].descLength = static_cast<uint32_t>(f_.arena.size()) - f_.lines[i].descOffset;
    }
    void simple(Shape shape, uint64_t weight, std::string_view desc,
                Ending ending = Ending::Plain) {
        const size_t i = begin(shape, weight);
        put(desc);
        end(i);
        f_.lines[i].ending = ending;
    }

    void atom(std::string& out);
    void condition(size_t atoms);
    void putCondition(std::string_view joiner);
    void conditionRows(uint64_t weight);
    void condRows(uint64_t weight);
    void mcdcRow(uint64_t weight, std::string_view joiner);
    void closingBrace(uint64_t weight);

    void genIf(int depth, uint64_t weight, int budget);
    void genLoop(int depth, uint64_t weight, int budget);
    void genDo(int depth, uint64_t weight, int budget);
    void genSwitch(int depth, uint64_t weight, int budget);
    void genTry(int depth, uint64_t weight, int budget);
    void genJump(uint64_t weight);
    void genExpression(uint64_t weight);
    void genWindowsSeh(uint64_t weight);

    int subBudget(int budget) {
        const int want = static_cast<int>(rng_.range(1, 10));
        return want < budget ? want : budget;
    }
    size_t conditionSize() {
        const uint32_t r = rng_.below(100);
        return r < 65 ? 1 : r < 90 ? 2 : r < 98 ? 3 : 4;
    }
};

void FileBuilder::build(uint32_t index) {
    // Kind of file section.
    const uint32_t r = rng_.below(1000);
    if (r < 10) {
        f_.presence = Presence::OnlyListing1;
    } else if (r < 25) {
        f_.presence = Presence::OnlyListing2;
    } else if (r < 40) {
        f_.mutation = Mutation::ExtraInclude;  // refined below once the functions exist
    }
    f_.functionOnly = rng_.below(1000) < 35;
    f_.coveragePermille = rng_.range(450, 930);
    const bool generated = rng_.below(100) < 8;

    // MONITORED line.
    const std::string_view dir = rng_.pick(kDirs);
    f_.monitoredOffset = static_cast<uint32_t>(f_.arena.size());
    put("MONITORED SOURCE FILE : ");
    f_.pathOffset = static_cast<uint32_t>(f_.arena.size());
    put("src/");
    put(dir);
    put("/");
    put(rng_.pick(kWords));
    put("_");
    put(rng_.pick(kNouns));
    put("_");
    putNumber(index);
    put(generated ? ".tab.c" : rng_.percent(20) ? ".c" : ".cpp");
    f_.pathLength = static_cast<uint32_t>(f_.arena.size()) - f_.pathOffset;
    f_.monitoredLength = static_cast<uint32_t>(f_.arena.size()) - f_.monitoredOffset;

    // Include lines.
    const uint32_t includeCount = rng_.range(0, 9);
    for (uint32_t i = 0; i < includeCount; ++i) {
        const auto offset = static_cast<uint32_t>(f_.arena.size());
        put("#include ");
        if (rng_.percent(35)) {
            put(rng_.pick(kStdHeaders));
        } else {
            put("\"");
            put(rng_.percent(50) ? dir : rng_.pick(kDirs));
            put("/");
            put(rng_.pick(kNouns));
            put(rng_.percent(40) ? "_impl.h\"" : ".h\"");
        }
        f_.includes.emplace_back(offset, static_cast<uint32_t>(f_.arena.size()) - offset);
    }

    // Functions.
    const uint32_t shape = rng_.below(100);
    const uint32_t functionCount = smallFiles_  ? rng_.range(1, 3)
                                   : shape < 50 ? rng_.range(1, 11)
                                   : shape < 85 ? rng_.range(12, 40)
                                                : rng_.range(41, 100);
    std::string grammar;
    if (generated) {
        grammar = "grammar/";
        grammar += rng_.pick(kNouns);
        grammar += ".y";
    }
    sourceLine_ = static_cast<int32_t>(rng_.range(10, 60));
    for (uint32_t i = 0; i < functionCount; ++i) {
        buildFunction(generated && rng_.percent(70), grammar);
        advance(2, 12);
    }
    f_.lastSourceLine = sourceLine_;

    // Structure changes between the runs: pick a function with a body to change.
    if (f_.mutation != Mutation::None && !f_.functionOnly) {
        const auto fi = rng_.below(static_cast<uint32_t>(f_.functions.size()));
        const Function& fn = f_.functions[fi];
        const uint32_t kind = rng_.below(3);
        if (kind > 0 && fn.lineCount > 2) {
            f_.mutation = kind == 1 ? Mutation::ShiftedLines : Mutation::DroppedLine;
            f_.mutationFunction = fi;
            f_.mutationLine = rng_.range(1, fn.lineCount - 1);
        }
    }
}

void FileBuilder::buildFunction(bool withDirective, std::string_view generatedFrom) {
    Function fn;
    fn.fate = rng_.next();
    const uint32_t k = rng_.range(0, 17);
    fn.calls = (uint64_t{1} << k) + (rng_.next() & ((uint64_t{1} << k) - 1));
    fn.firstLine = static_cast<uint32_t>(f_.lines.size());

    if (withDirective) {
        // The directive line has the layout of a profile line without counts.
        fn.hasDirective = true;
        fn.directiveOffset = static_cast<uint32_t>(f_.arena.size());
        const int32_t at = advance(1, 2);
        char prefix[40];
        std::snprintf(prefix, sizeof prefix, "%24s%5d ", "", static_cast<int>(at));
        put(prefix);
        put("#line ");
        putNumber(rng_.range(20, 4000));
        put(" \"");
        put(generatedFrom);
        put("\"");
        fn.directiveLength = static_cast<uint32_t>(f_.arena.size()) - fn.directiveOffset;
    }

    // FUNCTION line; weight 0 gives it the call count of the function.
    const size_t head = begin(Shape::Hit, 0);
    put("FUNCTION ");
    fn.nameOffset = static_cast<uint32_t>(f_.arena.size());
    if (rng_.percent(60)) {
        put(rng_.pick(kClasses));
        put("::");
    }
    put(rng_.pick(kWords));
    put("_");
    put(rng_.pick(kNouns));
    fn.nameLength = static_cast<uint32_t>(f_.arena.size()) - fn.nameOffset;
    put("(");
    const uint32_t params = rng_.range(0, 3);
    for (uint32_t p = 0; p < params; ++p) {
        if (p > 0) {
            put(", ");
        }
        put(rng_.pick(kTypes));
        put(" ");
        put(rng_.pick(kNouns));
    }
    put(")");
    if (rng_.percent(15)) {
        put(" const");
    }
    end(head);

    if (!f_.functionOnly) {
        const uint32_t size = rng_.below(100);
        const int budget = static_cast<int>(size < 50   ? rng_.range(2, 14)
                                            : size < 90 ? rng_.range(15, 50)
                                                        : rng_.range(51, 150));
        block(0, 1, budget);
        // The closing brace of the function body: usually reached and counted.
        if (rng_.percent(85)) {
            simple(Shape::Hit, 1, "}", rng_.percent(20) ? Ending::SignOfCoverage : Ending::Plain);
        }
    }
    fn.lineCount = static_cast<uint32_t>(f_.lines.size()) - fn.firstLine;
    f_.functions.push_back(fn);
}

void FileBuilder::block(int depth, uint64_t weight, int budget) {
    while (budget > 0) {
        const uint32_t r = rng_.below(100);
        const size_t before = f_.lines.size();
        if (r < 18 && depth < 4) {
            genIf(depth, weight, budget);
        } else if (r < 25 && depth < 4) {
            genLoop(depth, weight, budget);
        } else if (r < 28 && depth < 4) {
            genDo(depth, weight, budget);
        } else if (r < 31 && depth < 3) {
            genSwitch(depth, weight, budget);
        } else if (r < 33 && depth < 3) {
            genTry(depth, weight, budget);
        } else if (r < 43) {
            genJump(weight);
        } else if (r < 53) {
            genExpression(weight);
        } else if (r < 56) {
            const size_t i = begin(rng_.percent(50) ? Shape::ConstTrue : Shape::ConstFalse, weight);
            put(rng_.percent(70) ? "const-if (" : "const-while (");
            put(rng_.percent(50) ? "sizeof(void*) == 8" : "ENABLE_TRACE && !NDEBUG_BUILD");
            put(")");
            end(i);
        } else if (r < 58) {
            if (rng_.percent(50)) {
                const size_t i = begin(Shape::Hit, weight);
                put("User counter: ");
                put(rng_.pick(kWords));
                put("_");
                put(rng_.pick(kNouns));
                put("_calls");
                end(i);
            } else {
                const size_t i = begin(Shape::None, weight);
                put("User annotation: ");
                put(rng_.pick(kAnnotations));
                end(i);
            }
        } else if (r < 60) {
            const size_t i = begin(Shape::None, weight);
            put(rng_.pick(kLabels));
            put(":");
            end(i);
            f_.lines[i].ending = rng_.percent(40) ? Ending::PlusWhenCovered : Ending::Plain;
        } else if (r < 61) {
            simple(Shape::Hit, weight, "lambda-[]()");
        } else if (r < 62 && rng_.percent(25)) {
            genWindowsSeh(weight);
        } else {
            // Statements without a profile line of their own.
            advance(1, 4);
            --budget;
        }
        budget -= static_cast<int>(f_.lines.size() - before);
    }
}

void FileBuilder::atom(std::string& out) {
    out.clear();
    const std::string_view v = rng_.pick(kVars);
    switch (rng_.below(9)) {
        case 0:
            out.append(v).append(" > 0");
            break;
        case 1:
            out.append(v).append(" != nullptr");
            break;
        case 2:
            out.append("!").append(v).append(".").append(rng_.pick(kMethods)).append("()");
            break;
        case 3:
            out.append(v).append(" < ").append(rng_.pick(kVars)).append(".size()");
            break;
        case 4:
            out.append(v).append(" == ").append(rng_.pick(kConstants));
            break;
        case 5:
            out.append("(").append(v).append(" & ").append(rng_.pick(kConstants)).append(") != 0");
            break;
        case 6:
            out.append(v)
                .append("->")
                .append(rng_.pick(kFields))
                .append(" >= ")
                .append(rng_.pick(kVars));
            break;
        case 7:
            out.append("is_").append(rng_.pick(kNouns)).append("(").append(v).append(")");
            break;
        default:
            out.append(v).append(".").append(rng_.pick(kMethods)).append("()");
            break;
    }
}

void FileBuilder::condition(size_t atoms) {
    if (atoms_.size() < atoms) {
        atoms_.resize(atoms);
    }
    for (size_t i = 0; i < atoms; ++i) {
        atom(atoms_[i]);
    }
    atomCount_ = atoms;
}

void FileBuilder::putCondition(std::string_view joiner) {
    for (size_t i = 0; i < atomCount_; ++i) {
        if (i > 0) {
            put(joiner);
        }
        put(atoms_[i]);
    }
}

// Condition rows of a decision: one row with the TRUE outcome count, one with the FALSE count.
void FileBuilder::conditionRows(uint64_t weight) {
    for (size_t i = 0; i < atomCount_; ++i) {
        for (int outcome = 0; outcome < 2; ++outcome) {
            const size_t row =
                begin(outcome == 0 ? Shape::CondTrue : Shape::CondFalse, weight, true);
            putNumber(i + 1);
            put(outcome == 0 ? " true   " : " false  ");
            put(atoms_[i]);
            end(row);
        }
    }
}

// COND rows: the conditions of an expression outside a decision, TRUE and FALSE counts each.
void FileBuilder::condRows(uint64_t weight) {
    for (size_t i = 0; i < atomCount_; ++i) {
        const size_t row = begin(Shape::Decision, weight, true);
        put("COND ");
        put(atoms_[i]);
        end(row);
    }
}

void FileBuilder::mcdcRow(uint64_t weight, std::string_view joiner) {
    const size_t row = begin(Shape::Mcdc, weight, true);
    put("MC/DC ");
    f_.lines[row].mcdcAt = 6;
    f_.lines[row].mcdcConditions = static_cast<uint8_t>(atomCount_);
    put(std::string_view("----", atomCount_));  // rewritten for each run
    put(" of (");
    putCondition(joiner);
    put(")");
    end(row);
}

void FileBuilder::closingBrace(uint64_t weight) {
    const uint32_t r = rng_.below(100);
    if (r < 45) {
        return;  // not every block end has a profile line
    }
    const Shape shape = r < 80 ? Shape::Hit : Shape::None;
    simple(shape, weight, "}", rng_.percent(35) ? Ending::SignOfCoverage : Ending::Plain);
}

void FileBuilder::genIf(int depth, uint64_t weight, int budget) {
    const size_t atoms = conditionSize();
    const std::string_view joiner = rng_.percent(60) ? " && " : " || ";
    condition(atoms);
    size_t i = begin(Shape::Decision, weight);
    put("if (");
    putCondition(joiner);
    put(")");
    end(i);
    if (atoms > 1) {
        conditionRows(weight);
        if (rng_.percent(70)) {
            mcdcRow(weight, joiner);
        }
    }
    int inner = subBudget(budget);
    block(depth + 1, weight, inner);
    closingBrace(weight);
    while (rng_.percent(25)) {
        condition(conditionSize());
        i = begin(Shape::Decision, weight);
        put("else if (");
        putCondition(" && ");
        put(")");
        end(i);
        if (atomCount_ > 1) {
            conditionRows(weight);
        }
        inner = subBudget(budget);
        block(depth + 1, weight, inner);
        closingBrace(weight);
    }
    if (rng_.percent(35)) {
        simple(Shape::None, weight, "else");
        inner = subBudget(budget);
        block(depth + 1, weight, inner);
        closingBrace(weight);
    }
}

void FileBuilder::genLoop(int depth, uint64_t weight, int budget) {
    const uint64_t inner = capCount(weight * rng_.range(2, 40));
    const uint32_t r = rng_.below(100);
    if (r < 35) {
        const size_t i = begin(Shape::Decision, weight);
        const std::string_view v = rng_.pick(kVars);
        put("for (size_t i = 0; i < ");
        put(v);
        put(rng_.percent(50) ? ".size(); ++i)" : "_count; i++)");
        end(i);
    } else if (r < 50) {
        const size_t i = begin(Shape::Hit, weight);
        put(rng_.percent(50) ? "for (;;)" : "for (auto it = begin(); ; ++it)");
        end(i);
    } else if (r < 75) {
        condition(conditionSize());
        const size_t i = begin(Shape::Decision, weight);
        put("while (");
        putCondition(" && ");
        put(")");
        end(i);
        if (atomCount_ > 1) {
            conditionRows(weight);
        }
    } else if (r < 82) {
        simple(Shape::Hit, weight, rng_.percent(50) ? "while (true)" : "while (1)");
    } else {
        const size_t i = begin(Shape::Hit, weight);
        put("foreach (const auto& ");
        put(rng_.pick(kNouns));
        put(" : ");
        put(rng_.pick(kVars));
        put(")");
        end(i);
    }
    block(depth + 1, inner, subBudget(budget));
    closingBrace(inner);
}

void FileBuilder::genDo(int depth, uint64_t weight, int budget) {
    simple(Shape::None, weight, "do");
    const uint64_t inner = capCount(weight * rng_.range(1, 20));
    block(depth + 1, inner, subBudget(budget));
    condition(conditionSize());
    const size_t i = begin(Shape::Decision, inner);
    put("do-while (");
    putCondition(" || ");
    put(")");
    end(i);
}

void FileBuilder::genSwitch(int depth, uint64_t weight, int budget) {
    {
        const size_t i = begin(Shape::None, weight);
        put("switch (");
        put(rng_.pick(kVars));
        put(rng_.percent(50) ? "->kind)" : ")");
        end(i);
    }
    const uint32_t cases = rng_.range(2, 8);
    for (uint32_t c = 0; c < cases && budget > 0; ++c) {
        const size_t i = begin(Shape::Hit, weight);
        put("case ");
        put(rng_.pick(kCaseLabels));
        put("_");
        put(rng_.pick(kNouns));
        put(":");
        end(i);
        f_.lines[i].ending = rng_.percent(30) ? Ending::PlusWhenCovered : Ending::Plain;
        block(depth + 1, weight, static_cast<int>(rng_.range(0, 3)));
        if (rng_.percent(80)) {
            simple(Shape::Hit, weight, "break");
        }
        --budget;
    }
    if (rng_.percent(60)) {
        simple(Shape::Hit, weight,
               "default:", rng_.percent(30) ? Ending::PlusWhenCovered : Ending::Plain);
        block(depth + 1, weight, static_cast<int>(rng_.range(0, 2)));
    }
    closingBrace(weight);
}

void FileBuilder::genTry(int depth, uint64_t weight, int budget) {
    simple(rng_.percent(50) ? Shape::Hit : Shape::None, weight, "try");
    block(depth + 1, weight, subBudget(budget));
    const uint32_t handlers = rng_.range(1, 2);
    for (uint32_t h = 0; h < handlers; ++h) {
        const size_t i = begin(Shape::Hit, weight);
        if (h + 1 == handlers && rng_.percent(40)) {
            put("catch (...)");
        } else {
            put("catch (const ");
            put(rng_.pick(kExceptions));
            put("& e)");
        }
        end(i);
        block(depth + 1, weight, static_cast<int>(rng_.range(1, 3)));
    }
}

void FileBuilder::genJump(uint64_t weight) {
    const uint32_t r = rng_.below(100);
    if (r < 40) {
        if (rng_.percent(20)) {
            simple(Shape::Hit, weight, "return");
            return;
        }
        const size_t i = begin(Shape::Hit, weight);
        put("return ");
        switch (rng_.below(4)) {
            case 0:
                put(rng_.pick(kVars));
                break;
            case 1:
                put("make_error(ERR_");
                put(rng_.pick(kNouns));
                put(", ");
                put(rng_.pick(kVars));
                put(")");
                break;
            case 2:
                put(rng_.pick(kVars));
                put(" + ");
                put(rng_.pick(kVars));
                break;
            default:
                put(rng_.percent(50) ? "true" : "nullptr");
                break;
        }
        end(i);
    } else if (r < 60) {
        simple(Shape::Hit, weight, "break");
    } else if (r < 75) {
        simple(Shape::Hit, weight, "continue");
    } else if (r < 85) {
        const size_t i = begin(Shape::Hit, weight);
        put("goto ");
        put(rng_.pick(kLabels));
        end(i);
    } else if (r < 90) {
        simple(Shape::Hit, weight, "throw");
    } else {
        const size_t i = begin(Shape::Hit, weight);
        put("throw ");
        put(rng_.pick(kExceptions));
        put("(\"");
        put(rng_.pick(kWords));
        put(" failed for ");
        put(rng_.pick(kNouns));
        put("\")");
        end(i);
    }
}

// Ternaries and and/or expressions outside decisions, with their COND rows.
void FileBuilder::genExpression(uint64_t weight) {
    const size_t atoms = rng_.percent(50) ? 1 : 2;
    condition(atoms);
    const size_t i = begin(Shape::Decision, weight);
    if (rng_.percent(50)) {
        put("ternary-?: ");
        put(rng_.pick(kNouns));
        put("_");
        put(rng_.pick(kFields));
        put(" = (");
        putCondition(" && ");
        put(") ? ");
        put(rng_.pick(kVars));
        put(" : ");
        put(rng_.pick(kConstants));
    } else {
        put("expr-andor: ");
        put(rng_.percent(50) ? "const bool ok = " : "flags.ready = ");
        putCondition(rng_.percent(50) ? " && " : " || ");
        if (atoms == 1) {
            put(" && !");
            put(rng_.pick(kVars));
            put(".");
            put(rng_.pick(kMethods));
            put("()");
        }
    }
    end(i);
    if (atoms > 1) {
        condRows(weight);
    }
}

void FileBuilder::genWindowsSeh(uint64_t weight) {
    simple(rng_.percent(50) ? Shape::Hit : Shape::None, weight, "__try");
    if (rng_.percent(30)) {
        simple(Shape::Hit, weight, "__leave");
    }
    simple(Shape::Hit, weight, rng_.percent(50) ? "__except" : "__finally");
}

// ---------------------------------------------------------------------------------------------
// Rendering

// Buffered output with large writes.
class Sink {
  public:
    explicit Sink(const char* path) : path_(path) {
        file_ = std::fopen(path, "wb");
        buffer_.reserve(kFlushAt + (1U << 20U));
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    ~Sink() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    bool isOpen() const { return file_ != nullptr; }
    const char* path() const { return path_; }
    std::string& buffer() { return buffer_; }
    uint64_t size() const { return written_ + buffer_.size(); }
    bool flushIfFull() { return buffer_.size() < kFlushAt || flush(); }
    bool flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
            return false;
        }
        written_ += buffer_.size();
        buffer_.clear();
        return true;
    }
    bool close() {
        const bool ok = flush() && std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

  private:
    static constexpr size_t kFlushAt = size_t{8} << 20U;
    const char* path_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    uint64_t written_ = 0;
};

struct Tally {
    uint64_t items = 0;
    uint64_t coveredItems = 0;
    uint64_t blocks = 0;
    uint64_t coveredBlocks = 0;
    void add(const Tally& t) {
        items += t.items;
        coveredItems += t.coveredItems;
        blocks += t.blocks;
        coveredBlocks += t.coveredBlocks;
    }
};

struct ListingTotals {
    uint64_t files = 0;
    uint64_t functions = 0;
    uint64_t sourceLines = 0;
    Tally tally;
};

// Writes v right-aligned into the width characters at field.
void putRight(char* field, int width, uint64_t v) {
    int pos = width - 1;
    do {
        field[pos--] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && pos >= 0);
}

void appendNumberRight(std::string& out, int width, uint64_t v) {
    char field[24];
    std::memset(field, ' ', sizeof field);
    putRight(field, width, v);
    out.append(field, static_cast<size_t>(width));
}

// Chooses the edits of a file from its own random stream, so that the files not edited, and the
// rest of the pair, stay as they are without edits.
void planEdits(FileModel& f, uint64_t seed, uint32_t percent) {
    Rng rng(hashPair(seed, 0xED175));
    if (percent == 0 || !rng.percent(percent) || f.presence != Presence::Both ||
        f.mutation != Mutation::None || f.functions.empty()) {
        return;
    }
    Edits& e = f.edits;
    e.any = true;
    const auto functionCount = static_cast<uint32_t>(f.functions.size());
    e.moved = rng.percent(12);
    if (rng.percent(50)) {
        const Function& fn = f.functions[rng.below(functionCount)];
        e.shiftFrom = f.lines[fn.firstLine].lineNumber;
        e.shiftBy = rng.range(1, 12);
    }
    // A line of a function body, not a FUNCTION line; none in function coverage.
    const auto bodyLine = [&f, &rng, functionCount]() -> uint32_t {
        const Function& fn = f.functions[rng.below(functionCount)];
        return f.functionOnly || fn.lineCount < 2 ? kNone
                                                  : fn.firstLine + rng.range(1, fn.lineCount - 1);
    };
    if (rng.percent(35)) {
        e.addAfter = bodyLine();
    }
    if (rng.percent(35)) {
        e.remove = bodyLine();
    }
    if (rng.percent(35)) {
        const uint32_t line = bodyLine();
        if (line != kNone &&
            f.text(f.lines[line].descOffset, f.lines[line].descLength).starts_with("if (")) {
            e.change = line;
        }
    }
    if (rng.percent(25)) {
        e.addFunctionBefore = rng.below(functionCount + 1);
    }
    if (functionCount > 1 && rng.percent(20)) {
        e.removeFunction = rng.below(functionCount);
    }
    if (rng.percent(20)) {
        e.renameFunction = rng.below(functionCount);
    }
    if (functionCount > 1 && rng.percent(20)) {
        e.moveFunction = rng.below(functionCount);
    }
    const int32_t at = f.lastSourceLine + 5;
    if (e.addAfter != kNone) {
        ProfLine added;
        added.descOffset = static_cast<uint32_t>(f.arena.size());
        f.arena.append("goto edit_retry");
        added.descLength = static_cast<uint32_t>(f.arena.size()) - added.descOffset;
        added.lineNumber = f.lines[e.addAfter].lineNumber;
        added.shape = Shape::Hit;
        added.fate = rng.next();
        f.addedConstruct = static_cast<uint32_t>(f.lines.size());
        f.lines.push_back(added);
    }
    if (e.addFunctionBefore != kNone) {
        // A small new function: its FUNCTION line, a decision and a return.
        Function& fn = f.addedFunction;
        fn.fate = rng.next();
        fn.calls = rng.range(1, 5000);
        fn.firstLine = static_cast<uint32_t>(f.lines.size());
        const auto add = [&](Shape shape, std::string_view text, int32_t lineNumber,
                             uint64_t weight) {
            ProfLine line;
            line.descOffset = static_cast<uint32_t>(f.arena.size());
            f.arena.append(text);
            line.descLength = static_cast<uint32_t>(f.arena.size()) - line.descOffset;
            line.lineNumber = lineNumber;
            line.shape = shape;
            line.fate = rng.next();
            line.weight = weight;
            f.lines.push_back(line);
        };
        constexpr std::string_view kFunctionWord = "FUNCTION ";
        constexpr std::string_view kName = "edit_added_helper";
        fn.nameOffset = static_cast<uint32_t>(f.arena.size() + kFunctionWord.size());
        fn.nameLength = static_cast<uint32_t>(kName.size());
        add(Shape::Hit, "FUNCTION edit_added_helper()", at, 0);
        if (!f.functionOnly) {
            add(Shape::Decision, "if (edit_flag)", at + 2, 1);
            add(Shape::Hit, "return", at + 3, 1);
        }
        fn.lineCount = static_cast<uint32_t>(f.lines.size()) - fn.firstLine;
    }
}

// Renders one file section for run 0 (listing 1) or run 1 (listing 2).
class Renderer {
  public:
    Renderer(const FileModel& file, int run) : f_(file), run_(run) {}
    void renderFile(std::string& out, ListingTotals& totals);
    // Sets the calls of `fn` in this run, from which the counts of its lines follow.
    void enterFunction(const Function& fn);
    // Whether each item of `line` (a decision's TRUE and FALSE outcomes, else one item, none
    // for a line without counts) is covered in this run, within the function entered last.
    void itemsOf(const ProfLine& line, std::vector<bool>& covered) const;

  private:
    const FileModel& f_;
    int run_;
    uint64_t functionCalls_ = 0;
    std::string scratch_;

    uint64_t itemCount(const ProfLine& line, uint32_t item) const;
    void renderFunction(std::string& out, const Function& fn, uint32_t functionIndex, Tally& tally);
    void renderLine(std::string& out, const ProfLine& line, uint32_t lineShift, Tally& tally,
                    std::string_view description);
    void renderEditedLines(std::string& out, const Function& fn, uint32_t functionIndex,
                           Tally& tally);
    static void appendTerPair(std::string& out, std::string_view what, const Tally& tally);
};

// The count of one coverage item of a line in this run; 0 when the run does not cover it.
uint64_t Renderer::itemCount(const ProfLine& line, uint32_t item) const {
    if (functionCalls_ == 0 || line.weight == 0) {
        return functionCalls_;  // the FUNCTION line counts the calls
    }
    const uint64_t h = hashPair(line.fate, item);
    const uint64_t u = h % 1000;
    const uint64_t both = f_.coveragePermille > 140 ? f_.coveragePermille - 140 : 0;
    bool covered = false;
    if (u < both) {
        covered = true;
    } else if (u < both + 70) {
        covered = run_ == 0;
    } else if (u < both + 140) {
        covered = run_ == 1;
    }
    if (!covered) {
        return 0;
    }
    // Half of the items run through the same paths in both runs and keep their counts.
    const uint64_t percent = ((h >> 40U) & 1U) != 0 ? 100 : 40 + hashPair(h, run_) % 161;
    const uint64_t scale = 1 + (h >> 48U) % 4;  // spreads counts within a function
    const uint64_t count = functionCalls_ * line.weight / scale * percent / 100;
    return capCount(count == 0 ? 1 : count);
}

void Renderer::renderLine(std::string& out, const ProfLine& line, uint32_t lineShift, Tally& tally,
                          std::string_view description) {
    char prefix[30];
    std::memset(prefix, ' ', sizeof prefix);
    bool covered = true;
    uint64_t first = 0;
    switch (line.shape) {
        case Shape::None:
            covered = itemCount(line, 0) != 0;  // only decides the trailing sign
            break;
        case Shape::Hit:
        case Shape::ConstTrue:
        case Shape::CondTrue:
            first = itemCount(line, 0);
            covered = first != 0;
            putRight(prefix, 10, first);
            break;
        case Shape::ConstFalse:
        case Shape::CondFalse:
            first = itemCount(line, 0);
            covered = first != 0;
            putRight(prefix + 11, 10, first);
            break;
        case Shape::Decision: {
            first = itemCount(line, 0);
            const uint64_t second = itemCount(line, 1);
            covered = first != 0 && second != 0;
            putRight(prefix, 10, first);
            putRight(prefix + 11, 10, second);
            tally.items += 2;
            tally.coveredItems += (first != 0 ? 1 : 0) + (second != 0 ? 1 : 0);
            break;
        }
        case Shape::Mcdc:
            break;  // counted with the pattern below
    }
    if (line.shape != Shape::None && line.shape != Shape::Decision && line.shape != Shape::Mcdc) {
        ++tally.items;
        tally.coveredItems += covered ? 1 : 0;
    }
    if (line.shape == Shape::Hit) {
        ++tally.blocks;
        tally.coveredBlocks += covered ? 1 : 0;
    }

    const size_t descStart = out.size() + sizeof prefix;
    if (line.shape == Shape::Mcdc) {
        uint64_t shown = 0;
        for (uint32_t c = 0; c < line.mcdcConditions; ++c) {
            shown += itemCount(line, c) != 0 ? 1 : 0;
        }
        covered = shown == line.mcdcConditions;
        putRight(prefix + 11, 10, shown);
        ++tally.items;
        tally.coveredItems += covered ? 1 : 0;
    }
    if (line.shape != Shape::None) {
        prefix[22] = covered ? ' ' : '-';
    }
    // Line numbers stand in columns 24 to 28 with a blank before the description; a sixth
    // digit, should a file grow that long, takes column 29.
    const uint64_t lineNumber = static_cast<uint64_t>(line.lineNumber) + lineShift;
    putRight(prefix + 24, lineNumber > 99999 ? 6 : 5, lineNumber);
    out.append(prefix, sizeof prefix);
    out.append(description);
    if (line.shape == Shape::Mcdc) {
        for (uint32_t c = 0; c < line.mcdcConditions; ++c) {
            out[descStart + line.mcdcAt + c] = itemCount(line, c) != 0 ? '+' : '-';
        }
    }
    switch (line.ending) {
        case Ending::Plain:
            break;
        case Ending::PlusWhenCovered:
            if (covered) {
                out.push_back('+');
            }
            break;
        case Ending::SignOfCoverage:
            out.push_back(covered ? '+' : '-');
            break;
    }
    out.push_back('\n');
}

void appendRatio(std::string& out, uint64_t covered, uint64_t total) {
    appendNumberRight(out, 3, total == 0 ? 100 : covered * 100 / total);
    out.append("% (");
    appendNumberRight(out, 5, covered);
    out.push_back('/');
    appendNumberRight(out, 5, total);
    out.append(") ");
}

// The TER line (decision items) and the line after it (statement blocks) of a section.
void Renderer::appendTerPair(std::string& out, std::string_view what, const Tally& tally) {
    out.append("***TER ");
    appendRatio(out, tally.coveredItems, tally.items);
    out.append(what);
    out.append("\n       ");
    appendRatio(out, tally.coveredBlocks, tally.blocks);
    out.append("statement blocks\n");
}

constexpr std::string_view kRule77 =
    "-----------------------------------------------------------------------------";
constexpr std::string_view kEquals77 =
    "=============================================================================";

void Renderer::enterFunction(const Function& fn) {
    // Calls of the function in this run; some functions are not called by one run or by both.
    const uint64_t h = hashPair(fn.fate, 0x5EED);
    const uint64_t u = h % 1000;
    const bool called = u >= 60 && !(u < 90 && run_ == 0) && !(u >= 90 && u < 120 && run_ == 1);
    const uint64_t percent = ((h >> 40U) & 3U) == 0 ? 100 : 50 + hashPair(h, run_) % 151;
    functionCalls_ = called ? capCount(fn.calls * percent / 100 + 1) : 0;
}

void Renderer::itemsOf(const ProfLine& line, std::vector<bool>& covered) const {
    covered.clear();
    switch (line.shape) {
        case Shape::None:
            break;
        case Shape::Decision:
            covered.push_back(itemCount(line, 0) != 0);
            covered.push_back(itemCount(line, 1) != 0);
            break;
        case Shape::Mcdc: {
            bool all = true;
            for (uint32_t c = 0; c < line.mcdcConditions; ++c) {
                all = all && itemCount(line, c) != 0;
            }
            covered.push_back(all);
            break;
        }
        default:
            covered.push_back(itemCount(line, 0) != 0);
            break;
    }
}

void Renderer::renderFunction(std::string& out, const Function& fn, uint32_t functionIndex,
                              Tally& fileTally) {
    enterFunction(fn);

    if (fn.hasDirective) {
        out.append(f_.text(fn.directiveOffset, fn.directiveLength));
        out.push_back('\n');
    }
    const bool mutated =
        run_ == 0 && functionIndex == f_.mutationFunction &&
        (f_.mutation == Mutation::ShiftedLines || f_.mutation == Mutation::DroppedLine);
    Tally tally;
    if (run_ == 1 && f_.edits.any) {
        renderEditedLines(out, fn, functionIndex, tally);
    }
    for (uint32_t i = 0; i < fn.lineCount && !(run_ == 1 && f_.edits.any); ++i) {
        if (mutated && i == f_.mutationLine && f_.mutation == Mutation::DroppedLine) {
            continue;
        }
        const uint32_t shift =
            mutated && i >= f_.mutationLine && f_.mutation == Mutation::ShiftedLines ? 2 : 0;
        const ProfLine& line = f_.lines[fn.firstLine + i];
        renderLine(out, line, shift, tally, f_.text(line.descOffset, line.descLength));
    }
    fileTally.add(tally);
    if (f_.functionOnly) {
        return;
    }
    out.push_back('\n');
    scratch_.assign("of FUNCTION ").append(f_.text(fn.nameOffset, fn.nameLength));
    appendTerPair(out, scratch_, tally);
    out.append(kRule77);
    out.append("\n\n");
}

// The lines of a function of an edited file as listing 2 has them.
void Renderer::renderEditedLines(std::string& out, const Function& fn, uint32_t functionIndex,
                                 Tally& tally) {
    const Edits& e = f_.edits;
    std::string edited;
    for (uint32_t g = fn.firstLine; g < fn.firstLine + fn.lineCount; ++g) {
        const ProfLine& line = f_.lines[g];
        const uint32_t shift = line.lineNumber >= e.shiftFrom ? e.shiftBy : 0;
        std::string_view description = f_.text(line.descOffset, line.descLength);
        if (g == fn.firstLine && functionIndex == e.renameFunction) {
            const size_t open = description.find('(');
            edited.assign(description.substr(0, open))
                .append("_v2")
                .append(description.substr(std::min(open, description.size())));
            description = edited;
        } else if (g == e.change) {
            edited.assign("if (!").append(description.substr(4));
            description = edited;
        }
        if (g != e.remove) {
            renderLine(out, line, shift, tally, description);
        }
        if (g == e.addAfter) {
            const ProfLine& added = f_.lines[f_.addedConstruct];
            renderLine(out, added, shift, tally, f_.text(added.descOffset, added.descLength));
        }
    }
}

void Renderer::renderFile(std::string& out, ListingTotals& totals) {
    out.push_back('\n');
    const std::string_view monitored = f_.text(f_.monitoredOffset, f_.monitoredLength);
    if (run_ == 1 && f_.edits.moved) {
        // The file moved to another folder: "src/" becomes "src/moved/".
        const size_t folder = monitored.find("src/") + 4;
        out.append(monitored.substr(0, folder)).append("moved/").append(monitored.substr(folder));
    } else {
        out.append(monitored);
    }
    out.append(f_.functionOnly ? "\nINSTRUMENTATION MODE  : function\n\n"
                               : "\nINSTRUMENTATION MODE  : decision+condition+mcdc\n\n");
    out.append(" HITS/TRUE      FALSE    LINE DESCRIPTION\n");
    out.append(kEquals77);
    out.append("\n\n");
    for (const auto& [offset, length] : f_.includes) {
        out.append(f_.text(offset, length));
        out.push_back('\n');
    }
    if (run_ == 0 && f_.mutation == Mutation::ExtraInclude) {
        out.append("#include \"compat/legacy_shim.h\"\n");
    }
    Tally tally;
    const auto functionCount = static_cast<uint32_t>(f_.functions.size());
    const Edits& e = f_.edits;
    const bool edited = run_ == 1 && e.any;
    for (uint32_t i = 0; i <= functionCount; ++i) {
        if (edited && i == e.addFunctionBefore) {
            renderFunction(out, f_.addedFunction, kNone, tally);
        }
        if (i == functionCount) {
            break;
        }
        if (!edited || (i != e.removeFunction && i != e.moveFunction)) {
            renderFunction(out, f_.functions[i], i, tally);
        }
    }
    if (edited && e.moveFunction != kNone && e.moveFunction != e.removeFunction) {
        renderFunction(out, f_.functions[e.moveFunction], e.moveFunction, tally);
    }
    out.push_back('\n');
    scratch_.assign("of SOURCE FILE ").append(f_.text(f_.pathOffset, f_.pathLength));
    appendTerPair(out, scratch_, tally);
    out.append(kRule77);
    out.append("\n\n\n");

    ++totals.files;
    totals.functions += f_.functions.size();
    totals.sourceLines += static_cast<uint64_t>(f_.lastSourceLine);
    totals.tally.add(tally);
}

// What an aligning reader must find of a file's items: kept covered, kept uncovered, gained,
// lost, added covered, added uncovered, deleted covered, deleted uncovered.
using Truth = std::array<uint64_t, 8>;

Truth truthOf(const FileModel& f) {
    Truth truth{};
    Renderer runs[2] = {Renderer(f, 0), Renderer(f, 1)};
    std::vector<bool> covered[2];
    const auto kept = [&](const ProfLine& line) {
        runs[0].itemsOf(line, covered[0]);
        runs[1].itemsOf(line, covered[1]);
        for (size_t k = 0; k < covered[0].size(); ++k) {
            const bool one = covered[0][k];
            const bool two = covered[1][k];
            ++truth[one && two ? 0 : !one && !two ? 1 : two ? 2 : 3];
        }
    };
    const auto onlyIn = [&](int run, const ProfLine& line) {
        runs[run].itemsOf(line, covered[run]);
        for (const bool c : covered[run]) {
            ++truth[(run == 1 ? 4 : 6) + (c ? 0 : 1)];
        }
    };
    const Edits& e = f.edits;
    const bool in1 = f.presence != Presence::OnlyListing2;
    const bool in2 = f.presence != Presence::OnlyListing1;
    for (uint32_t i = 0; i < f.functions.size(); ++i) {
        const Function& fn = f.functions[i];
        runs[0].enterFunction(fn);
        runs[1].enterFunction(fn);
        const bool fnIn2 = in2 && !(e.any && i == e.removeFunction);
        // A renamed function pairs by its body; without one it is deleted and added.
        const bool renamedApart =
            e.any && i == e.renameFunction && (f.functionOnly || fn.lineCount < 2);
        for (uint32_t j = 0; j < fn.lineCount; ++j) {
            const uint32_t g = fn.firstLine + j;
            const ProfLine& line = f.lines[g];
            const bool lineIn1 = in1 && !(f.mutation == Mutation::DroppedLine &&
                                          i == f.mutationFunction && j == f.mutationLine);
            const bool lineIn2 = fnIn2 && !(e.any && g == e.remove);
            if (lineIn1 && lineIn2 && !(e.any && g == e.change) && !(renamedApart && j == 0)) {
                kept(line);
            } else {
                if (lineIn1) {
                    onlyIn(0, line);
                }
                if (lineIn2) {
                    onlyIn(1, line);
                }
            }
            if (fnIn2 && e.any && g == e.addAfter) {
                onlyIn(1, f.lines[f.addedConstruct]);
            }
        }
    }
    if (e.any && e.addFunctionBefore != kNone) {
        runs[1].enterFunction(f.addedFunction);
        for (uint32_t j = 0; j < f.addedFunction.lineCount; ++j) {
            onlyIn(1, f.lines[f.addedFunction.firstLine + j]);
        }
    }
    return truth;
}

// One line of the truth file: listing 2's path of the file (listing 1's for a file only it
// has), the path it was moved from or "-", and the eight figures.
void appendTruth(std::string& out, const FileModel& f) {
    const std::string_view path = f.text(f.pathOffset, f.pathLength);
    if (f.edits.moved) {
        out.append(path.substr(0, 4)).append("moved/").append(path.substr(4));
        out.push_back('\t');
        out.append(path);
    } else {
        out.append(path);
        out.append("\t-");
    }
    for (const uint64_t n : truthOf(f)) {
        out.push_back('\t');
        out.append(std::to_string(n));
    }
    out.push_back('\n');
}

void appendHeader(std::string& out, int run) {
    const std::string_view stars =
        "*****************************************************************************\n";
    const std::string_view frame =
        "*                                                                           *\n";
    out.append(stars);
    out.append("*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2.1          *\n");
    out.append(frame);
    out.append("*                         EXECUTION PROFILE LISTING                         *\n");
    out.append(frame);
    out.append("*    Synthetic listing for benchmarks, written by korvcmp-listing-gen       *\n");
    out.append(stars);
    out.append("\n\n");
    out.append(run == 0 ? "Listing produced at   : Tue Mar 11 09:14:02 2025\n"
                        : "Listing produced at   : Tue Mar 11 11:47:39 2025\n");
    out.append("Coverage view         : Decision+Condition coverage\n\n\n");
}

void appendSummary(std::string& out, const ListingTotals& totals) {
    char line[160];
    const auto u = [](uint64_t v) { return static_cast<unsigned long long>(v); };
    const auto percent = [](uint64_t covered, uint64_t total) {
        return static_cast<unsigned long long>(total == 0 ? 100 : covered * 100 / total);
    };
    out.append("\nSUMMARY\n=======\n\n");
    std::snprintf(line, sizeof line, "Source files       : %llu\n", u(totals.files));
    out.append(line);
    out.append("Headers extracted  : 0\n");
    std::snprintf(line, sizeof line, "Functions          : %llu\n", u(totals.functions));
    out.append(line);
    std::snprintf(line, sizeof line, "Source lines       : %llu\n", u(totals.sourceLines));
    out.append(line);
    const Tally& t = totals.tally;
    std::snprintf(line, sizeof line, "TER                : %3llu%% (%llu/%llu) decision coverage\n",
                  percent(t.coveredItems, t.items), u(t.coveredItems), u(t.items));
    out.append(line);
    std::snprintf(line, sizeof line, "TER                : %3llu%% (%llu/%llu) statement blocks\n",
                  percent(t.coveredBlocks, t.blocks), u(t.coveredBlocks), u(t.blocks));
    out.append(line);
}

// ---------------------------------------------------------------------------------------------
// Command line

constexpr const char* kUsage =
    "usage: korvcmp-listing-gen --size-mb N [--seed S] [--shape mixed|small-files] [--edits P]\n"
    "                           [--truth FILE] --out1 LISTING1 --out2 LISTING2\n"
    "\n"
    "Writes two synthetic execution profile listings, two test runs of one made-up\n"
    "program, each about N megabytes (10^6 bytes; N may have a fraction). The same\n"
    "seed (default 1) always gives the same bytes. With --edits P, about P percent of\n"
    "the files are edited between the runs (default 0). --truth FILE writes, one line\n"
    "per file, its path, the path it was moved from (or -) and what an aligning reader\n"
    "must find of its items: kept covered, kept uncovered, gained, lost, added covered,\n"
    "added uncovered, deleted covered, deleted uncovered.\n";

int fail(const char* message, const char* detail) {
    std::fprintf(stderr, "korvcmp-listing-gen: %s%s\n", message, detail);
    return 255;
}

struct Options {
    double sizeMb = -1;
    uint64_t seed = 1;
    uint32_t edits = 0;
    const char* truth = nullptr;
    const char* out1 = nullptr;
    const char* out2 = nullptr;
    bool smallFiles = false;
};

bool parseSize(const char* text, double& size) {
    char* end = nullptr;
    errno = 0;
    size = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && size > 0 && size < 1e6;
}

bool parseSeed(const char* text, uint64_t& seed) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    seed = v;
    return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            return fail("missing value for ", argv[i]);
        }
        const char* value = argv[++i];
        if (arg == "--size-mb") {
            if (!parseSize(value, options.sizeMb)) {
                return fail("bad size: ", value);
            }
        } else if (arg == "--seed") {
            if (!parseSeed(value, options.seed)) {
                return fail("bad seed: ", value);
            }
        } else if (arg == "--edits") {
            uint64_t edits = 0;
            if (!parseSeed(value, edits) || edits > 100) {
                return fail("bad percentage of edited files: ", value);
            }
            options.edits = static_cast<uint32_t>(edits);
        } else if (arg == "--truth") {
            options.truth = value;
        } else if (arg == "--out1") {
            options.out1 = value;
        } else if (arg == "--out2") {
            options.out2 = value;
        } else if (arg == "--shape") {
            if (std::string_view(value) != "small-files" && std::string_view(value) != "mixed") {
                return fail("unknown shape: ", value);
            }
            options.smallFiles = std::string_view(value) == "small-files";
        } else {
            return fail("unknown option: ", argv[i - 1]);
        }
    }
    if (options.sizeMb < 0 || options.out1 == nullptr || options.out2 == nullptr) {
        std::fputs(kUsage, stderr);
        return 255;
    }

    Sink sinks[2] = {Sink(options.out1), Sink(options.out2)};
    const Sink* closed = std::find_if(std::begin(sinks), std::end(sinks),
                                      [](const Sink& sink) { return !sink.isOpen(); });
    if (closed != std::end(sinks)) {
        return fail("cannot create ", closed->path());
    }
    std::string truth;
    ListingTotals totals[2];
    appendHeader(sinks[0].buffer(), 0);
    appendHeader(sinks[1].buffer(), 1);

    // Files are added until listing 2 reaches the size; the summary adds a few hundred bytes.
    const auto target = static_cast<uint64_t>(options.sizeMb * 1e6);
    FileModel file;
    for (uint32_t index = 0; sinks[1].size() + 300 < target; ++index) {
        file.clear();
        FileBuilder builder(file, hashPair(options.seed, index), index, options.smallFiles);
        planEdits(file, hashPair(options.seed, index), options.edits);
        if (options.truth != nullptr) {
            appendTruth(truth, file);
        }
        for (int run = 0; run < 2; ++run) {
            const bool wanted = file.presence == Presence::Both ||
                                (run == 0 && file.presence == Presence::OnlyListing1) ||
                                (run == 1 && file.presence == Presence::OnlyListing2);
            if (!wanted) {
                continue;
            }
            Renderer(file, run).renderFile(sinks[run].buffer(), totals[run]);
            if (!sinks[run].flushIfFull()) {
                return fail("write error on ", sinks[run].path());
            }
        }
    }
    for (int run = 0; run < 2; ++run) {
        appendSummary(sinks[run].buffer(), totals[run]);
        if (!sinks[run].close()) {
            return fail("write error on ", sinks[run].path());
        }
    }
    if (options.truth != nullptr) {
        std::FILE* out = std::fopen(options.truth, "wb");
        if (out == nullptr || std::fwrite(truth.data(), 1, truth.size(), out) != truth.size() ||
            std::fclose(out) != 0) {
            return fail("cannot write ", options.truth);
        }
    }
    std::printf("%s: %llu bytes, %llu files\n%s: %llu bytes, %llu files\n", options.out1,
                static_cast<unsigned long long>(sinks[0].size()),
                static_cast<unsigned long long>(totals[0].files), options.out2,
                static_cast<unsigned long long>(sinks[1].size()),
                static_cast<unsigned long long>(totals[1].files));
    return 0;
}
