// Reading with the worker thread. A large regular file is read on this thread
// while the worker classifies the profile lines read so far and compares
// listing 1's sections, batch by batch. Pipes and small files are read and
// handled line by line, on this thread alone.
//
// The run ends with the message that reading alone would give: the worker's
// jobs cover lines read before anything the reader is reading, so an error a
// job meets comes first; then a strange line among the lines not yet handed
// over; then the reader's own error.
#include "pipeline/reading_stages.h"

#include <cstdint>
#include <exception>

#include "compare/listing_comparison.h"
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
[[noreturn]] void failStage(RunState& run, const std::exception_ptr& readerError, LineStore& store,
                            const char* unsentFrom) {
    if (const std::exception_ptr jobError = run.worker.stop(); jobError != nullptr) {
        std::rethrow_exception(jobError);
    }
    classifyStoredLines(store, unsentStart(store, unsentFrom), store.end(),
                        run.listing2->coverageView);
    std::rethrow_exception(readerError);
}

// Makes `memory` the place where listing 1's next sections are stored, once
// the worker is done with the sections stored there before.
void useSectionMemory(RunState& run, SectionMemory& memory, ListingStorage& storage) {
    run.worker.waitFor(memory.job);
    memory.arena.reuse();
    memory.lineStore.reuse();
    memory.sections.clear();
    storage.arena = &memory.arena;
    storage.lineStore = &memory.lineStore;
}

// Forgets the sections read into `listing1` so far; their memory serves again.
void forgetSections(ProfileListing& listing1) {
    listing1.firstFile = nullptr;
    listing1.lastFile = nullptr;
}

// What the parser is to do with listing 1's sections that listing 2 lacks:
// keep them in run.removedSections when asked, else skip them.
SectionSkipped removedSectionKeeper(RunState& run) {
    if (!run.request.keepRemovedSections) {
        return {};
    }
    return [&run](std::string_view monitoredLine, std::string_view terLine,
                  std::string_view terLine2, const MonitoredFile* section) {
        const bool hasTer = !terLine.empty();
        run.removedSections.push_back({copyText(run.arena, monitoredLine),
                                       hasTer ? copyText(run.arena, terLine) : nullptr,
                                       hasTer ? copyText(run.arena, terLine2) : nullptr, section});
    };
}

// Where listing 1's sections that listing 2 lacks are read whole, when asked:
// the memory of the run, classified at once.
const ListingStorage* removedSectionStorage(RunState& run, ListingStorage& storage) {
    if (!run.request.keepRemovedSections || !run.request.readRemovedSectionsWhole) {
        return nullptr;
    }
    storage = ListingStorage{&run.arena, &run.lineStore, false};
    return &storage;
}

// Listing 1 on this thread alone: each section is compared and forgotten.
void readListing1Alone(RunState& run, ListingParser& parser, ListingStorage& storage) {
    ListingStorage removedStorage{};
    SectionMemory& memory = run.sectionMemory.front();
    useSectionMemory(run, memory, storage);
    parser.parseListing1Files(
        run.listing2FilesByMonitoredLine,
        [&run, &memory](const MonitoredFile& file1) {
            compareListing1Section(file1, run.listing2FilesByMonitoredLine, run.request.observer);
            forgetSections(*run.listing1);
            memory.arena.reuse();
            memory.lineStore.reuse();
        },
        removedSectionKeeper(run), removedSectionStorage(run, removedStorage));
}

// Listing 1 with the worker: sections are read into one memory of
// sectionMemory while the worker compares the batch in another.
void readListing1WithWorker(RunState& run, ListingParser& parser, ListingStorage& storage) {
    const char* listing2View = run.listing2->coverageView;
    const FilesByMonitoredLine& listing2Files = run.listing2FilesByMonitoredLine;
    std::size_t current = 0;
    std::int64_t batchStart = run.listing1Reader.lineCounter;
    const auto handOver = [&] {
        SectionMemory& memory = run.sectionMemory[current];
        const char* begin = memory.lineStore.begin();
        const char* end = memory.lineStore.end();
        // Comparing takes the worker about as long as reading takes this
        // thread: while the worker is behind, this thread classifies.
        const bool classified = run.worker.pending() > 0;
        if (classified) {
            classifyStoredLines(memory.lineStore, begin, end, listing2View);
        }
        run.worker.post([&memory, &listing2Files, listing2View, begin, end, classified,
                         observer = run.request.observer] {
            if (!classified) {
                classifyStoredLines(memory.lineStore, begin, end, listing2View);
            }
            for (const MonitoredFile* file1 : memory.sections) {
                compareListing1Section(*file1, listing2Files, observer);
            }
        });
        memory.job = run.worker.posted();
        current = (current + 1) % run.sectionMemory.size();
        useSectionMemory(run, run.sectionMemory[current], storage);
        batchStart = run.listing1Reader.lineCounter;
    };

    useSectionMemory(run, run.sectionMemory[current], storage);
    storage.classifyLater = true;
    ListingStorage removedStorage{};
    try {
        parser.parseListing1Files(
            listing2Files,
            [&](const MonitoredFile& file1) {
                forgetSections(*run.listing1);
                run.sectionMemory[current].sections.push_back(&file1);
                if (run.listing1Reader.lineCounter - batchStart >= run.options.workerBatchLines) {
                    handOver();
                }
            },
            removedSectionKeeper(run), removedSectionStorage(run, removedStorage));
        handOver();
        run.worker.finish();
    } catch (...) {
        failStage(run, std::current_exception(), run.sectionMemory[current].lineStore, nullptr);
    }
    storage.classifyLater = false;
}

}  // namespace

bool startWorkerIfWorthwhile(RunState& run, const LineReader& reader) {
    const std::int64_t size = reader.stream().regularFileSize();
    return size >= 0 && size >= run.options.workerFromSize &&
           (run.worker.isRunning() || run.worker.start());
}

void readListing2(RunState& run) {
    run.listing2 = newRecord<ProfileListing>(run.arena);
    ListingStorage storage{&run.arena, &run.lineStore};
    ListingParser parser(run.listing2Reader, *run.listing2, *run.listing2, storage);
    // Listing 2 is kept whole until it is written: mapped, its lines need no
    // copies.
    parser.openListing(run.paths.listing2Path, true);
    if (!startWorkerIfWorthwhile(run, run.listing2Reader)) {
        parser.parseListing2Files(run.listing2FilesByMonitoredLine);
        parser.parseListing2Summary();
        return;
    }
    LineStore& store = run.lineStore;
    const char* unsentFrom = store.end();
    std::int64_t batchStart = run.listing2Reader.lineCounter;
    const auto handOver = [&run, &store, &unsentFrom, &batchStart] {
        const char* end = store.end();
        run.worker.post(
            [&store, from = unsentStart(store, unsentFrom), end,
             view = run.listing2->coverageView] { classifyStoredLines(store, from, end, view); });
        unsentFrom = end;
        batchStart = run.listing2Reader.lineCounter;
    };

    storage.classifyLater = true;
    // Listing 2's memory is fresh: the worker faults it in ahead of its use.
    struct Prefaulting {
        explicit Prefaulting(RunState& run) : run_(run) { prefault(&run.worker); }
        ~Prefaulting() { prefault(nullptr); }
        Prefaulting(const Prefaulting&) = delete;
        Prefaulting& operator=(const Prefaulting&) = delete;
        void prefault(BackgroundWorker* worker) {
            run_.arena.prefaultWith(worker);
            run_.lineStore.prefaultWith(worker);
        }
        RunState& run_;
    } prefaulting(run);
    try {
        parser.parseListing2Files(
            run.listing2FilesByMonitoredLine, [&run, &batchStart, &handOver](MonitoredFile&) {
                if (run.listing2Reader.lineCounter - batchStart >= run.options.workerBatchLines) {
                    handOver();
                }
            });
        parser.parseListing2Summary();
        handOver();
        run.worker.waitFor(run.worker.posted());
    } catch (...) {
        failStage(run, std::current_exception(), store, unsentFrom);
    }
}

void readListing1AndCompare(RunState& run) {
    run.listing1 = newRecord<ProfileListing>(run.arena);
    // Listing 1's header lives as long as the run; its sections are stored
    // only until they have been compared.
    ListingStorage storage{&run.arena, &run.lineStore};
    ListingParser parser(run.listing1Reader, *run.listing1, *run.listing2, storage);
    // Listing 1 is read section by section and forgotten, through memory that
    // is used again and again, which costs less than mapping.
    parser.openListing(run.paths.listing1Path, false);
    if (startWorkerIfWorthwhile(run, run.listing1Reader)) {
        readListing1WithWorker(run, parser, storage);
    } else {
        run.worker.finish();
        readListing1Alone(run, parser, storage);
    }
    if (run.request.keepListing1SummaryTer) {
        storage = ListingStorage{&run.arena, &run.lineStore};
        parser.readListing1SummaryTer();
    }
}

}  // namespace korvcmp

namespace korvcmp {

void compareListings(RunState& run) {
    run.listing2Reader.reportMappingFaultsAsReadErrors();
    readListing2(run);
    if (run.request.observer != nullptr) {
        run.request.observer->listing2Read(*run.listing2);
    }
    readListing1AndCompare(run);
    if (run.request.observer != nullptr) {
        run.request.observer->listing1Read(*run.listing1, run.removedSections);
    }
    finishComparison(*run.listing2, run.request.observer);
}

}  // namespace korvcmp
