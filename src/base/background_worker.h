// A second thread that runs jobs in the order they are handed over, so that
// work on what has been read overlaps the reading of what follows. The first
// fatal error a job raises is kept and the jobs after it are dropped; the
// thread that hands over or waits then gets that error. Jobs wait in a ring
// made when the thread starts: handing over a job whose captures fit into a
// std::function (a pointer or two) allocates nothing, which the output relies
// on once its file is open.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvcmp {

class BackgroundWorker {
  public:
    using Job = std::function<void()>;

    BackgroundWorker() = default;
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;
    ~BackgroundWorker() { stop(); }

    // Starts the thread; false when none can be started, and the caller
    // does the work itself.
    bool start();
    bool isRunning() const { return thread_.joinable(); }

    // Hands over `job`, to run after the jobs handed over before it; waits
    // while the ring is full. Raises the error of a job that failed. Without
    // a thread the job runs at once, and its error is raised as it is.
    void post(Job job);
    // Number of jobs handed over since the start.
    std::uint64_t posted() const { return posted_; }
    // Number of jobs handed over and not yet done.
    std::uint64_t pending();
    // Waits until the first `count` jobs have run. Raises the error of a job
    // that failed.
    void waitFor(std::uint64_t count);

    // Waits until every job handed over has run, then ends the thread.
    // Raises the error of a job that failed.
    void finish();
    // The same, but returns that error (or none) instead of raising it.
    // Either hands the error over once; the worker is clean afterwards.
    std::exception_ptr stop();

  private:
    void run();
    void raiseFailure();

    std::mutex mutex_;
    std::condition_variable jobsWaiting_;
    std::condition_variable jobsDone_;
    static constexpr std::size_t kRingSize = 64;
    std::vector<Job> ring_;        // kRingSize slots once started
    std::size_t next_ = 0;         // the slot of the next job to run
    std::size_t waiting_ = 0;      // jobs in the ring
    std::uint64_t posted_ = 0;     // written by the handing thread only
    std::uint64_t completed_ = 0;  // guarded by mutex_
    // completed_ and posted_ as the other thread may look at them without the
    // lock, for a moment before it goes to sleep waiting on them.
    std::atomic<std::uint64_t> completedSeen_{0};
    std::atomic<std::uint64_t> postedSeen_{0};
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace korvcmp
