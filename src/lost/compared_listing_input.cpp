// Opening a compared listing for korvcmp's line reader.
#include "lost/compared_listing_input.h"

#include <cerrno>
#include <cstring>

namespace korvcmp {

bool ComparedListingInput::open(const char* path) {
    // Read in blocks rather than mapped: a file cut short by another program
    // while it is read then ends early instead of faulting. The next block
    // is read while the scanner works on the last.
    reader_.readAheadOnAnotherThread();
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
