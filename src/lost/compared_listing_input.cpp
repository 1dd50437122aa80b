// Opening a compared listing for korvcmp's line reader.
#include "lost/compared_listing_input.h"

#include <cerrno>
#include <cstring>

namespace korvcmp {

bool ComparedListingInput::open(const char* path, BackgroundWorker* worker) {
    // Read in blocks rather than mapped: a file cut short by another program
    // while it is read then ends early instead of faulting. The next blocks
    // are read while the scanner works on this one.
    reader_.readAheadOn(worker);
    if (reader_.open(path, /*mapIfPossible=*/false)) {
        return true;
    }
    openFailure_ = std::strerror(errno);
    return false;
}

bool ComparedListingInput::openStandardInput() {
    if (reader_.openStandardInput()) {
        return true;
    }
    openFailure_ = std::strerror(errno);
    return false;
}

}  // namespace korvcmp
