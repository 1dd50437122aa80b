// Opening a listing for line reading, and the read error that names it.
#include "listing/line_reader.h"

#include "base/fatal.h"

namespace korvcmp {
namespace {

constexpr const char* kReadErrorMessage = "Read error of file %s, near line %i";

}  // namespace

bool LineReader::open(const char* path, bool mapIfPossible) {
    path_ = path;
    lineBuffer = {};
    lineCounter = 0;
    if (!stream_.open(path, mapIfPossible)) {
        return false;
    }
    if (guardMapping_) {
        // The line where the fault happens is not known in the handler.
        stream_.guardMapping(fatalReport(formatMessage(kReadErrorMessage, path_, 0)));
    }
    return true;
}

bool LineReader::openStandardInput(const char* path) {
    path_ = path;
    lineBuffer = {};
    lineCounter = 0;
    return stream_.openStandardInput();
}

void LineReader::readError() const {
    readFailed_ = true;
    fatal(kReadErrorMessage, path_, lineCounter);
}

}  // namespace korvcmp
