// Work that must not hold up the form's thread (the network). A worker runs its jobs one at
// a time, in the order queued, away from that thread; each job's outcome (Finish, Dropped or
// Failed) then runs on the form's thread, in the same order. A runner exists only while jobs
// wait: it is started by a job queued to an idle worker and ends when none is left, so an
// idle worker holds nothing (on Win32: no thread, and so no reference on the module). A
// stopped worker never starts one again. Headless: the jobs wait for the test to run them.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string_view>

namespace toolkit {

class Form;

class Job {
public:
    virtual ~Job() = default;
    // Away from the form's thread: touches no window and no control.
    virtual void Run() = 0;
    // On the form's thread, after Run.
    virtual void Finish() = 0;
    // On the form's thread, instead of Run and Finish, when a full queue pushed it out.
    virtual void Dropped() = 0;
    // On the form's thread, instead of Finish, when it could not run or Run failed: `why`.
    virtual void Failed(std::string_view why) = 0;
    // From another thread while Run runs: end it as soon as possible.
    virtual void Cancel() = 0;
};

// The jobs' hand-over between the form's thread and the runner that runs them.
class JobQueue {
public:
    static constexpr std::size_t kMaxWaiting = 8;

    // Form's thread. Queues `job`; a full queue marks its oldest waiting job dropped, and a
    // stopped one releases `job`. True when no runner is active and one must start now (the
    // caller starts it, or reports RunnerFailed).
    bool Push(std::unique_ptr<Job> job);
    // Form's thread: the runner asked for could not start; every waiting job fails.
    void RunnerFailed(std::string_view why);
    // Runner: the next waiting job, now the running one; null when none waits or stopped,
    // and the runner then ends: the next Push asks for a new one.
    Job* TakeNext();
    // Runner: runs the job TakeNext gave. Every failure is caught and becomes the job's
    // outcome. Unless stopped, `announce` then runs under the lock, before any Stop could.
    void RunTaken(Job& job, const std::function<void()>& announce);
    // Form's thread: the outcomes ready at the front, in the order the jobs were queued.
    void Deliver(const Form& form);
    // Any thread: the running job is cancelled and every other released; no job is taken,
    // run or delivered any more.
    void Stop();
    bool Stopped() const;
    // A job is taken and has not finished its Run.
    bool Running() const;
    std::size_t Waiting() const;

private:
    enum class State { Waiting, Running, Ran, Dropped, Failed };
    struct Entry {
        std::unique_ptr<Job> job;
        State state = State::Waiting;
        std::array<char, 96> failure{};  // no allocation where memory may have run out
    };

    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // queue order; delivered from the front
    std::list<Entry>::iterator running_;
    bool hasRunning_ = false;
    std::size_t waiting_ = 0;
    bool runnerActive_ = false;
    bool stopped_ = false;
};

class Worker {
public:
    explicit Worker(Form& form);
    virtual ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Queues `job` and starts a runner if none is active. A full queue drops its oldest
    // waiting job; a runner that cannot start fails the waiting jobs.
    void Queue(std::unique_ptr<Job> job);
    // Cancels the running job, releases the others and waits up to `graceMs` for the runners
    // to end; true when none of them runs any more.
    virtual bool Stop(int graceMs) = 0;
    // From the form: the outcomes of the jobs, in their order.
    void DeliverFinished();

protected:
    virtual JobQueue& Jobs() = 0;
    // Starts a runner: TakeNext and RunTaken until TakeNext gives none. False when it could not.
    virtual bool StartRunner() = 0;

    Form& form_;
};

}  // namespace toolkit
