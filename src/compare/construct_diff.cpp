// Myers' distance, the banded alignment with its tie-breaking by source line
// numbers, and the fallback for runs too far apart.
#include "compare/construct_diff.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "compare/file_pairing.h"

namespace korvcmp {
namespace {

// Beyond these, two runs are too far apart for a line-by-line alignment:
// the lines between their common beginning and end are taken as changed.
constexpr std::size_t kMostDistance = 4096;
constexpr std::size_t kMostBandCells = std::size_t{8} << 20;

// Equal for the same construct: its kind, compare end and the first and last
// eight characters of its description. An MC/DC row may differ where listing
// 2 shows '+' or '-', so its description does not enter the key.
std::uint64_t constructKey(const ListingLine& line) {
    std::uint64_t key =
        (std::uint64_t{line.kind} << 16) ^ static_cast<std::uint16_t>(line.compareEnd);
    if (line.lineKind() != LK_MCDC && line.compareEnd >= kDescriptionColumn) {
        const std::size_t length =
            static_cast<std::size_t>(line.compareEnd) - kDescriptionColumn + 1;
        const char* description = line.text() + kDescriptionColumn;
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::memcpy(&head, description, std::min<std::size_t>(length, 8));
        std::memcpy(&tail, description + length - std::min<std::size_t>(length, 8),
                    std::min<std::size_t>(length, 8));
        key ^= (head * 0x9e3779b97f4a7c15) ^ (tail * 0xc2b2ae3d27d4eb4f) ^ (length << 24);
    }
    return key;
}

// A cell of the banded table: the common lines of the best alignment of the
// prefixes, how unevenly its paired lines moved, and how far the last moved.
struct BandCell {
    std::int32_t common = -1;  // -1: outside the table
    std::int64_t unevenness = 0;
    std::int64_t lastDelta = 0;
};

bool better(const BandCell& candidate, const BandCell& best) {
    return candidate.common > best.common ||
           (candidate.common == best.common && candidate.unevenness < best.unevenness);
}

std::int64_t deltaOf(const ListingLine& line1, const ListingLine& line2) {
    return static_cast<std::int64_t>(line2.lineNumber) -
           static_cast<std::int64_t>(line1.lineNumber);
}

}  // namespace

ConstructRun ConstructRun::bodyOf(const FunctionBlock& function) {
    ConstructRun run;
    if (function.firstLine == nullptr) {
        return run;
    }
    for (const ListingLine* at = function.firstLine->next(); at != nullptr; at = at->next()) {
        run.lines_.push_back(at);
        run.keys_.push_back(constructKey(*at));
    }
    return run;
}

bool ConstructDiff::same(std::size_t index1, std::size_t index2) const {
    return first_.keys_[index1] == second_.keys_[index2] &&
           sameConstruct(*first_.lines_[index1], *second_.lines_[index2]);
}

std::pair<std::size_t, std::size_t> ConstructDiff::commonEnds() const {
    const std::size_t size1 = first_.size();
    const std::size_t size2 = second_.size();
    const std::size_t shorter = std::min(size1, size2);
    std::size_t head = 0;
    while (head < shorter && same(head, head)) {
        ++head;
    }
    std::size_t tail = 0;
    while (head + tail < shorter && same(size1 - 1 - tail, size2 - 1 - tail)) {
        ++tail;
    }
    return {head, tail};
}

std::optional<std::size_t> ConstructDiff::distance(std::size_t most) const {
    const std::size_t size1 = first_.size();
    const std::size_t size2 = second_.size();
    const auto [head, tail] = commonEnds();
    const auto n = static_cast<std::ptrdiff_t>(size1 - head - tail);
    const auto m = static_cast<std::ptrdiff_t>(size2 - head - tail);
    if (n == 0 || m == 0) {
        const auto d = static_cast<std::size_t>(n + m);
        return d <= most ? std::optional<std::size_t>(d) : std::nullopt;
    }
    const auto limit = static_cast<std::ptrdiff_t>(std::min<std::size_t>(most, size1 + size2));
    // furthest[k + offset]: the furthest x reached on diagonal k = x - y.
    std::vector<std::ptrdiff_t> furthest(static_cast<std::size_t>(2 * limit + 3), 0);
    const std::ptrdiff_t offset = limit + 1;
    for (std::ptrdiff_t d = 0; d <= limit; ++d) {
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            const auto at = static_cast<std::size_t>(k + offset);
            std::ptrdiff_t x = (k == -d || (k != d && furthest[at - 1] < furthest[at + 1]))
                                   ? furthest[at + 1]
                                   : furthest[at - 1] + 1;
            std::ptrdiff_t y = x - k;
            while (x < n && y < m &&
                   same(head + static_cast<std::size_t>(x), head + static_cast<std::size_t>(y))) {
                ++x;
                ++y;
            }
            furthest[at] = x;
            if (x >= n && y >= m) {
                return static_cast<std::size_t>(d);
            }
        }
    }
    return std::nullopt;
}

std::vector<DiffStep> ConstructDiff::align(std::int64_t delta) const {
    const std::size_t size1 = first_.size();
    const std::size_t size2 = second_.size();
    const std::optional<std::size_t> apart = distance(kMostDistance);
    if (!apart) {
        return alignEnds();
    }
    if (*apart == 0) {
        return std::vector<DiffStep>(size1, DiffStep::Same);
    }
    // Every best alignment has exactly these lines of one run only.
    const std::size_t common = (size1 + size2 - *apart) / 2;
    const std::size_t onlyFirst = size1 - common;
    const std::size_t onlySecond = size2 - common;
    if ((size1 + 1) * (onlyFirst + onlySecond + 1) > kMostBandCells) {
        return alignEnds();
    }
    return alignInBand(onlyFirst, onlySecond, delta);
}

// The table over prefixes (i of the first run, j of the second), kept to the
// diagonals j - i from -onlyFirst to onlySecond: the most common lines first,
// then the least unevenness (how much the source line delta changes from one
// paired line to the next).
std::vector<DiffStep> ConstructDiff::alignInBand(std::size_t onlyFirst, std::size_t onlySecond,
                                                 std::int64_t delta) const {
    const std::size_t size1 = first_.size();
    const std::size_t size2 = second_.size();
    const std::size_t width = onlyFirst + onlySecond + 1;
    std::vector<BandCell> previous(width);
    std::vector<BandCell> current(width);
    std::vector<DiffStep> came((size1 + 1) * width, DiffStep::Same);
    for (std::size_t i = 0; i <= size1; ++i) {
        for (std::size_t band = 0; band < width; ++band) {
            BandCell& cell = current[band];
            cell = BandCell{};
            // j = i + band - onlyFirst, within 0..size2.
            if (i + band < onlyFirst || i + band - onlyFirst > size2) {
                continue;
            }
            const std::size_t j = i + band - onlyFirst;
            if (i == 0 && j == 0) {
                cell = BandCell{0, 0, delta};
                continue;
            }
            DiffStep step = DiffStep::Same;
            if (i > 0 && j > 0 && previous[band].common >= 0 && same(i - 1, j - 1)) {
                const BandCell& from = previous[band];
                const std::int64_t moved = deltaOf(*first_.line(i - 1), *second_.line(j - 1));
                cell = BandCell{from.common + 1, from.unevenness + std::abs(moved - from.lastDelta),
                                moved};
            }
            if (i > 0 && band + 1 < width && previous[band + 1].common >= 0 &&
                better(previous[band + 1], cell)) {
                cell = previous[band + 1];
                step = DiffStep::OnlyFirst;
            }
            if (j > 0 && band > 0 && current[band - 1].common >= 0 &&
                better(current[band - 1], cell)) {
                cell = current[band - 1];
                step = DiffStep::OnlySecond;
            }
            came[i * width + band] = step;
        }
        std::swap(previous, current);
    }
    std::vector<DiffStep> steps;
    steps.reserve(size1 + onlySecond);
    std::size_t i = size1;
    std::size_t band = onlySecond;  // j = size2
    while (i > 0 || band != onlyFirst) {
        const DiffStep step = came[i * width + band];
        steps.push_back(step);
        switch (step) {
            case DiffStep::Same:
                --i;
                break;
            case DiffStep::OnlyFirst:
                --i;
                ++band;
                break;
            case DiffStep::OnlySecond:
                --band;
                break;
        }
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

std::vector<DiffStep> ConstructDiff::alignEnds() const {
    const std::size_t size1 = first_.size();
    const std::size_t size2 = second_.size();
    const auto [head, tail] = commonEnds();
    std::vector<DiffStep> steps(head, DiffStep::Same);
    steps.insert(steps.end(), size1 - head - tail, DiffStep::OnlyFirst);
    steps.insert(steps.end(), size2 - head - tail, DiffStep::OnlySecond);
    steps.insert(steps.end(), tail, DiffStep::Same);
    return steps;
}

}  // namespace korvcmp
