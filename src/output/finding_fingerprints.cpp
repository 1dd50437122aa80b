// The fingerprint key: a 64-bit hash of the finding's texts, taken eight
// bytes at a time in little-endian order so that every system writes the
// same key; the places among equal keys in an open-addressing table. The
// key holds the file, so equal keys are equal findings of one file, wherever
// its sections stand in the listing.
#include "output/finding_fingerprints.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

namespace korvcmp {
namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

std::uint64_t mixed(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * kMultiplier;
    return hash ^ (hash >> 29);
}

// Up to eight bytes as one word, the first byte lowest.
std::uint64_t littleEndianWord(const char* bytes, std::size_t size) {
    char eight[8] = {};
    if (size > 0) {  // an empty text may have no bytes at all
        std::memcpy(eight, bytes, size);
    }
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, eight, sizeof word);
        return word;
    }
    for (std::size_t i = 0; i < sizeof eight; ++i) {
        word |= std::uint64_t{static_cast<unsigned char>(eight[i])} << (8 * i);
    }
    return word;
}

// Adds `text` and its length, so that "ab" + "c" and "a" + "bc" differ.
std::uint64_t hashed(std::uint64_t hash, std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        hash = mixed(hash, littleEndianWord(text.data() + i, 8));
    }
    hash = mixed(hash, littleEndianWord(text.data() + i, text.size() - i));
    return mixed(hash, text.size());
}

// The final mix spreads every input bit over the whole key.
std::uint64_t finished(std::uint64_t hash) {
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return hash;
}

constexpr std::uint64_t kItemSeed = 0x6C6F73742D697465ULL;  // "lost-ite"
constexpr std::uint64_t kNoteSeed = 0x6E6F742D636F6D70ULL;  // "not-comp"
constexpr std::size_t kFirstSlots = 1024;

}  // namespace

// The two hexadecimal digits of every byte.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t byte = 0; byte < pairs.size(); ++byte) {
        pairs[byte] = {kDigits[byte >> 4], kDigits[byte & 0xF]};
    }
    return pairs;
}();

char* Fingerprint::write(char* at) const {
    for (int shift = 56; shift >= 0; shift -= 8) {
        const std::array<char, 2>& pair = kHexPairs[(key >> shift) & 0xFF];
        *at++ = pair[0];
        *at++ = pair[1];
    }
    *at++ = ':';
    return std::to_chars(at, at + 10, place).ptr;
}

Fingerprint FingerprintMaker::ofItem(std::string_view file, std::string_view function,
                                     std::string_view description, std::string_view count) {
    // Most items share their file and function with the item before.
    if (!hasPrefix_ || file != lastFile_ || function != lastFunction_) {
        lastFile_.assign(file);
        lastFunction_.assign(function);
        lastPrefix_ = hashed(hashed(kItemSeed, file), function);
        hasPrefix_ = true;
    }
    std::uint64_t hash = lastPrefix_;
    hash = hashed(hash, description);
    hash = hashed(hash, count);
    return placed(finished(hash));
}

Fingerprint FingerprintMaker::ofFile(std::string_view file) {
    return placed(finished(hashed(kNoteSeed, file)));
}

Fingerprint FingerprintMaker::placed(std::uint64_t key) {
    if ((used_ + 1) * 2 > slots_.size()) {
        grow();
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = key & mask;; at = (at + 1) & mask) {
        Slot& slot = slots_[at];
        if (slot.count == 0) {
            slot = Slot{key, 1};
            ++used_;
            return {key, 1};
        }
        if (slot.key == key) {
            return {key, ++slot.count};
        }
    }
}

void FingerprintMaker::grow() {
    std::vector<Slot> old(slots_.empty() ? kFirstSlots : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.count == 0) {
            continue;
        }
        std::size_t at = slot.key & mask;
        while (slots_[at].count != 0) {
            at = (at + 1) & mask;
        }
        slots_[at] = slot;
    }
}

}  // namespace korvcmp
