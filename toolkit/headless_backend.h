// A backend without windows: controls live in memory, time stands still until a test
// advances the clock, the user's input is simulated, and every box, shell open and beep is
// recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/dialogs.h"
#include "toolkit/types.h"

namespace toolkit {

class Edit;
class HeadlessWorker;

class HeadlessBackend : public Backend {
public:
    struct BoxRecord {
        std::string caption;
        std::string text;
    };
    struct ShellOpenRecord {
        std::string owner;  // name of the owning form
        std::string address;
    };

    explicit HeadlessBackend(std::string executablePath = "C:\\Program Files\\Winamp\\winamp.exe");

    std::unique_ptr<Peer> CreatePeer(Control& control) override;
    void StartTimer(Timer& timer) override;
    void StopTimer(Timer& timer) override;
    std::unique_ptr<Worker> CreateWorker(Form& form) override;
    void ShowMessageBox(const Form* owner, const std::string& caption, const std::string& text,
                        MessageStyle style) override;
    void ShellOpen(const Form& owner, const std::string& address) override;
    void Beep() override { ++beeps_; }
    char DecimalSeparator() const override { return '.'; }
    std::string HostExecutablePath() const override { return executablePath_; }

    // The manual clock: fires, in time order, every timer period that ends within `ms`.
    // Unless held, the jobs a timer's handler queued run right after it, as a worker that
    // is never slow would run them.
    void advance(std::uint64_t ms);
    // Held jobs wait until the test runs them with RunNextJob, or with StartNextJob and
    // FinishRunningJob, between which the job is running (a Stop then cancels it).
    bool holdJobs = false;
    // Takes the next waiting job, unless one runs; false when none was taken.
    bool StartNextJob();
    // The running job's Run, then its outcome on the form; false when none runs.
    bool FinishRunningJob();
    // Both above for the next job (or just the second for a running one).
    bool RunNextJob();
    // Jobs waiting, over all workers.
    std::size_t waitingJobs() const;
    // The runners the workers asked for, as threads are started on Win32.
    int runnerStarts() const { return runnerStarts_; }
    // Set: a runner cannot start, as when no thread can be created.
    bool failRunnerStarts = false;
    std::uint64_t now() const { return now_; }

    const std::vector<BoxRecord>& messageBoxes() const { return messageBoxes_; }
    const std::vector<BoxRecord>& errorBoxes() const { return errorBoxes_; }
    const std::vector<ShellOpenRecord>& shellOpens() const { return shellOpens_; }
    int beeps() const { return beeps_; }
    // Runs while a modal box is open, as the box's own message loop would run other events.
    std::function<void(const BoxRecord&)> whileBoxOpen;

    // The user's input: a handler of the control, as in `Input(button, &Control::HandleClick)`,
    // runs as the window's message loop runs it. Returns what the handler returns.
    template <class Target, class Handler, class... Args>
    auto Input(Target& control, Handler handler, Args&&... args) {
        const auto run = [&] { return std::invoke(handler, control, std::forward<Args>(args)...); };
        using Result = decltype(run());
        if constexpr (std::is_void_v<Result>) {
            RunGuarded(control.OwnerForm(), run);
        } else {
            Result result{};
            RunGuarded(control.OwnerForm(), [&] { result = run(); });
            return result;
        }
    }
    // Each character: its key goes down, then the character is offered to the edit and, if
    // taken, added at the end (Backspace removes the last one).
    void Type(Edit& edit, std::string_view characters);

private:
    friend class HeadlessWorker;

    struct Schedule {
        std::uint64_t due;
        std::uint64_t order;  // breaks ties: the earlier started fires first
    };

    std::string executablePath_;
    std::uint64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::map<Timer*, Schedule> timers_;
    std::vector<HeadlessWorker*> workers_;
    std::vector<BoxRecord> messageBoxes_;
    std::vector<BoxRecord> errorBoxes_;
    std::vector<ShellOpenRecord> shellOpens_;
    int beeps_ = 0;
    int runnerStarts_ = 0;
};

}  // namespace toolkit
