// Work that must not hold up the form's thread (the network). A worker runs its jobs one at
// a time, in the order queued, away from that thread; each job's Finish then runs on the
// form's thread, in the same order. Win32: one thread, started by the first job. Headless:
// the jobs wait for the test to run them.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace toolkit {

class Form;

class Job {
public:
    virtual ~Job() = default;
    // Away from the form's thread: touches no window and no control.
    virtual void Run() = 0;
    // On the form's thread, after Run.
    virtual void Finish() = 0;
    // On the form's thread, instead of both when the queue pushes it out.
    virtual void Dropped() = 0;
    // From another thread while Run runs: end it as soon as possible.
    virtual void Cancel() = 0;
};

// The jobs' hand-over between the form's thread and the one that runs them.
class JobQueue {
public:
    static constexpr std::size_t kMaxWaiting = 8;

    // Form's thread. Returns the oldest waiting job when a full queue pushes it out; a
    // stopped queue takes no job.
    std::unique_ptr<Job> Push(std::unique_ptr<Job> job);
    // Running side: the next job, now the running one; null when none waits or stopped.
    std::unique_ptr<Job> TakeNext();
    // Running side: the running job has run. True when it is kept for its Finish, and then
    // `announce` has run before any Stop could; false when stopped (the job is released).
    bool Ran(std::unique_ptr<Job> job, const std::function<void()>& announce = {});
    // Form's thread: the jobs that have run, oldest first.
    std::vector<std::unique_ptr<Job>> TakeFinished();
    // Any thread: the running job is cancelled and the waiting ones released; no job is
    // taken, run or finished any more.
    void Stop();
    bool Stopped() const;
    std::size_t Waiting() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::unique_ptr<Job>> waiting_;
    Job* running_ = nullptr;
    std::vector<std::unique_ptr<Job>> finished_;
    bool stopped_ = false;
};

class Worker {
public:
    explicit Worker(Form& form);
    virtual ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues `job`; a full queue drops its oldest waiting job, whose Dropped runs now.
    void Queue(std::unique_ptr<Job> job);
    // Cancels the running job, releases the waiting ones and waits up to `graceMs` for the
    // threads that ran them; true when none of them runs any more.
    virtual bool Stop(int graceMs) = 0;
    // From the form: runs Finish of every job that has run.
    void DeliverFinished();

protected:
    virtual JobQueue& Jobs() = 0;
    // A job was queued.
    virtual void Wake() = 0;

    Form& form_;
};

}  // namespace toolkit
