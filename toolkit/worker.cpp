#include "toolkit/worker.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "toolkit/dialogs.h"
#include "toolkit/form.h"

namespace toolkit {

namespace {

void CopyFailure(std::array<char, 96>& failure, std::string_view why) {
    const std::size_t length = std::min(why.size(), failure.size() - 1);
    std::copy_n(why.data(), length, failure.data());
    failure[length] = '\0';
}

}  // namespace

bool JobQueue::Push(std::unique_ptr<Job> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return false;
    entries_.push_back({std::move(job)});
    if (++waiting_ > kMaxWaiting) {
        const auto oldest = std::find_if(entries_.begin(), entries_.end(),
                                         [](const Entry& entry) { return entry.state == State::Waiting; });
        oldest->state = State::Dropped;
        --waiting_;
    }
    if (runnerActive_) return false;
    runnerActive_ = true;
    return true;
}

void JobQueue::RunnerFailed(std::string_view why) {
    std::lock_guard<std::mutex> lock(mutex_);
    runnerActive_ = false;
    for (Entry& entry : entries_) {
        if (entry.state != State::Waiting) continue;
        entry.state = State::Failed;
        CopyFailure(entry.failure, why);
    }
    waiting_ = 0;
}

Job* JobQueue::TakeNext() {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto next = std::find_if(entries_.begin(), entries_.end(),
                                   [](const Entry& entry) { return entry.state == State::Waiting; });
    if (stopped_ || next == entries_.end()) {
        runnerActive_ = false;
        return nullptr;
    }
    next->state = State::Running;
    --waiting_;
    running_ = next;
    hasRunning_ = true;
    return next->job.get();
}

void JobQueue::RunTaken(Job& job, const std::function<void()>& announce) {
    std::array<char, 96> failure{};  // copied while the exception still exists
    bool failed = true;
    try {
        job.Run();
        failed = false;
    } catch (const std::bad_alloc&) {
        CopyFailure(failure, "out of memory");
    } catch (const std::exception& error) {
        CopyFailure(failure, error.what());
    } catch (...) {
        CopyFailure(failure, "unknown error");
    }
    std::unique_ptr<Job> released;  // destroyed outside the lock
    std::lock_guard<std::mutex> lock(mutex_);
    hasRunning_ = false;
    if (stopped_) {
        released = std::move(running_->job);
        entries_.erase(running_);
        return;
    }
    running_->state = failed ? State::Failed : State::Ran;
    running_->failure = failure;
    if (announce) announce();
}

void JobQueue::Deliver(const Form& form) {
    std::list<Entry> ready;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return;
        auto end = entries_.begin();
        while (end != entries_.end() &&
               (end->state == State::Ran || end->state == State::Dropped || end->state == State::Failed))
            ++end;
        ready.splice(ready.end(), entries_, entries_.begin(), end);
    }
    for (Entry& entry : ready) {
        Job& job = *entry.job;
        RunGuarded(form, [&] {
            switch (entry.state) {
            case State::Ran: job.Finish(); break;
            case State::Dropped: job.Dropped(); break;
            default: job.Failed(entry.failure.data()); break;
            }
        });
    }
}

void JobQueue::Stop() {
    std::list<Entry> released;
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    waiting_ = 0;
    // The running job stays until its Run returns; the lock keeps it from being released.
    if (hasRunning_) {
        running_->job->Cancel();
        released.splice(released.end(), entries_, entries_.begin(), running_);
        released.splice(released.end(), entries_, std::next(running_), entries_.end());
    } else {
        released.swap(entries_);
    }
}

bool JobQueue::Stopped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

bool JobQueue::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasRunning_;
}

std::size_t JobQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

Worker::Worker(Form& form) : form_(form) { form_.RegisterWorker(this); }

Worker::~Worker() { form_.UnregisterWorker(this); }

void Worker::Queue(std::unique_ptr<Job> job) {
    if (Jobs().Push(std::move(job))) {
        bool started = false;
        try {
            started = StartRunner();
        } catch (...) {
        }
        if (!started) Jobs().RunnerFailed("no thread could be started");
    }
    // A dropped or failed job at the front is reported now, in its place.
    Jobs().Deliver(form_);
}

void Worker::DeliverFinished() { Jobs().Deliver(form_); }

}  // namespace toolkit
