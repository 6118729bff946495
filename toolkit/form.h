// The top-level window: it owns the native handles of all its controls and its timers,
// and turns the user's close request and its own key presses into events. Keys typed into
// a control reach only that control.
#pragma once

#include <string>
#include <vector>

#include "toolkit/component.h"

namespace toolkit {

class Timer;
class Worker;

struct FormStyle {
    bool stayOnTop = false;
    bool sizeable = true;
    bool maximizeBox = true;
    bool desktopCenter = false;  // centred on all monitors together the first time it shows
    bool screenSnap = false;
    int snapBuffer = 10;
};

class Form : public Control {
public:
    Form(Backend& backend, std::string name);
    ~Form() override;

    Backend& GetBackend() const { return backend_; }

    const FormStyle& Style() const { return style_; }
    void SetStyle(const FormStyle& style) { style_ = style; }
    // The form's bounds hold its client size; where it sits on screen is the backend's.
    void SetClientSize(int width, int height) { SetBounds({0, 0, width, height}); }
    const std::string& Icon() const { return icon_; }
    void SetIcon(const std::string& resourceName) { icon_ = resourceName; }

    NotifyEvent OnCreate;
    CloseEvent OnClose;
    KeyEvent OnKeyDown;

    // Creates the native handles of every control, starts the enabled timers and runs
    // OnCreate. The form stays hidden.
    void Loaded();
    // Destroys every native handle and stops the timers; the components stay.
    void DestroyHandle();
    bool HandleAllocated() const { return handleAllocated_; }

    void Show();
    void Hide() { SetVisible(false); }
    void BringToFront();

    // Input from the backend.
    void HandleCloseRequest();
    // Returns the key as the handler left it; 0 means it is not to be acted on.
    std::uint16_t HandleKeyDown(std::uint16_t key, ShiftState shift);

    void RegisterTimer(Timer* timer) { timers_.push_back(timer); }
    void UnregisterTimer(Timer* timer);
    const std::vector<Timer*>& Timers() const { return timers_; }

    void RegisterWorker(Worker* worker) { workers_.push_back(worker); }
    void UnregisterWorker(Worker* worker);
    // From the backend: jobs of its workers have run; their Finish runs now.
    void HandleJobsDone();

private:
    void CreatePeers(Control& control);
    void DestroyPeers(Control& control);

    Backend& backend_;
    FormStyle style_;
    std::string icon_;
    bool handleAllocated_ = false;
    std::vector<Timer*> timers_;
    std::vector<Worker*> workers_;
};

}  // namespace toolkit
