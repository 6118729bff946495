// The component model: named components, and controls that sit in a parent with bounds,
// text, font, colour, cursor and the mouse events every control shares.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/types.h"

namespace toolkit {

class Component {
public:
    explicit Component(std::string name) : name_(std::move(name)) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

using NotifyEvent = std::function<void(Component& sender)>;
using KeyEvent = std::function<void(Component& sender, std::uint16_t& key, ShiftState shift)>;
using CloseEvent = std::function<void(Component& sender, CloseAction& action)>;

// Wires an event to a member function, as in `button.OnClick = Handler(this, &Form::Click)`.
template <class Owner, class... Args>
auto Handler(Owner* owner, void (Owner::*method)(Args...)) {
    return [owner, method](Args... args) { (owner->*method)(std::forward<Args>(args)...); };
}

enum class ControlKind {
    Form, PageControl, TabSheet, GroupBox, Panel, Label, Edit, Memo, SpinEdit, CheckBox,
    Button, ValueListEditor, Image
};

class Form;

class Control : public Component {
public:
    Control(Control* parent, std::string name, ControlKind kind);
    ~Control() override;

    ControlKind Kind() const { return kind_; }
    Control* Parent() const { return parent_; }
    const std::vector<Control*>& Children() const { return children_; }
    Form& OwnerForm();
    const Form& OwnerForm() const;

    const Bounds& GetBounds() const { return bounds_; }
    virtual void SetBounds(const Bounds& bounds) { SetProperty(bounds_, bounds, Aspect::Bounds); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { SetProperty(enabled_, enabled, Aspect::Enabled); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { SetProperty(visible_, visible, Aspect::Visible); }
    // False when this control or one of its parents is disabled or hidden.
    bool CanReceiveInput() const;
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }

    // The caption of labels, buttons, boxes, pages and the form; the text of edits. Texts are
    // UTF-8 on every backend; the Win32 one converts them at the W functions.
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);

    // Without a font of its own a control takes its parent's.
    Font EffectiveFont() const;
    bool HasOwnFont() const { return font_.has_value(); }
    void SetFont(const Font& font);
    void SetFontColor(Color color);
    Color GetColor() const { return color_; }
    void SetColor(Color color) { SetProperty(color_, color, Aspect::Color); }
    Cursor GetCursor() const { return cursor_; }
    void SetCursor(Cursor cursor) { SetProperty(cursor_, cursor, Aspect::Cursor); }

    NotifyEvent OnClick;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;

    // Input from the backend, as the user gives it.
    virtual void HandleClick();
    void HandleMouseEnter();
    void HandleMouseLeave();

    Peer* GetPeer() const { return peer_.get(); }
    void AttachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
    void DetachPeer() { peer_.reset(); }

protected:
    void Changed(Aspect aspect);
    // Sets a property that the native counterpart shows; setting the value it holds is no
    // change and tells nothing. True when it changed.
    template <class Value>
    bool SetProperty(Value& property, const Value& value, Aspect aspect) {
        if (property == value) return false;
        property = value;
        Changed(aspect);
        return true;
    }
    // Drops the first `dropCount` bytes of the text and appends `appended`, as one change.
    void AmendText(std::size_t dropCount, const std::string& appended);
    virtual void TextChanged() {}

private:
    ControlKind kind_;
    Control* parent_;
    std::vector<Control*> children_;
    Bounds bounds_;
    bool enabled_ = true;
    bool visible_ = true;
    int tabOrder_ = -1;
    std::string text_;
    std::optional<Font> font_;
    Color color_ = clBtnFace;
    Cursor cursor_ = crDefault;
    std::unique_ptr<Peer> peer_;
};

}  // namespace toolkit
