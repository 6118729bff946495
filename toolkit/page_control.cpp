#include "toolkit/page_control.h"

#include <algorithm>

namespace toolkit {

namespace {
// Flat-button tabs leave this margin around a page and one row of buttons above it.
constexpr int kPageMargin = 4;
constexpr int kTabRowHeight = 27;
}  // namespace

void PageControl::SetBounds(const Bounds& bounds) {
    Control::SetBounds(bounds);
    for (TabSheet* page : pages_) page->SetBounds(PageBounds());
}

Bounds PageControl::PageBounds() const {
    const Bounds& own = GetBounds();
    return {kPageMargin, kTabRowHeight,
            std::max(0, own.width - 2 * kPageMargin),
            std::max(0, own.height - kTabRowHeight - kPageMargin)};
}

void PageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size()) || index == activePage_) return;
    activePage_ = index;
    Changed(Aspect::ActivePage);
}

void PageControl::HandlePageChosen(int index) {
    if (CanReceiveInput()) SetActivePageIndex(index);
}

void PageControl::AddPage(TabSheet* page) {
    pages_.push_back(page);
    page->SetBounds(PageBounds());
    if (activePage_ < 0) activePage_ = 0;
}

void PageControl::RemovePage(TabSheet* page) {
    std::erase(pages_, page);
    if (activePage_ >= static_cast<int>(pages_.size())) activePage_ = static_cast<int>(pages_.size()) - 1;
}

TabSheet::TabSheet(PageControl& pageControl, std::string name)
    : Control(&pageControl, std::move(name), ControlKind::TabSheet), pageControl_(pageControl) {
    pageControl_.AddPage(this);
}

TabSheet::~TabSheet() {
    pageControl_.RemovePage(this);
}

int TabSheet::PageIndex() const {
    const auto& pages = pageControl_.Pages();
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

}  // namespace toolkit
