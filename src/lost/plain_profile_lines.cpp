// Noting the lines of a block that are not plain profile lines.
#include "lost/plain_profile_lines.h"

#include <bit>
#include <string_view>

#include "listing/line_end_search.h"
#include "listing/line_reader.h"
#include "lost/profile_line_fields.h"

namespace korvcmp {

void noteLinesThatAreNotPlain(const char* bytes, std::size_t from, std::size_t to,
                              const std::uint64_t* stops, InputStream::LinesToRead& toRead) {
    // One line in five or so is not plain, in no order a guess could
    // follow: a line is tested and noted without a branch on the outcome,
    // every line is written to the next free place and only those that are
    // not plain keep it. The tests read the 30 characters after a line's
    // start even when the line is shorter: a block has room after its bytes.
    static_assert(InputStream::kRoomAfterBytes >= kDescriptionColumn);
    InputStream::LineToRead* lines = toRead.lines;
    const std::size_t lastPlace = toRead.capacity - 1;
    std::size_t count = 0;
    std::uint32_t stopsBefore = 0;
    std::size_t begin = from;
    bool started = false;  // the first line began in the block before
    const std::size_t endWord = lineStopWords(to);
    for (std::size_t word = from / 64; word < endWord && count < lastPlace; ++word) {
        for (std::uint64_t left = stops[word]; left != 0 && count < lastPlace; left &= left - 1) {
            const std::size_t stop = word * 64 + static_cast<std::size_t>(std::countr_zero(left));
            const std::size_t length = stop - begin;  // without the newline
            // A carriage return before the newline is not counted; a NUL
            // stops a line too, and the line it ends is never plain.
            const std::size_t size =
                length - static_cast<std::size_t>((length > 0) & (bytes[stop - 1] == '\r'));
            const bool plain = started & (bytes[stop] == '\n') & (length < kReadLimit) &
                               (size >= static_cast<std::size_t>(kMinProfileLineLength)) &
                               (markerColumns(std::string_view(bytes + begin, size)) == 0);
            lines[count] = {static_cast<std::uint32_t>(begin), stopsBefore};
            count += static_cast<std::size_t>(!plain);
            ++stopsBefore;
            started = true;
            begin = stop + 1;
        }
    }
    // With no room for more, the lines from the last one noted on are read.
    toRead.complete = count < lastPlace;
    toRead.count = count;
    toRead.stops = stopsBefore;
    toRead.afterLastStop = static_cast<std::uint32_t>(begin);
}

}  // namespace korvcmp
