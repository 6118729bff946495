// Controls that hold others: the tab control with flat-button tabs, its pages, panels and
// group boxes.
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include "toolkit/keyboard.h"
#include "toolkit/page_control.h"
#include "toolkit/win32_internal.h"

namespace toolkit::win32 {

namespace {

// Pages and panels: plain windows in the control's colour.
class ContainerPeer : public WindowPeer {
public:
    ContainerPeer(Win32Backend& backend, Control& control) : WindowPeer(backend, control) {
        Create(kContainerClass, 0, WS_EX_CONTROLPARENT);
        fillsBackground_ = true;
    }
};

class TabSheetPeer : public ContainerPeer {
public:
    TabSheetPeer(Win32Backend& backend, TabSheet& page) : ContainerPeer(backend, page), page_(page) {
        SendCaption(TCM_INSERTITEMW);
        SendMessageW(GetParent(Window()), TCM_SETCURSEL, page.Owner().ActivePageIndex(), 0);
        Refresh(Aspect::Visible);
    }

    void Refresh(Aspect aspect) override {
        if (!Window()) return;
        if (aspect == Aspect::Visible) {
            const bool showing = page_.Visible() && page_.Owner().ActivePageIndex() == page_.PageIndex();
            ShowWindow(Window(), showing ? SW_SHOWNA : SW_HIDE);
        } else if (aspect == Aspect::Text) {
            SendCaption(TCM_SETITEMW);
        } else {
            ContainerPeer::Refresh(aspect);
        }
    }

    void ActivateMnemonic() override {
        page_.Owner().HandlePageChosen(page_.PageIndex());
        KeepFocusShowing(page_.Owner());
    }

private:
    // The page's tab: `message` inserts it or sets its caption.
    void SendCaption(UINT message) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        std::wstring caption = Wide(page_.Text());
        item.pszText = caption.data();
        SendMessageW(GetParent(Window()), message, page_.PageIndex(), reinterpret_cast<LPARAM>(&item));
    }

    TabSheet& page_;
};

class PageControlPeer : public WindowPeer {
public:
    PageControlPeer(Win32Backend& backend, PageControl& pages) : WindowPeer(backend, pages), pages_(pages) {
        Create(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN | TCS_BUTTONS | TCS_FLATBUTTONS | TCS_MULTILINE,
               WS_EX_CONTROLPARENT);
        // Tabs as wide as their captions, so that short ones share the first row.
        SendMessageW(Window(), TCM_SETMINTABWIDTH, 0, 0);
    }

    void Refresh(Aspect aspect) override {
        if (!Window()) return;
        if (aspect != Aspect::ActivePage) {
            WindowPeer::Refresh(aspect);
            return;
        }
        SendMessageW(Window(), TCM_SETCURSEL, pages_.ActivePageIndex(), 0);
        for (TabSheet* page : pages_.Pages()) {
            if (page->GetPeer()) page->GetPeer()->Refresh(Aspect::Visible);
        }
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        // The arrow keys go to the previous or next page, not round.
        if (message == WM_KEYDOWN && wParam >= VK_LEFT && wParam <= VK_DOWN) {
            pages_.HandlePageChosen(pages_.ActivePageIndex() + (wParam == VK_LEFT || wParam == VK_UP ? -1 : 1));
            return true;
        }
        return WindowPeer::HandleMessage(message, wParam, lParam, result);
    }

    bool HandleNotify(NMHDR* header, LRESULT&) override {
        if (header->code != TCN_SELCHANGE) return false;
        pages_.HandlePageChosen(static_cast<int>(SendMessageW(Window(), TCM_GETCURSEL, 0, 0)));
        // A tab the control refused goes back to the page that shows.
        SendMessageW(Window(), TCM_SETCURSEL, pages_.ActivePageIndex(), 0);
        return true;
    }

private:
    PageControl& pages_;
};

class GroupBoxPeer : public WindowPeer {
public:
    GroupBoxPeer(Win32Backend& backend, Control& box) : WindowPeer(backend, box) {
        Create(L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT);
        fillsBackground_ = true;
    }

    void ActivateMnemonic() override { Focus(NextTabStop(control_, nullptr, false)); }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message != WM_NCHITTEST) return WindowPeer::HandleMessage(message, wParam, lParam, result);
        // A group box is see-through to the mouse by default; this one holds controls.
        result = HTCLIENT;
        return true;
    }
};

}  // namespace

std::unique_ptr<Peer> CreateContainerPeer(Win32Backend& backend, Control& control) {
    switch (control.Kind()) {
    case ControlKind::PageControl:
        return std::make_unique<PageControlPeer>(backend, static_cast<PageControl&>(control));
    case ControlKind::TabSheet:
        return std::make_unique<TabSheetPeer>(backend, static_cast<TabSheet&>(control));
    case ControlKind::GroupBox:
        return std::make_unique<GroupBoxPeer>(backend, control);
    default:
        return std::make_unique<ContainerPeer>(backend, control);
    }
}

}  // namespace toolkit::win32
