#include "toolkit/controls.h"

namespace toolkit {

void CheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Changed(Aspect::Checked);
    if (OnClick) OnClick(*this);
}

void CheckBox::HandleClick() {
    if (CanReceiveInput()) SetChecked(!checked_);
}

void Image::SetPicture(const std::string& resourceName) {
    picture_ = resourceName;
    Changed(Aspect::Picture);
}

}  // namespace toolkit
