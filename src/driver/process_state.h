// The state a run shares between its stages: the three paths, the three
// streams, the two listings, the current input line with its line counter,
// and the memory everything is stored in. One object holds it all, so a run
// can be started afresh (tests run the whole pipeline many times in one
// process).
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/memory.h"
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
    // Memory of one file section of listing 1: a section is needed only until
    // listing 2's sections with its MONITORED line have been compared with
    // it, then the memory serves the next section.
    Arena sectionArena;
    LineStore sectionLineStore;
    // Where records, texts and lines are stored at the moment.
    Arena* currentArena = &arena;
    LineStore* currentLineStore = &lineStore;

    // Listing 2's file sections by MONITORED line, in listing order.
    std::unordered_map<std::string_view, std::vector<MonitoredFile*>> listing2FilesByMonitoredLine;
    // Listing 1's file sections by MONITORED line, the first one of each line.
    std::unordered_map<std::string_view, MonitoredFile*> listing1FilesByMonitoredLine;

    // Closes what is open and gives back all memory, ready for a new run.
    void reset();
};

extern ProcessState process;

}  // namespace korvcmp
