#include "toolkit/form.h"

#include <algorithm>

#include "toolkit/timer.h"
#include "toolkit/worker.h"

namespace toolkit {

Form::Form(Backend& backend, std::string name)
    : Control(nullptr, std::move(name), ControlKind::Form), backend_(backend) {
    SetVisible(false);
}

Form::~Form() {
    DestroyHandle();
}

void Form::Loaded() {
    if (!handleAllocated_) {
        CreatePeers(*this);
        handleAllocated_ = true;
        for (Timer* timer : timers_) timer->HandleCreated();
    }
    if (OnCreate) OnCreate(*this);
}

void Form::CreatePeers(Control& control) {
    control.AttachPeer(backend_.CreatePeer(control));
    for (Control* child : control.Children()) CreatePeers(*child);
}

void Form::DestroyHandle() {
    if (!handleAllocated_) return;
    for (Timer* timer : timers_) timer->HandleDestroying();
    DestroyPeers(*this);
    handleAllocated_ = false;
}

void Form::DestroyPeers(Control& control) {
    for (Control* child : control.Children()) DestroyPeers(*child);
    control.DetachPeer();
}

void Form::Show() {
    SetVisible(true);
}

void Form::BringToFront() {
    if (GetPeer()) GetPeer()->BringToFront();
}

void Form::HandleCloseRequest() {
    CloseAction action = CloseAction::caHide;
    if (OnClose) OnClose(*this, action);
    // The form never frees itself: its owner does. Every action but none hides it.
    if (action != CloseAction::caNone) Hide();
}

std::uint16_t Form::HandleKeyDown(std::uint16_t key, ShiftState shift) {
    if (OnKeyDown) OnKeyDown(*this, key, shift);
    return key;
}

void Form::UnregisterTimer(Timer* timer) {
    std::erase(timers_, timer);
}

void Form::UnregisterWorker(Worker* worker) {
    std::erase(workers_, worker);
}

void Form::HandleJobsDone() {
    for (Worker* worker : workers_) worker->DeliverFinished();
}

}  // namespace toolkit
