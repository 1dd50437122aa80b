// Reading with the worker thread. A large regular file is read on this thread
// while the worker classifies the profile lines read so far and compares
// listing 1's sections, batch by batch. Pipes and small files are read and
// handled line by line, on this thread alone.
//
// The run ends with the message that reading alone would give: the worker's
// jobs cover lines read before anything the reader is reading, so an error a
// job meets comes first; then a strange line among the lines not yet handed
// over; then the reader's own error.
#include "driver/reading_stages.h"

#include <cstdint>
#include <exception>

#include "compare/listing_comparison.h"
#include "driver/process_state.h"
#include "listing/listing_parser.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp {
namespace {

// Where the lines not yet handed over begin: at `unsentFrom`, or at the
// first line when none were handed over.
const char* unsentStart(const LineStore& store, const char* unsentFrom) {
    return unsentFrom != nullptr ? unsentFrom : store.begin();
}

// Ends a stage whose reader failed with `readerError`; the lines stored from
// `unsentFrom` on in `store` have not been handed over.
[[noreturn]] void failStage(const std::exception_ptr& readerError, LineStore& store,
                            const char* unsentFrom) {
    if (const std::exception_ptr jobError = process.worker.stop(); jobError != nullptr) {
        std::rethrow_exception(jobError);
    }
    process.classifyLater = false;
    classifyStoredLines(store, unsentStart(store, unsentFrom), store.end());
    std::rethrow_exception(readerError);
}

void useSectionMemory(ProcessState::SectionMemory& memory) {
    process.worker.waitFor(memory.job);
    memory.arena.reuse();
    memory.lineStore.reuse();
    memory.sections.clear();
    process.currentArena = &memory.arena;
    process.currentLineStore = &memory.lineStore;
}

// Listing 1 on this thread alone: each section is compared and forgotten.
void readListing1Alone() {
    ProcessState::SectionMemory& memory = process.sectionMemory.front();
    useSectionMemory(memory);
    parseListing1Files([&memory](const MonitoredFile& file1) {
        compareListing1Section(file1);
        process.listing1->firstFile = nullptr;
        process.listing1->lastFile = nullptr;
        memory.arena.reuse();
        memory.lineStore.reuse();
    });
}

// Listing 1 with the worker: sections are read into one memory of
// sectionMemory while the worker compares the batch in another.
void readListing1WithWorker() {
    std::size_t current = 0;
    std::int64_t batchStart = process.lineCounter;
    const auto handOver = [&current, &batchStart] {
        ProcessState::SectionMemory& memory = process.sectionMemory[current];
        const char* begin = memory.lineStore.begin();
        const char* end = memory.lineStore.end();
        // Comparing takes the worker about as long as reading takes this
        // thread: while the worker is behind, this thread classifies.
        const bool classified = process.worker.pending() > 0;
        if (classified) {
            classifyStoredLines(memory.lineStore, begin, end);
        }
        process.worker.post([&memory, begin, end, classified] {
            if (!classified) {
                classifyStoredLines(memory.lineStore, begin, end);
            }
            for (const MonitoredFile* file1 : memory.sections) {
                compareListing1Section(*file1);
            }
        });
        memory.job = process.worker.posted();
        current = (current + 1) % process.sectionMemory.size();
        useSectionMemory(process.sectionMemory[current]);
        batchStart = process.lineCounter;
    };

    useSectionMemory(process.sectionMemory[current]);
    process.classifyLater = true;
    try {
        parseListing1Files([&current, &batchStart, &handOver](const MonitoredFile& file1) {
            process.listing1->firstFile = nullptr;
            process.listing1->lastFile = nullptr;
            process.sectionMemory[current].sections.push_back(&file1);
            if (process.lineCounter - batchStart >= process.workerBatchLines) {
                handOver();
            }
        });
        handOver();
        process.worker.finish();
    } catch (...) {
        failStage(std::current_exception(), process.sectionMemory[current].lineStore, nullptr);
    }
    process.classifyLater = false;
}

}  // namespace

bool useWorkerFor(const InputStream& stream) {
    const std::int64_t size = stream.regularFileSize();
    return size >= 0 && size >= process.workerFromSize &&
           (process.worker.isRunning() || process.worker.start());
}

void readListing2() {
    if (!useWorkerFor(process.listing2Stream)) {
        parseListing2Files();
        parseListing2Summary();
        return;
    }
    LineStore& store = *process.currentLineStore;
    const char* unsentFrom = store.end();
    std::int64_t batchStart = process.lineCounter;
    const auto handOver = [&store, &unsentFrom, &batchStart] {
        const char* end = store.end();
        process.worker.post([&store, from = unsentStart(store, unsentFrom), end] {
            classifyStoredLines(store, from, end);
        });
        unsentFrom = end;
        batchStart = process.lineCounter;
    };

    process.classifyLater = true;
    // Listing 2's memory is fresh: the worker faults it in ahead of its use.
    struct Prefaulting {
        Prefaulting() { prefault(&process.worker); }
        ~Prefaulting() { prefault(nullptr); }
        static void prefault(BackgroundWorker* worker) {
            process.arena.prefaultWith(worker);
            process.lineStore.prefaultWith(worker);
        }
    } prefaulting;
    try {
        parseListing2Files([&batchStart, &handOver](MonitoredFile&) {
            if (process.lineCounter - batchStart >= process.workerBatchLines) {
                handOver();
            }
        });
        parseListing2Summary();
        handOver();
        process.worker.waitFor(process.worker.posted());
    } catch (...) {
        failStage(std::current_exception(), store, unsentFrom);
    }
    process.classifyLater = false;
}

void readListing1AndCompare() {
    // Listing 1's sections are stored only until they have been compared.
    if (useWorkerFor(process.listing1Stream)) {
        readListing1WithWorker();
    } else {
        process.worker.finish();
        readListing1Alone();
    }
    process.currentArena = &process.arena;
    process.currentLineStore = &process.lineStore;
}

}  // namespace korvcmp
