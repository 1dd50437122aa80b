// The one ProcessState of the program.
#include "driver/process_state.h"

namespace korvcmp {

ProcessState process;

void ProcessState::reset() {
    listing1Path = nullptr;
    listing2Path = nullptr;
    outputPath = nullptr;
    listing1Stream.close();
    listing2Stream.close();
    outputStream.close();
    listing1 = nullptr;
    listing2 = nullptr;
    lineBuffer = {};
    lineCounter = 0;
    listing2FilesByMonitoredLine.clear();
    listing1FilesByMonitoredLine.clear();
    currentArena = &arena;
    currentLineStore = &lineStore;
    sectionLineStore.release();
    sectionArena.release();
    lineStore.release();
    arena.release();
}

}  // namespace korvcmp
