// One run of korvcmp: everything it works with, made by runKorvcmp and
// handed to each stage. Nothing of it outlives the run, so two runs in one
// process share nothing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/arena.h"
#include "base/background_worker.h"
#include "base/memory_source.h"
#include "driver/command_line.h"
#include "driver/run.h"
#include "listing/line_reader.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"
#include "listing/listing_parser.h"
#include "output/output_stream.h"

namespace korvcmp {

// Memory of listing 1's file sections: a section is needed only until
// listing 2's sections with its MONITORED line have been compared with it,
// then the memory serves the sections read later. With the worker, one batch
// of sections is compared while the next ones are read.
struct SectionMemory {
    explicit SectionMemory(MemorySource& source) : arena(source), lineStore(source) {}

    Arena arena;
    LineStore lineStore;
    std::vector<const MonitoredFile*> sections;  // the batch of sections stored here
    std::uint64_t job = 0;                       // the worker's job that compares them
};

struct RunState {
    RunState(const CommandLine& commandLine, const RunOptions& runOptions, MemorySource& memory)
        : paths(commandLine),
          options(runOptions),
          arena(memory),
          lineStore(memory),
          sectionMemory{SectionMemory(memory), SectionMemory(memory), SectionMemory(memory),
                        SectionMemory(memory)} {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    const CommandLine paths;
    const RunOptions options;

    LineReader listing1Reader;
    LineReader listing2Reader;

    // Memory of everything that lives until the end of the run: listing 2
    // whole, listing 1's header.
    Arena arena;
    LineStore lineStore;
    std::array<SectionMemory, 4> sectionMemory;

    ProfileListing* listing1 = nullptr;
    ProfileListing* listing2 = nullptr;
    // Listing 2's file sections by MONITORED line, in listing order.
    FilesByMonitoredLine listing2FilesByMonitoredLine;

    OutputStream outputStream;

    // The second thread. Last, so that it stops before anything its jobs use
    // goes away.
    BackgroundWorker worker;
};

}  // namespace korvcmp
