// Opening a compared listing for korvcmp's line reader.
#include "lost/compared_listing_input.h"

namespace korvcmp {

bool ComparedListingInput::open(const char* path, BackgroundWorker* worker) {
    // Read in blocks rather than mapped: a file cut short by another program
    // while it is read then ends early instead of faulting. The next blocks
    // are read while the scanner works on this one.
    reader_.readAheadOn(worker);
    return reader_.open(path, /*mapIfPossible=*/false);
}

bool ComparedListingInput::openStandardInput() {
    return reader_.openStandardInput();
}

}  // namespace korvcmp
