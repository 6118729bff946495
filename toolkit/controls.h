// The simple controls: labels, push buttons, check boxes, group boxes, panels, pictures.
#pragma once

#include <string>

#include "toolkit/component.h"

namespace toolkit {

class Label : public Control {
public:
    Label(Control* parent, std::string name) : Control(parent, std::move(name), ControlKind::Label) {}

    // The control that the caption's "&" letter puts the focus on; none: the letter does nothing.
    Control* FocusControl = nullptr;
};

class Button : public Control {
public:
    Button(Control* parent, std::string name) : Control(parent, std::move(name), ControlKind::Button) {}
};

// OnClick fires on every change of the check state, also one the program makes.
class CheckBox : public Control {
public:
    CheckBox(Control* parent, std::string name)
        : Control(parent, std::move(name), ControlKind::CheckBox) {}

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // A user's click toggles the state.
    void HandleClick() override;

private:
    bool checked_ = false;
};

class GroupBox : public Control {
public:
    GroupBox(Control* parent, std::string name)
        : Control(parent, std::move(name), ControlKind::GroupBox) {}
};

class Panel : public Control {
public:
    Panel(Control* parent, std::string name) : Control(parent, std::move(name), ControlKind::Panel) {}
};

// Shows a bitmap resource of the program's module and takes its size.
class Image : public Control {
public:
    Image(Control* parent, std::string name) : Control(parent, std::move(name), ControlKind::Image) {}

    const std::string& Picture() const { return picture_; }
    void SetPicture(const std::string& resourceName);

private:
    std::string picture_;
};

}  // namespace toolkit
