// The difference of two runs of profile lines as a longest common
// subsequence of constructs: two lines are the same construct when they agree
// in everything the structure test compares except the source line number.
// Myers' algorithm finds how far apart the runs are in O((n + m) * d); the
// alignment itself is chosen within the band of diagonals that every optimal
// alignment keeps to, and among optimal alignments the one whose paired lines
// moved most evenly, so that source line numbers break ties between equal
// constructs (a `}` that stayed where it was is paired, not its twin).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "listing/listing_model.h"

namespace korvcmp {

// Profile lines in listing order, each with a key that the same constructs
// share (different keys: different constructs).
class ConstructRun {
  public:
    ConstructRun() = default;
    // The lines of `function` after its FUNCTION line.
    static ConstructRun bodyOf(const FunctionBlock& function);

    std::size_t size() const { return lines_.size(); }
    const ListingLine* line(std::size_t index) const { return lines_[index]; }

  private:
    friend class ConstructDiff;
    std::vector<const ListingLine*> lines_;
    std::vector<std::uint64_t> keys_;
};

// One step of an alignment: a line of both runs, or of one of them.
enum class DiffStep : std::uint8_t { Same, OnlyFirst, OnlySecond };

// The difference between `first` (listing 1's lines) and `second`
// (listing 2's).
class ConstructDiff {
  public:
    ConstructDiff(const ConstructRun& first, const ConstructRun& second)
        : first_(first), second_(second) {}

    // How many lines only one run has, in the best alignment, when that is at
    // most `most`; none otherwise (the search stops there).
    std::optional<std::size_t> distance(std::size_t most) const;

    // The steps of a best alignment, in order. `delta` is how far the code
    // moved before the first line (listing 2's source line number less
    // listing 1's); pathological runs, too far apart to align in reasonable
    // time, are aligned by their common beginning and end alone.
    std::vector<DiffStep> align(std::int64_t delta) const;

  private:
    bool same(std::size_t index1, std::size_t index2) const;
    // How many lines the runs have in common at their beginning and, after
    // that, at their end.
    std::pair<std::size_t, std::size_t> commonEnds() const;
    std::vector<DiffStep> alignInBand(std::size_t onlyFirst, std::size_t onlySecond,
                                      std::int64_t delta) const;
    std::vector<DiffStep> alignEnds() const;

    const ConstructRun& first_;
    const ConstructRun& second_;
};

}  // namespace korvcmp
