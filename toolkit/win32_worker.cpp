// The Win32 worker: a thread that runs the waiting jobs and posts a message to the form's
// window after each one, then ends; the next job starts another. So an idle plug-in has no
// thread of ours holding the module, and FreeLibrary unloads it on the player's thread. The
// thread shares only the queue with the form; it never touches a window itself, and it may
// outlive the worker (see Stop).
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
    JobQueue jobs;
    std::atomic<HWND> window{nullptr};
};

void RunJobs(const std::shared_ptr<WorkerState>& state) {
    while (Job* job = state->jobs.TakeNext()) {
        // A message that cannot be posted is made up for by the form's next timer tick.
        state->jobs.RunTaken(*job, [&] { PostMessageW(state->window.load(), kJobsDoneMessage, 0, 0); });
    }
}

class Win32Worker : public Worker {
public:
    explicit Win32Worker(Form& form) : Worker(form), state_(std::make_shared<WorkerState>()) {}
    // Nothing is waited for here: the form may be going away under the loader lock. A thread
    // still running ends on its own and keeps the module loaded until then.
    ~Win32Worker() override { state_->jobs.Stop(); }

    bool Stop(int graceMs) override {
        state_->jobs.Stop();
        return platform::WaitForDetachedThreads(graceMs);
    }

protected:
    JobQueue& Jobs() override { return state_->jobs; }

    bool StartRunner() override {
        if (form_.GetPeer())
            state_->window.store(reinterpret_cast<HWND>(form_.GetPeer()->Handle()));
        return platform::StartDetachedThread([state = state_] { RunJobs(state); });
    }

private:
    std::shared_ptr<WorkerState> state_;
};

}  // namespace

std::unique_ptr<Worker> Win32Backend::CreateWorker(Form& form) {
    return std::make_unique<Win32Worker>(form);
}

}  // namespace toolkit::win32
