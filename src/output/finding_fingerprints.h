// Stable keys for findings, as code scanning and merge request widgets match
// a finding of one run with the same finding of the next: made from the
// file, the function, the description and the count that changed, and the
// finding's place among equal ones of its file (across every section of
// the listing that holds the file), never from a line number, so that a key stays the same when
// unrelated lines move. Written as sixteen hexadecimal digits, a colon and the place
// ("3f0c...e1:1").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvcmp {

struct Fingerprint {
    std::uint64_t key = 0;
    std::uint32_t place = 1;  // 1 for the first of equal keys

    static constexpr std::size_t kTextSize = 16 + 1 + 10;
    // Writes the text at `at` (room for kTextSize characters); returns its end.
    char* write(char* at) const;
};

// Gives each finding its fingerprint. Memory grows with the number of
// different findings given, not with the listing's size.
class FingerprintMaker {
  public:
    // An item of `file`'s function `function`: its description and the name
    // of the count that changed.
    Fingerprint ofItem(std::string_view file, std::string_view function,
                       std::string_view description, std::string_view count);
    // A finding about the whole of `file`.
    Fingerprint ofFile(std::string_view file);

  private:
    Fingerprint placed(std::uint64_t key);
    void grow();

    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t count = 0;  // 0: the slot is free
    };
    // The hash of the last item's file and function, kept while they stay.
    std::string lastFile_;
    std::string lastFunction_;
    std::uint64_t lastPrefix_ = 0;
    bool hasPrefix_ = false;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace korvcmp
