// The state a run shares between its stages: the three paths, the three
// streams, the two listings, the current input line with its line counter,
// and the memory everything is stored in. One object holds it all, so a run
// can be started afresh (tests run the whole pipeline many times in one
// process).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/background_worker.h"
#include "base/arena.h"
#include "listing/input_stream.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"
#include "output/output_stream.h"

namespace korvcmp {

struct ProcessState {
    const char* listing1Path = nullptr;  // the arguments of -i1, -i2 and -p
    const char* listing2Path = nullptr;
    const char* outputPath = nullptr;

    InputStream listing1Stream;
    InputStream listing2Stream;
    OutputStream outputStream;

    ProfileListing* listing1 = nullptr;
    ProfileListing* listing2 = nullptr;

    // The current line of the listing being read, without its line end. It
    // points into the stream's buffer and stays valid until the next read.
    std::string_view lineBuffer;
    // Lines read so far from the listing being read; line numbers in messages.
    std::int64_t lineCounter = 0;

    // Memory of everything that lives until the end of the run.
    Arena arena;
    LineStore lineStore;
    // Memory of listing 1's file sections: a section is needed only until
    // listing 2's sections with its MONITORED line have been compared with
    // it, then the memory serves the sections read later. With the worker,
    // one batch of sections is compared while the next ones are read.
    struct SectionMemory {
        Arena arena;
        LineStore lineStore;
        std::vector<const MonitoredFile*> sections;  // the batch of sections stored here
        std::uint64_t job = 0;                       // the worker's job that compares them
    };
    std::array<SectionMemory, 4> sectionMemory;
    // Where records, texts and lines are stored at the moment.
    Arena* currentArena = &arena;
    LineStore* currentLineStore = &lineStore;

    // The second thread, and whether profile lines are classified there (when
    // stored, otherwise). Inputs that are regular files of at least
    // `workerFromSize` bytes are read with it; it is handed the lines read in
    // batches of whole file sections, each ending once `workerBatchLines`
    // lines have been read since the last one.
    BackgroundWorker worker;
    bool classifyLater = false;
    std::int64_t workerFromSize = std::int64_t{4} << 20;
    std::int64_t workerBatchLines = 16384;

    // Listing 2's file sections by MONITORED line, in listing order.
    std::unordered_map<std::string_view, std::vector<MonitoredFile*>> listing2FilesByMonitoredLine;
    // Listing 1's file sections by MONITORED line, the first one of each line.
    std::unordered_map<std::string_view, MonitoredFile*> listing1FilesByMonitoredLine;

    // Closes what is open and gives back all memory, ready for a new run.
    void reset();
};

extern ProcessState process;

}  // namespace korvcmp
