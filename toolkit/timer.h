// A timer on its form's thread: a period in milliseconds and an enabled flag. Enabling an
// enabled timer changes nothing; enabling a disabled one starts a full period; a different
// period on an enabled timer restarts it; it fires every period until disabled.
#pragma once

#include <string>

#include "toolkit/component.h"

namespace toolkit {

class Form;

class Timer : public Component {
public:
    Timer(Form& owner, std::string name);
    ~Timer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // True while a period is being counted.
    bool Running() const { return running_; }
    Form& Owner() const { return owner_; }

    NotifyEvent OnTimer;

    // From the backend: a period has elapsed.
    void HandleTick();
    // From the form: its handle now exists, or is about to go.
    void HandleCreated();
    void HandleDestroying();

private:
    void Start();
    void Stop();

    Form& owner_;
    unsigned interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
};

}  // namespace toolkit
