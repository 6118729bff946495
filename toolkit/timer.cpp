#include "toolkit/timer.h"

#include "toolkit/form.h"

namespace toolkit {

Timer::Timer(Form& owner, std::string name) : Component(std::move(name)), owner_(owner) {
    owner_.RegisterTimer(this);
}

Timer::~Timer() {
    Stop();
    owner_.UnregisterTimer(this);
}

void Timer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    if (enabled_) {
        Stop();
        Start();
    }
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_) {
        Start();
    } else {
        Stop();
    }
}

void Timer::HandleTick() {
    if (running_ && OnTimer) OnTimer(*this);
}

void Timer::HandleCreated() {
    if (enabled_) Start();
}

void Timer::HandleDestroying() {
    Stop();
}

void Timer::Start() {
    // Without a handle the timer waits for one; an interval of 0 never fires.
    if (!owner_.HandleAllocated() || interval_ == 0) return;
    owner_.GetBackend().StartTimer(*this);
    running_ = true;
}

void Timer::Stop() {
    if (!running_) return;
    running_ = false;
    owner_.GetBackend().StopTimer(*this);
}

}  // namespace toolkit
