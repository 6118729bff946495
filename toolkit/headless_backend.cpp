#include "toolkit/headless_backend.h"

#include <cctype>
#include <utility>

#include "toolkit/edits.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit/worker.h"

namespace toolkit {

namespace {
constexpr char kBackspace = '\b';
}  // namespace

// Jobs wait in the queue until the backend runs them on the test's own thread.
class HeadlessWorker : public Worker {
public:
    HeadlessWorker(HeadlessBackend& backend, Form& form) : Worker(form), backend_(backend) {
        backend_.workers_.push_back(this);
    }
    ~HeadlessWorker() override { std::erase(backend_.workers_, this); }

    bool Stop(int) override {
        jobs_.Stop();
        return !jobs_.Running();
    }

    bool StartNext() {
        if (running_) return false;
        running_ = jobs_.TakeNext();
        return running_ != nullptr;
    }

    bool FinishRunning() {
        if (!running_) return false;
        bool announced = false;
        jobs_.RunTaken(*std::exchange(running_, nullptr), [&] { announced = true; });
        if (announced) form_.HandleJobsDone();
        return true;
    }

    bool Runs() const { return running_ != nullptr; }
    std::size_t Waiting() const { return jobs_.Waiting(); }

protected:
    JobQueue& Jobs() override { return jobs_; }
    bool StartRunner() override {
        ++backend_.runnerStarts_;
        return !backend_.failRunnerStarts;
    }

private:
    HeadlessBackend& backend_;
    JobQueue jobs_;
    Job* running_ = nullptr;
};

HeadlessBackend::HeadlessBackend(std::string executablePath)
    : executablePath_(std::move(executablePath)) {}

std::unique_ptr<Peer> HeadlessBackend::CreatePeer(Control&) {
    return nullptr;
}

void HeadlessBackend::StartTimer(Timer& timer) {
    timers_[&timer] = {now_ + timer.Interval(), nextOrder_++};
}

void HeadlessBackend::StopTimer(Timer& timer) {
    timers_.erase(&timer);
}

std::unique_ptr<Worker> HeadlessBackend::CreateWorker(Form& form) {
    return std::make_unique<HeadlessWorker>(*this, form);
}

bool HeadlessBackend::StartNextJob() {
    for (HeadlessWorker* worker : workers_)
        if (worker->StartNext()) return true;
    return false;
}

bool HeadlessBackend::FinishRunningJob() {
    for (HeadlessWorker* worker : workers_)
        if (worker->FinishRunning()) return true;
    return false;
}

bool HeadlessBackend::RunNextJob() {
    for (HeadlessWorker* worker : workers_)
        if (worker->Runs()) return worker->FinishRunning();
    return StartNextJob() && FinishRunningJob();
}

std::size_t HeadlessBackend::waitingJobs() const {
    std::size_t count = 0;
    for (const HeadlessWorker* worker : workers_) count += worker->Waiting();
    return count;
}

void HeadlessBackend::advance(std::uint64_t ms) {
    const std::uint64_t end = now_ + ms;
    for (;;) {
        Timer* next = nullptr;
        Schedule nextSchedule{};
        for (const auto& [timer, schedule] : timers_) {
            if (schedule.due > end) continue;
            if (!next || schedule.due < nextSchedule.due ||
                (schedule.due == nextSchedule.due && schedule.order < nextSchedule.order)) {
                next = timer;
                nextSchedule = schedule;
            }
        }
        if (!next) break;
        now_ = nextSchedule.due;
        // The next period starts now; the handler may stop or restart the timer.
        timers_[next] = {now_ + next->Interval(), nextOrder_++};
        RunGuarded(next->Owner(), [next] { next->HandleTick(); });
        if (!holdJobs) {
            while (RunNextJob()) {
            }
        }
    }
    now_ = end;
}

void HeadlessBackend::ShowMessageBox(const Form*, const std::string& caption,
                                     const std::string& text, MessageStyle style) {
    auto& records = style == MessageStyle::Error ? errorBoxes_ : messageBoxes_;
    records.push_back({caption, text});
    if (whileBoxOpen) whileBoxOpen(records.back());
}

void HeadlessBackend::ShellOpen(const Form& owner, const std::string& address) {
    shellOpens_.push_back({owner.Name(), address});
}

void HeadlessBackend::Type(Edit& edit, std::string_view characters) {
    for (const char character : characters) {
        const auto key = static_cast<std::uint16_t>(std::toupper(static_cast<unsigned char>(character)));
        Input(edit, &Edit::HandleKeyDown, key, 0);
        RunGuarded(edit.OwnerForm(), [&] {
            if (!edit.HandleChar(character) || edit.ReadOnly()) return;
            std::string text = edit.Text();
            if (character == kBackspace) {
                if (!text.empty()) text.pop_back();
            } else if (static_cast<unsigned char>(character) >= 0x20) {
                text += character;
            }
            edit.HandleTextEdited(text);
        });
    }
}

}  // namespace toolkit
