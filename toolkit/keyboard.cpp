#include "toolkit/keyboard.h"

#include <algorithm>
#include <climits>

#include "platform/text.h"
#include "toolkit/component.h"
#include "toolkit/form.h"
#include "toolkit/page_control.h"

namespace toolkit {

namespace {

bool TakesFocus(const Control& control) {
    switch (control.Kind()) {
    case ControlKind::PageControl:
    case ControlKind::Edit:
    case ControlKind::Memo:
    case ControlKind::SpinEdit:
    case ControlKind::CheckBox:
    case ControlKind::Button:
    case ControlKind::ValueListEditor:
        return true;
    default:
        return false;
    }
}

bool HasCaption(const Control& control) {
    switch (control.Kind()) {
    case ControlKind::TabSheet:
    case ControlKind::GroupBox:
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::Button:
        return true;
    default:
        return false;
    }
}

bool Shows(const Control& control) {
    if (control.Kind() != ControlKind::TabSheet) return true;
    const auto& page = static_cast<const TabSheet&>(control);
    return page.Owner().ActivePageIndex() == page.PageIndex();
}

void CollectStops(const Control& container, std::vector<Control*>& stops) {
    std::vector<Control*> children = container.Children();
    const auto place = [](const Control* control) { return control->TabOrder() < 0 ? INT_MAX : control->TabOrder(); };
    std::stable_sort(children.begin(), children.end(),
                     [&](const Control* a, const Control* b) { return place(a) < place(b); });
    for (Control* child : children) {
        if (!child->Enabled() || !child->Visible() || !Shows(*child)) continue;
        if (TakesFocus(*child)) stops.push_back(child);
        CollectStops(*child, stops);
    }
}

Control* FindMnemonic(Control& control, char letter) {
    for (Control* child : control.Children()) {
        if (!child->Enabled() || !child->Visible()) continue;
        if (HasCaption(*child) && MnemonicOf(child->Text()) == letter) return child;
        // The controls of a page that doesn't show are out of reach; its tab is not.
        if (!Shows(*child)) continue;
        if (Control* found = FindMnemonic(*child, letter)) return found;
    }
    return nullptr;
}

PageControl* FirstPageControl(Control& control) {
    for (Control* child : control.Children()) {
        if (child->Kind() == ControlKind::PageControl) return static_cast<PageControl*>(child);
        if (PageControl* found = FirstPageControl(*child)) return found;
    }
    return nullptr;
}

}  // namespace

std::vector<Control*> TabStops(Control& root) {
    std::vector<Control*> stops;
    CollectStops(root, stops);
    return stops;
}

Control* NextTabStop(Control& root, const Control* from, bool backward) {
    const std::vector<Control*> stops = TabStops(root);
    if (stops.empty()) return nullptr;
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end()) return backward ? stops.back() : stops.front();
    const auto index = static_cast<std::size_t>(at - stops.begin());
    return stops[(index + (backward ? stops.size() - 1 : 1)) % stops.size()];
}

PageControl* PageControlOf(Control& control) {
    for (Control* holder = &control; holder; holder = holder->Parent()) {
        if (holder->Kind() == ControlKind::PageControl) return static_cast<PageControl*>(holder);
    }
    return FirstPageControl(control.OwnerForm());
}

char MnemonicOf(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return platform::AsciiLower(caption[i + 1]);
        ++i;
    }
    return 0;
}

Control* MnemonicTarget(Control& root, char letter) {
    letter = platform::AsciiLower(letter);
    return letter == 0 ? nullptr : FindMnemonic(root, letter);
}

}  // namespace toolkit
