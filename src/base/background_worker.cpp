// The worker thread's loop and the hand-over between the two threads.
#include "base/background_worker.h"

#include <system_error>
#include <utility>

namespace korvcmp {

bool BackgroundWorker::start() {
    stop();
    posted_ = 0;
    completed_ = 0;
    postedSeen_ = 0;
    completedSeen_ = 0;
    stopping_ = false;
    failure_ = nullptr;
    if (ring_.empty()) {
        ring_.resize(kRingSize);
    }
    next_ = 0;
    waiting_ = 0;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

namespace {

// Looks at `progress` until `ready(progress)`, for a few microseconds at
// most. The other thread is mostly about to be done: a thread that goes to
// sleep and is woken costs both threads more than that, thousands of times
// in a run that reads ahead block by block.
template <typename Ready>
void lookForAMoment(const std::atomic<std::uint64_t>& progress, Ready ready) {
    constexpr int kLooks = 2000;
    for (int look = 0; look < kLooks && !ready(progress.load(std::memory_order_acquire)); ++look) {
    }
}

}  // namespace

void BackgroundWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stopping_ && waiting_ == 0) {
            const std::uint64_t seen = posted_;
            lock.unlock();
            lookForAMoment(postedSeen_, [seen](std::uint64_t posted) { return posted != seen; });
            lock.lock();
        }
        jobsWaiting_.wait(lock, [this] { return stopping_ || waiting_ > 0; });
        if (waiting_ == 0) {
            return;  // stopping, and nothing is left to do
        }
        Job job = std::move(ring_[next_]);
        ring_[next_] = nullptr;
        next_ = (next_ + 1) % kRingSize;
        --waiting_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure != nullptr) {
            // The jobs after a failed one work on what followed the error:
            // they are dropped, and count as done so that nobody waits.
            failure_ = failure;
            completed_ += 1 + waiting_;
            for (; waiting_ > 0; --waiting_) {
                ring_[next_] = nullptr;
                next_ = (next_ + 1) % kRingSize;
            }
        } else {
            ++completed_;
        }
        completedSeen_.store(completed_, std::memory_order_release);
        jobsDone_.notify_all();
    }
}

void BackgroundWorker::raiseFailure() {
    if (failure_ != nullptr) {
        std::rethrow_exception(failure_);
    }
}

void BackgroundWorker::post(Job job) {
    if (!thread_.joinable()) {
        // No thread: the job runs at once, and counts as done even when it
        // fails.
        ++posted_;
        struct Done {
            BackgroundWorker& worker;
            ~Done() {
                const std::lock_guard lock(worker.mutex_);
                ++worker.completed_;
            }
        } done{*this};
        job();
        return;
    }
    {
        std::unique_lock lock(mutex_);
        jobsDone_.wait(lock, [this] { return waiting_ < kRingSize || failure_ != nullptr; });
        raiseFailure();
        ring_[(next_ + waiting_) % kRingSize] = std::move(job);
        ++waiting_;
        ++posted_;
        postedSeen_.store(posted_, std::memory_order_release);
    }
    jobsWaiting_.notify_one();
}

std::uint64_t BackgroundWorker::pending() {
    std::lock_guard lock(mutex_);
    return posted_ - completed_;
}

void BackgroundWorker::waitFor(std::uint64_t count) {
    if (!thread_.joinable()) {
        return;  // every job handed over has run already
    }
    lookForAMoment(completedSeen_, [count](std::uint64_t completed) { return completed >= count; });
    std::unique_lock lock(mutex_);
    jobsDone_.wait(lock, [this, count] { return completed_ >= count || failure_ != nullptr; });
    raiseFailure();
}

std::exception_ptr BackgroundWorker::stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        jobsWaiting_.notify_one();
        thread_.join();
    }
    // Handed over once: a failure belongs to the run that met it.
    return std::exchange(failure_, nullptr);
}

void BackgroundWorker::finish() {
    if (const std::exception_ptr failure = stop(); failure != nullptr) {
        std::rethrow_exception(failure);
    }
}

}  // namespace korvcmp
