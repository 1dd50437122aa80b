// Micro-benchmarks of the per-line stages: reading lines from a listing file,
// and classifying profile lines. Both run over the example listing, repeated
// to a few megabytes so that the figures are per line of realistic text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "listing/line_reader.h"
#include "listing/line_store.h"
#include "listing/profile_line_classifier.h"
#include "platform/system_memory.h"

#ifndef KORVCMP_SOURCE_DIR
#define KORVCMP_SOURCE_DIR "."
#endif

namespace korvcmp {
namespace {

std::string exampleText() {
    std::ifstream in(KORVCMP_SOURCE_DIR "/examples/run2.lst", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The profile lines of the example listing: lines whose line number field
// ends in a digit at column 28.
std::vector<std::string> profileLines() {
    std::vector<std::string> lines;
    std::istringstream in(exampleText());
    for (std::string line; std::getline(in, line);) {
        if (line.size() >= static_cast<std::size_t>(kMinProfileLineLength) && line[28] >= '0' &&
            line[28] <= '9' && line[29] == ' ') {
            lines.push_back(line);
        }
    }
    return lines;
}

void classifier(benchmark::State& state) {
    const char* listing2CoverageView = "Decision+Condition coverage";
    const std::vector<std::string> lines = profileLines();
    LineStore store(systemMemory());
    std::vector<ListingLine*> stored;
    stored.reserve(lines.size());
    for (const std::string& line : lines) {
        stored.push_back(store.single(line));
    }
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        for (ListingLine* line : stored) {
            classifyProfileLine(*line, listing2CoverageView);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stored.size()));
}
BENCHMARK(classifier);

// Reads a file of the example listing repeated to about 8 MB, line by line,
// mapped (as listing 2 is) or read in blocks (as listing 1 is).
void lineReader(benchmark::State& state) {
    const bool mapped = state.range(0) != 0;
    const std::string example = exampleText();
    const std::string path = "/tmp/korvcmp-microbench.lst";
    {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t written = 0; written < (std::size_t{8} << 20); written += example.size()) {
            out << example;
        }
    }
    std::int64_t lines = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
        LineReader reader;
        reader.open(path.c_str(), mapped);
        while (reader.tryReadLine()) {
            ++lines;
        }
        reader.close();
    }
    state.SetItemsProcessed(lines);
    std::remove(path.c_str());
}
BENCHMARK(lineReader)->Arg(0)->Arg(1)->ArgNames({"mapped"});

}  // namespace
}  // namespace korvcmp
