#include "toolkit/component.h"

#include <algorithm>

#include "toolkit/form.h"
#include "toolkit/page_control.h"

namespace toolkit {

Control::Control(Control* parent, std::string name, ControlKind kind)
    : Component(std::move(name)), kind_(kind), parent_(parent) {
    if (parent_) parent_->children_.push_back(this);
}

Control::~Control() {
    peer_.reset();
    if (parent_) std::erase(parent_->children_, this);
}

Form& Control::OwnerForm() {
    Control* control = this;
    while (control->parent_) control = control->parent_;
    return static_cast<Form&>(*control);
}

const Form& Control::OwnerForm() const {
    return const_cast<Control*>(this)->OwnerForm();
}

void Control::Changed(Aspect aspect) {
    if (peer_) peer_->Refresh(aspect);
}

bool Control::CanReceiveInput() const {
    for (const Control* control = this; control; control = control->parent_) {
        if (!control->enabled_ || !control->visible_) return false;
        // Controls on a page that isn't showing are out of the user's reach.
        if (control->kind_ == ControlKind::TabSheet) {
            const auto* page = static_cast<const TabSheet*>(control);
            if (page->Owner().ActivePageIndex() != page->PageIndex()) return false;
        }
    }
    return true;
}

void Control::SetText(const std::string& text) {
    if (SetProperty(text_, text, Aspect::Text)) TextChanged();
}

void Control::AmendText(std::size_t dropCount, const std::string& appended) {
    if (dropCount == 0 && appended.empty()) return;
    const std::string dropped = text_.substr(0, dropCount);
    text_.erase(0, dropped.size());
    text_ += appended;
    if (peer_) peer_->TextAmended(dropped, appended);
    TextChanged();
}

Font Control::EffectiveFont() const {
    for (const Control* control = this; control; control = control->parent_) {
        if (control->font_) return *control->font_;
    }
    return Font{};
}

void Control::SetFont(const Font& font) {
    font_ = font;
    Changed(Aspect::Font);
}

void Control::SetFontColor(Color color) {
    Font font = EffectiveFont();
    font.color = color;
    SetFont(font);
}

void Control::HandleClick() {
    if (CanReceiveInput() && OnClick) OnClick(*this);
}

void Control::HandleMouseEnter() {
    if (CanReceiveInput() && OnMouseEnter) OnMouseEnter(*this);
}

void Control::HandleMouseLeave() {
    if (OnMouseLeave) OnMouseLeave(*this);
}

}  // namespace toolkit
