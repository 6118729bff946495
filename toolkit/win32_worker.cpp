// The Win32 worker: one thread, started by the first job, that runs the jobs and posts a
// message to the form's window after each one. The thread shares only the queue with the
// form; it never touches a window itself, and it may outlive the worker (see Stop).
#include <windows.h>

#include <atomic>
#include <memory>

#include "platform/detached_thread.h"
#include "toolkit/form.h"
#include "toolkit/win32_internal.h"
#include "toolkit/worker.h"

namespace toolkit::win32 {
namespace {

struct WorkerState {
    WorkerState() : wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~WorkerState() {
        if (wake) CloseHandle(wake);
    }
    WorkerState(const WorkerState&) = delete;
    WorkerState& operator=(const WorkerState&) = delete;

    JobQueue jobs;
    HANDLE wake;  // set when a job is queued or the worker stops
    std::atomic<HWND> window{nullptr};
};

void RunJobs(const std::shared_ptr<WorkerState>& state) {
    for (;;) {
        WaitForSingleObject(state->wake, INFINITE);
        while (std::unique_ptr<Job> job = state->jobs.TakeNext()) {
            job->Run();
            // Posted under the queue's lock: once stopped, nothing is posted any more.
            state->jobs.Ran(std::move(job), [&] {
                PostMessageW(state->window.load(), kJobsDoneMessage, 0, 0);
            });
        }
        if (state->jobs.Stopped()) return;
    }
}

class Win32Worker : public Worker {
public:
    explicit Win32Worker(Form& form) : Worker(form), state_(std::make_shared<WorkerState>()) {}
    // Nothing is waited for here: the form may be going away under the loader lock. A thread
    // still running ends on its own and keeps the module loaded until then.
    ~Win32Worker() override { StopThread(); }

    bool Stop(int graceMs) override {
        StopThread();
        return platform::WaitForDetachedThreads(graceMs);
    }

protected:
    JobQueue& Jobs() override { return state_->jobs; }

    void Wake() override {
        if (!state_->wake) return;
        if (form_.GetPeer())
            state_->window.store(reinterpret_cast<HWND>(form_.GetPeer()->Handle()));
        // Started by the first job, never while the plug-in is being loaded.
        if (!started_) started_ = platform::StartDetachedThread([state = state_] { RunJobs(state); });
        SetEvent(state_->wake);
    }

private:
    void StopThread() {
        state_->jobs.Stop();
        if (state_->wake) SetEvent(state_->wake);
    }

    std::shared_ptr<WorkerState> state_;
    bool started_ = false;
};

}  // namespace

std::unique_ptr<Worker> Win32Backend::CreateWorker(Form& form) {
    return std::make_unique<Win32Worker>(form);
}

}  // namespace toolkit::win32
