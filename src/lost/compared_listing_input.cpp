// Reading a compared listing through korvcmp's input stream, by the same rules
// as korvcmp reads its listings: bounded reads, whole lines only, no NUL.
#include "lost/compared_listing_input.h"

#include <cerrno>
#include <cstring>

namespace korvcmp {
bool ComparedListingInput::open(const char* path) {
    // Read in blocks rather than mapped: a file cut short by another program
    // while it is read then ends early instead of faulting.
    if (stream_.open(path, /*mapIfPossible=*/false)) {
        return true;
    }
    openFailure_ = std::strerror(errno);
    return false;
}

bool ComparedListingInput::openStandardInput() {
    return open("/dev/stdin");
}

}  // namespace korvcmp
