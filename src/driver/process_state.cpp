// The one ProcessState of the program.
#include "driver/process_state.h"

namespace korvcmp {

ProcessState process;

void ProcessState::reset() {
    worker.stop();
    classifyLater = false;
    listing1Path = nullptr;
    listing2Path = nullptr;
    outputPath = nullptr;
    listing1Stream.close();
    listing2Stream.close();
    outputStream.abandon();
    listing1 = nullptr;
    listing2 = nullptr;
    lineBuffer = {};
    lineCounter = 0;
    listing2FilesByMonitoredLine.clear();
    listing1FilesByMonitoredLine.clear();
    currentArena = &arena;
    currentLineStore = &lineStore;
    for (SectionMemory& memory : sectionMemory) {
        memory.lineStore.release();
        memory.arena.release();
        memory.sections.clear();
        memory.job = 0;
    }
    lineStore.release();
    arena.release();
}

}  // namespace korvcmp
