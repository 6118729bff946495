// A tabbed page control drawn as flat buttons, and its pages. Every page fills the area
// under the tab row; only the active page shows.
#pragma once

#include <string>
#include <vector>

#include "toolkit/component.h"

namespace toolkit {

class TabSheet;

class PageControl : public Control {
public:
    PageControl(Control* parent, std::string name)
        : Control(parent, std::move(name), ControlKind::PageControl) {}

    void SetBounds(const Bounds& bounds) override;
    const std::vector<TabSheet*>& Pages() const { return pages_; }
    int ActivePageIndex() const { return activePage_; }
    void SetActivePageIndex(int index);
    // Input from the backend: the user chose a page (a tab, a key), which only a control
    // that takes input now follows.
    void HandlePageChosen(int index);
    // Where a page sits inside the control: the area under one row of flat-button tabs.
    Bounds PageBounds() const;

    void AddPage(TabSheet* page);
    void RemovePage(TabSheet* page);

private:
    std::vector<TabSheet*> pages_;
    int activePage_ = -1;
};

class TabSheet : public Control {
public:
    TabSheet(PageControl& pageControl, std::string name);
    ~TabSheet() override;

    PageControl& Owner() const { return pageControl_; }
    int PageIndex() const;

private:
    PageControl& pageControl_;
};

}  // namespace toolkit
