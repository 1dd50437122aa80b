// One comparison run: everything the reading, pairing and marking of two
// listings work with, made by the program that runs it from a request fixed
// at that moment, and handed to each stage. Nothing of it outlives the run,
// so two runs in one process share nothing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/arena.h"
#include "base/background_worker.h"
#include "base/memory_source.h"
#include "compare/listing_comparison.h"
#include "listing/line_reader.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"
#include "listing/listing_parser.h"

namespace korvcmp {

// The two listings a run compares. Each refers to its command-line argument
// itself (no copy).
struct ListingPaths {
    const char* listing1Path;
    const char* listing2Path;
};

// How a run goes about its work, where it may differ from a program's run
// (tests and fuzzing).
struct PipelineOptions {
    // Inputs that are regular files of at least this many bytes are read
    // with the worker thread; it is handed the lines read in batches of whole
    // file sections, each ending once `workerBatchLines` lines have been read
    // since the last one.
    std::int64_t workerFromSize = std::int64_t{4} << 20;
    std::int64_t workerBatchLines = 16384;
};

// What a run is asked to do: which listings, how, who watches, and what it
// keeps beyond what korvcmp needs. Fixed when the run is made.
struct RunRequest {
    ListingPaths paths;
    PipelineOptions options;
    // Sees each section of listing 2 as soon as it is compared, while its
    // partner in listing 1 is still in memory; none for korvcmp.
    SectionObserver* observer = nullptr;
    // The sections of listing 1 that listing 2 lacks are kept, in listing 1's
    // order, and handed to the observer's listing1Read.
    bool keepRemovedSections = false;
    // Listing 1's first summary TER line is looked for after its SUMMARY line
    // and kept as listing1->terLine (none when not found).
    bool keepListing1SummaryTer = false;
    // With keepRemovedSections: those sections are read whole, for their
    // items, into the memory of the run (a report that aligns moved files).
    bool readRemovedSectionsWhole = false;
};

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
    RunState(const RunRequest& runRequest, MemorySource& memory)
        : request(runRequest),
          paths(request.paths),
          options(request.options),
          arena(memory),
          lineStore(memory),
          sectionMemory{SectionMemory(memory), SectionMemory(memory), SectionMemory(memory),
                        SectionMemory(memory)} {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    const RunRequest request;
    const ListingPaths& paths;       // request.paths
    const PipelineOptions& options;  // request.options

    // The sections of listing 1 that listing 2 lacks, when the request keeps them.
    std::vector<RemovedSection> removedSections;

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

    // The second thread. Last, so that it stops before anything its jobs use
    // goes away.
    BackgroundWorker worker;
};

}  // namespace korvcmp
