// What a backend provides: a native counterpart for each control, timers, the modal
// boxes, the shell and the bell. Win32 draws real windows; headless keeps it all in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace toolkit {

class Control;
class Form;
class Timer;
class Worker;

// The property of a control that changed, so that its native counterpart can follow.
enum class Aspect { Bounds, Text, Enabled, Visible, Font, Color, Cursor, Checked, ActivePage, Rows, Picture,
                    ReadOnly };

class Peer {
public:
    virtual ~Peer() = default;
    virtual void Refresh(Aspect aspect) = 0;
    // The text lost `dropped` at its start and gained `appended` at its end: a long text
    // follows without being sent again whole.
    virtual void TextAmended(const std::string& dropped, const std::string& appended) {
        (void)dropped;
        (void)appended;
        Refresh(Aspect::Text);
    }
    // The native handle (a window handle on Win32), for tests and the shell's owner window.
    virtual std::uintptr_t Handle() const = 0;
    virtual void BringToFront() {}
};

enum class MessageStyle { Plain, Error };

class Backend {
public:
    virtual ~Backend() = default;

    // Called parents first; the result may be null where nothing native exists.
    virtual std::unique_ptr<Peer> CreatePeer(Control& control) = 0;

    // Starts a full period of the timer's interval, replacing any running one.
    virtual void StartTimer(Timer& timer) = 0;
    virtual void StopTimer(Timer& timer) = 0;
    // A worker whose jobs' Finish runs on `form`'s thread (see worker.h).
    virtual std::unique_ptr<Worker> CreateWorker(Form& form) = 0;

    // A modal box with one OK button; the Error style carries the stop icon.
    virtual void ShowMessageBox(const Form* owner, const std::string& caption,
                                const std::string& text, MessageStyle style) = 0;
    virtual void ShellOpen(const Form& owner, const std::string& address) = 0;
    virtual void Beep() = 0;
    // The user's decimal separator, read afresh so that a change of settings applies at once.
    virtual char DecimalSeparator() const = 0;
    // Full path of the running program's executable, for the application title.
    virtual std::string HostExecutablePath() const = 0;
};

}  // namespace toolkit
