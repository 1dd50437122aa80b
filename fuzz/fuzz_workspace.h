// The private folder in which a fuzz target writes each input as files, for
// programs that read their input by path: one folder per fuzzing process,
// under /dev/shm where it exists (so that the files never touch a disk), else
// under $TMPDIR or /tmp. Folders that processes which ended on a finding left
// behind are removed when the next process makes its own.
#pragma once

#include <string>
#include <string_view>

namespace korvcmp::fuzzing {

// The path of the file `name` in this process's folder, which is made on the
// first call and removed, with its files, when the process ends.
std::string fuzzFilePath(std::string_view name);

// Writes `content` to the file at `path`; ends the process when it cannot,
// as the fuzzer cannot go on.
void writeFuzzFile(const std::string& path, std::string_view content);

// An input of two listings: the first, then the second after a line
// "=====8<=====". Without that line both listings are the whole input; an
// input that starts with it has an empty first listing.
struct ListingPair {
    std::string_view listing1;
    std::string_view listing2;
};
ListingPair splitListingPair(std::string_view input);

// Reports a finding of the fuzz target `target` and aborts, so that libFuzzer
// keeps the input that caused it.
[[noreturn]] void fuzzFinding(const char* target, const char* what, std::string_view detail = {});

}  // namespace korvcmp::fuzzing
