#include "toolkit/worker.h"

#include <utility>

#include "toolkit/dialogs.h"
#include "toolkit/form.h"

namespace toolkit {

std::unique_ptr<Job> JobQueue::Push(std::unique_ptr<Job> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return nullptr;
    waiting_.push_back(std::move(job));
    if (waiting_.size() <= kMaxWaiting) return nullptr;
    std::unique_ptr<Job> oldest = std::move(waiting_.front());
    waiting_.pop_front();
    return oldest;
}

std::unique_ptr<Job> JobQueue::TakeNext() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_ || waiting_.empty()) return nullptr;
    std::unique_ptr<Job> next = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = next.get();
    return next;
}

bool JobQueue::Ran(std::unique_ptr<Job> job, const std::function<void()>& announce) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = nullptr;
    if (stopped_) return false;
    finished_.push_back(std::move(job));
    if (announce) announce();
    return true;
}

std::vector<std::unique_ptr<Job>> JobQueue::TakeFinished() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(finished_, {});
}

void JobQueue::Stop() {
    std::deque<std::unique_ptr<Job>> waiting;
    std::vector<std::unique_ptr<Job>> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        // Under the lock: the running job is not released before Ran.
        if (running_) running_->Cancel();
        waiting.swap(waiting_);
        finished.swap(finished_);
    }
}

bool JobQueue::Stopped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

std::size_t JobQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.size();
}

Worker::Worker(Form& form) : form_(form) { form_.RegisterWorker(this); }

Worker::~Worker() { form_.UnregisterWorker(this); }

void Worker::Queue(std::unique_ptr<Job> job) {
    if (std::unique_ptr<Job> dropped = Jobs().Push(std::move(job))) dropped->Dropped();
    Wake();
}

void Worker::DeliverFinished() {
    for (const auto& job : Jobs().TakeFinished()) RunGuarded(form_, [&] { job->Finish(); });
}

}  // namespace toolkit
