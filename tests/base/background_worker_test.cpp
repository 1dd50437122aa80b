// The worker thread: jobs run in order, the first failure is kept and raised
// wherever the handing thread meets the worker next, and later jobs are dropped.
#include "base/background_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvcmp {
namespace {

TEST(BackgroundWorker, RunsJobsInOrder) {
    BackgroundWorker worker;
    ASSERT_TRUE(worker.start());
    std::vector<int> ran;
    std::atomic<int> count{0};
    for (int i = 0; i < 1000; ++i) {
        worker.post([&ran, &count, i] {
            ran.push_back(i);
            ++count;
        });
    }
    worker.waitFor(500);
    EXPECT_GE(count.load(), 500);
    worker.finish();
    ASSERT_EQ(ran.size(), 1000U);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
    }
    EXPECT_FALSE(worker.isRunning());
}

enum class MeetAt { Post, WaitFor, Finish, Stop };

TEST(BackgroundWorker, FirstFailureIsRaisedAndLaterJobsAreDropped) {
    for (const MeetAt meetAt : {MeetAt::Post, MeetAt::WaitFor, MeetAt::Finish, MeetAt::Stop}) {
        SCOPED_TRACE(static_cast<int>(meetAt));
        BackgroundWorker worker;
        ASSERT_TRUE(worker.start());
        std::vector<int> ran;
        const auto message = [](const std::exception_ptr& failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const std::runtime_error& error) {
                return std::string(error.what());
            }
        };
        std::exception_ptr failure;
        try {
            // The failure may already be met while the later jobs are handed over.
            worker.post([&ran] { ran.push_back(1); });
            worker.post([] { throw std::runtime_error("first"); });
            worker.post([] { throw std::runtime_error("second"); });
            worker.post([&ran] { ran.push_back(4); });
            switch (meetAt) {
                case MeetAt::Post:
                    worker.waitFor(1);
                    for (;;) {
                        worker.post([] {});
                    }
                case MeetAt::WaitFor:
                    worker.waitFor(4);
                    break;
                case MeetAt::Finish:
                    worker.finish();
                    break;
                case MeetAt::Stop:
                    failure = worker.stop();
                    break;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(message(failure), "first");
        // Stopping hands the failure over once; raising it does not.
        const std::exception_ptr left = worker.stop();
        if (left != nullptr) {
            EXPECT_EQ(message(left), "first");
        }
        EXPECT_EQ(worker.stop(), nullptr);
        EXPECT_EQ(ran, std::vector<int>{1});
    }
}

TEST(BackgroundWorker, StartsAfreshAfterAFailure) {
    BackgroundWorker worker;
    ASSERT_TRUE(worker.start());
    worker.post([] { throw std::runtime_error("failed"); });
    EXPECT_NE(worker.stop(), nullptr);
    ASSERT_TRUE(worker.start());
    int ran = 0;
    worker.post([&ran] { ++ran; });
    EXPECT_NO_THROW(worker.finish());
    EXPECT_EQ(ran, 1);
}

// Without a thread a job runs at once; one that fails is raised as it is and
// still counts as done, so that nobody waits for it.
TEST(BackgroundWorker, WithoutAThreadJobsRunAtOnce) {
    BackgroundWorker worker;
    int ran = 0;
    worker.post([&ran] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_THROW(worker.post([] { throw std::runtime_error("failed"); }), std::runtime_error);
    EXPECT_EQ(worker.pending(), 0U);
    worker.waitFor(worker.posted());
    EXPECT_EQ(worker.stop(), nullptr);
}

}  // namespace
}  // namespace korvcmp
