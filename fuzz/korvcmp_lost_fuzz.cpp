// libFuzzer entry for korvcmp-lost: one input is a compared listing, which
// runs through korvcmp-lost's whole run in this process. It is written to a
// file and read from there (ahead, on the worker thread, as from any regular
// file), scanned, and its findings are written to memory in the format that
// the input's size picks, with or without --new.
//
// A run ends with status 0 (no lost coverage), 1 (lost coverage found) or 2
// (trouble), or with std::bad_alloc for memory that ran out. Anything else is
// a finding: a crash, a sanitizer report, a hang, another exception or
// status, and a run whose messages do not fit its status: status 0 or 1 must
// end with the totals line, whose lost count decides the status and, in JSON,
// matches the items written; status 2 must end with one "korvcmp-lost: "
// message.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "fuzz_workspace.h"
#include "lost/lost_run.h"

namespace {

[[noreturn]] void finding(const char* what, std::string_view detail = {}) {
    korvcmp::fuzzing::fuzzFinding("korvcmp_lost_fuzz", what, detail);
}

constexpr korvcmp::FindingFormat kFormats[] = {
    korvcmp::FindingFormat::Gnu,
    korvcmp::FindingFormat::GitHub,
    korvcmp::FindingFormat::Json,
    korvcmp::FindingFormat::Sarif,
    korvcmp::FindingFormat::CodeQuality,
};

// The number of times `text` begins a line of `output`.
std::int64_t linesStartingWith(const std::string& output, std::string_view text) {
    std::int64_t count = 0;
    for (std::size_t at = 0; at < output.size();) {
        count += std::string_view(output).substr(at).starts_with(text) ? 1 : 0;
        const std::size_t newline = output.find('\n', at);
        at = newline == std::string::npos ? output.size() : newline + 1;
    }
    return count;
}

void checkRun(int status, const std::string& messages, const std::string& output,
              const korvcmp::LostOptions& options) {
    const std::size_t lastStart =
        messages.empty() ? 0 : messages.rfind('\n', messages.size() - 2) + 1;
    const std::string_view last = std::string_view(messages).substr(lastStart);
    if (messages.empty() || messages.back() != '\n' || !last.starts_with("korvcmp-lost: ")) {
        finding("the run does not end with a korvcmp-lost line on standard error", messages);
    }
    if (status == korvcmp::kLostTrouble) {
        return;
    }
    if (status != korvcmp::kNoLostCoverage && status != korvcmp::kLostCoverageFound) {
        finding("unexpected status", std::to_string(status));
    }
    std::int64_t lost = -1;
    std::int64_t added = -1;
    if (std::sscanf(std::string(last).c_str(), "korvcmp-lost: %" SCNd64 " lost, %" SCNd64 " new;",
                    &lost, &added) != 2) {
        finding("a run that did not fail ends without its totals", last);
    }
    if ((lost > 0) != (status == korvcmp::kLostCoverageFound)) {
        finding("the status does not fit the lost count", last);
    }
    // The items of each JSON format, one a line, as they begin.
    struct ItemStarts {
        korvcmp::FindingFormat format;
        std::string_view lost;
        std::string_view added;
        std::string_view end;  // how a complete output ends
    };
    static constexpr ItemStarts kItemStarts[] = {
        {korvcmp::FindingFormat::Json, "{\"change\":\"lost\"", "{\"change\":\"new\"", ""},
        {korvcmp::FindingFormat::Sarif, "        {\"ruleId\":\"lost-coverage\"",
         "        {\"ruleId\":\"new-coverage\"", "\n  ]\n}\n"},
        {korvcmp::FindingFormat::CodeQuality, "  {\"description\":\"Lost coverage: ",
         "  {\"description\":\"New coverage: ", "]\n"},
    };
    for (const ItemStarts& starts : kItemStarts) {
        if (options.format != starts.format) {
            continue;
        }
        if (linesStartingWith(output, starts.lost) != lost ||
            (options.includeNew && linesStartingWith(output, starts.added) != added)) {
            finding("the JSON items do not match the totals", last);
        }
        if (!output.empty() && output.back() != '\n') {
            finding("the output does not end with a whole line");
        }
        if (!std::string_view(output).ends_with(starts.end)) {
            finding("the output does not end as a complete report does");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = korvcmp::fuzzing::fuzzFilePath("compared.lst");
    korvcmp::fuzzing::writeFuzzFile(path, {reinterpret_cast<const char*>(data), size});
    korvcmp::LostOptions options;
    options.listingPath = path.c_str();
    options.format = kFormats[size % std::size(kFormats)];
    options.includeNew = (size / std::size(kFormats)) % 2 == 1;

    static std::string output;
    output.clear();
    char* messageText = nullptr;
    std::size_t messageSize = 0;
    std::FILE* messages = open_memstream(&messageText, &messageSize);
    if (messages == nullptr) {
        std::perror("korvcmp_lost_fuzz: open_memstream");
        std::exit(1);
    }
    int status = -1;
    bool ranOutOfMemory = false;
    try {
        korvcmp::OutputStream out;
        out.useMemory(&output);
        status = korvcmp::runLost(options, out, messages);
    } catch (const std::bad_alloc&) {
        ranOutOfMemory = true;  // the program's out-of-memory end
    } catch (const std::exception& error) {
        finding("unexpected exception", error.what());
    } catch (...) {
        finding("unexpected exception of unknown type");
    }
    std::fclose(messages);
    const std::string messageCopy(messageText, messageSize);
    std::free(messageText);
    if (!ranOutOfMemory) {
        checkRun(status, messageCopy, output, options);
    }
    return 0;
}
