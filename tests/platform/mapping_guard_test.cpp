// The SIGBUS handler: a fault inside the guarded mapping of a file that was
// cut short ends the process with the prepared report and status 255; a
// fault anywhere else, or a SIGBUS sent by another process, keeps its
// default action.
#include "platform/mapping_guard.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/input_file.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

constexpr std::size_t kPage = 4096;

// Maps the file at `path` and cuts it short, so that touching its later
// pages faults.
std::span<const char> mapThenTruncate(InputFile& file, const std::string& path) {
    if (!file.open(path.c_str())) {
        std::_Exit(2);
    }
    const std::span<const char> bytes = file.map();
    if (bytes.empty() || ::truncate(path.c_str(), 0) != 0) {
        std::_Exit(3);
    }
    return bytes;
}

char touch(std::span<const char> bytes) {
    return static_cast<const volatile char*>(bytes.data())[2 * kPage];
}

TEST(MappingGuard, OnlyFaultsInsideTheGuardedMappingAreReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TempDir dir;
    const std::string guarded = dir.write("guarded.lst", std::string(4 * kPage, 'x'));
    const std::string other = dir.write("other.lst", std::string(4 * kPage, 'y'));
    const char* const report = "*** korvcmp error: Read error of file guarded.lst, near line 0\n";

    enum class Fault { InGuardedMapping, InOtherMapping, SentByKill };
    const struct {
        const char* name;
        Fault fault;
        std::function<bool(int)> endsAsExpected;
        const char* standardError;
    } cases[] = {
        {"fault in the guarded mapping", Fault::InGuardedMapping, ::testing::ExitedWithCode(255),
         "^\\*\\*\\* korvcmp error: Read error of file guarded\\.lst, near line 0\n$"},
        {"fault in another mapping", Fault::InOtherMapping, ::testing::KilledBySignal(SIGBUS), ""},
        {"SIGBUS sent by kill()", Fault::SentByKill, ::testing::KilledBySignal(SIGBUS), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                installMappingFaultHandler();
                InputFile guardedFile;
                const std::span<const char> guardedBytes = mapThenTruncate(guardedFile, guarded);
                guardMapping(guardedBytes.data(), guardedBytes.size(), report);
                InputFile otherFile;
                const std::span<const char> otherBytes = mapThenTruncate(otherFile, other);
                switch (c.fault) {
                    case Fault::InGuardedMapping:
                        touch(guardedBytes);
                        break;
                    case Fault::InOtherMapping:
                        touch(otherBytes);
                        break;
                    case Fault::SentByKill:
                        ::kill(::getpid(), SIGBUS);
                        break;
                }
                std::_Exit(0);
            },
            c.endsAsExpected, c.standardError);
    }
}

}  // namespace
}  // namespace korvcmp::testing
