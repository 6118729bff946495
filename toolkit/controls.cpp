#include "toolkit/controls.h"

namespace toolkit {

void CheckBox::SetChecked(bool checked) {
    if (SetProperty(checked_, checked, Aspect::Checked) && OnClick) OnClick(*this);
}

void CheckBox::HandleClick() {
    if (CanReceiveInput()) SetChecked(!checked_);
}

void Image::SetPicture(const std::string& resourceName) {
    picture_ = resourceName;
    Changed(Aspect::Picture);
}

}  // namespace toolkit
