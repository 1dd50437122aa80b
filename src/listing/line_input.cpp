// Reading whole lines from a listing, with the line counter that messages use.
#include "listing/line_input.h"

#include "base/fatal.h"
#include "driver/process_state.h"

namespace korvcmp {

const char* pathOf(const InputStream& stream) {
    return &stream == &process.listing2Stream ? process.listing2Path : process.listing1Path;
}

void readError(const InputStream& stream) {
    fatal("Read error of file %s, near line %i", pathOf(stream), process.lineCounter);
}

}  // namespace korvcmp
