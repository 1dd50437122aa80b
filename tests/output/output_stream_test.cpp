// The output stream with the worker writing full buffers out: everything
// arrives in order, whatever the sizes of the pieces, and a write that fails
// on the worker's thread still fails the close.
#include "output/output_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "base/background_worker.h"
#include "support/test_support.h"

namespace korvcmp {
namespace {

// Pieces of every size up to a few buffers, with numbers between them.
std::string writeMany(OutputStream& stream) {
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string piece(static_cast<std::size_t>((i * 7919) % 5000),
                                static_cast<char>('a' + i % 26));
        stream.write(piece);
        stream.put('\n');
        stream.writeInteger(i);
        expected += piece + '\n' + std::to_string(i);
    }
    const std::string large(std::size_t{3} << 20, 'L');  // larger than a buffer
    stream.write(large);
    return expected + large;
}

TEST(OutputStream, WorkerWritesEverythingInOrder) {
    for (const bool withWorker : {false, true}) {
        SCOPED_TRACE(withWorker ? "with worker" : "alone");
        const testing::TempDir dir;
        const std::string path = dir.file("out.txt");
        BackgroundWorker worker;
        OutputStream stream;
        if (withWorker) {
            ASSERT_TRUE(worker.start());
            stream.prepare(&worker);
        }
        ASSERT_TRUE(stream.createFile(path.c_str()));
        const std::string expected = writeMany(stream);
        EXPECT_TRUE(stream.close());
        worker.finish();
        EXPECT_EQ(testing::readTextFile(path), expected);
    }
}

TEST(OutputStream, WriteFailingOnTheWorkerFailsTheClose) {
    if (!testing::fileExists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    BackgroundWorker worker;
    OutputStream stream;
    ASSERT_TRUE(worker.start());
    stream.prepare(&worker);
    ASSERT_TRUE(stream.createFile("/dev/full"));
    writeMany(stream);
    EXPECT_FALSE(stream.close());
    worker.finish();
}

}  // namespace
}  // namespace korvcmp
