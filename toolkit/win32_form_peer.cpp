// The top-level window: fixed or sizeable frame, always on top if asked, centred on the
// whole desktop the first time it shows, snapping to the screen's edges, its timers, the
// close request and its own keys.
#include <algorithm>
#include <cstdlib>

#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit/win32_internal.h"

namespace toolkit::win32 {

namespace {

class FormPeer : public WindowPeer {
public:
    FormPeer(Win32Backend& backend, Form& form) : WindowPeer(backend, form), form_(form) {
        const FormStyle& style = form.Style();
        style_ = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        if (style.sizeable) style_ |= WS_THICKFRAME;
        if (style.maximizeBox) style_ |= WS_MAXIMIZEBOX;
        exStyle_ = WS_EX_CONTROLPARENT | (style.stayOnTop ? WS_EX_TOPMOST : 0);
        const SIZE size = FrameSize();
        HWND hwnd = CreateWindowExW(exStyle_, kFormClass, Wide(form.Text()).c_str(), style_, CW_USEDEFAULT,
                                    CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, backend.Instance(), nullptr);
        Attach(hwnd, true);
        fillsBackground_ = true;
        ApplyFont();
        ApplyColor();
        LoadIcons();
    }

    ~FormPeer() override {
        if (Window()) {
            SendMessageW(Window(), WM_SETICON, ICON_BIG, 0);
            SendMessageW(Window(), WM_SETICON, ICON_SMALL, 0);
        }
        if (bigIcon_) DestroyIcon(bigIcon_);
        if (smallIcon_) DestroyIcon(smallIcon_);
    }

    void Refresh(Aspect aspect) override {
        if (!Window()) return;
        if (aspect == Aspect::Bounds) {
            const SIZE size = FrameSize();
            SetWindowPos(Window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (aspect == Aspect::Visible) {
            if (form_.Visible()) {
                if (!shownBefore_ && form_.Style().desktopCenter) CentreOnDesktop();
                shownBefore_ = true;
                ShowWindow(Window(), SW_SHOW);
            } else {
                ShowWindow(Window(), SW_HIDE);
            }
        } else {
            WindowPeer::Refresh(aspect);
        }
    }

    void BringToFront() override {
        if (!Window()) return;
        if (IsIconic(Window())) ShowWindow(Window(), SW_RESTORE);
        SetForegroundWindow(Window());
        BringWindowToTop(Window());
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case WM_CLOSE:
            // Never left to the system, which would destroy the window.
            form_.HandleCloseRequest();
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            const auto key = form_.HandleKeyDown(static_cast<std::uint16_t>(wParam), KeyShiftState(lParam));
            // From the window itself, Tab goes to its first (or last) control.
            if (key == VK_TAB) PressTab();
            return key == VK_TAB || PassKeyOn(message, wParam, lParam, key, result);
        }
        case WM_TIMER:
            // A worker's message that could not be posted: its results come with the tick.
            form_.HandleJobsDone();
            for (Timer* timer : form_.Timers()) {
                if (reinterpret_cast<UINT_PTR>(timer) == wParam) {
                    timer->HandleTick();
                    return true;
                }
            }
            return false;
        case kJobsDoneMessage:
            form_.HandleJobsDone();
            return true;
        case WM_WINDOWPOSCHANGING:
            Snap(*reinterpret_cast<WINDOWPOS*>(lParam));
            return false;
        default:
            return WindowPeer::HandleMessage(message, wParam, lParam, result);
        }
    }

private:
    SIZE FrameSize() const {
        const Bounds& client = form_.GetBounds();
        RECT frame{0, 0, backend_.Scale(client.width), backend_.Scale(client.height)};
        AdjustWindowRectEx(&frame, style_, FALSE, exStyle_);
        return {frame.right - frame.left, frame.bottom - frame.top};
    }

    void CentreOnDesktop() {
        RECT frame;
        GetWindowRect(Window(), &frame);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        const int left = std::max(0, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2);
        const int top = std::max(0, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2);
        SetWindowPos(Window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void Snap(WINDOWPOS& position) const {
        if (!form_.Style().screenSnap || (position.flags & SWP_NOMOVE)) return;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoA(MonitorFromWindow(Window(), MONITOR_DEFAULTTONEAREST), &monitor)) return;
        RECT frame;
        GetWindowRect(Window(), &frame);
        const int width = (position.flags & SWP_NOSIZE) ? frame.right - frame.left : position.cx;
        const int height = (position.flags & SWP_NOSIZE) ? frame.bottom - frame.top : position.cy;
        const int buffer = backend_.Scale(form_.Style().snapBuffer);
        const RECT& work = monitor.rcWork;
        if (std::abs(position.x - work.left) <= buffer) {
            position.x = work.left;
        } else if (std::abs(position.x + width - work.right) <= buffer) {
            position.x = work.right - width;
        }
        if (std::abs(position.y - work.top) <= buffer) {
            position.y = work.top;
        } else if (std::abs(position.y + height - work.bottom) <= buffer) {
            position.y = work.bottom - height;
        }
    }

    void LoadIcons() {
        if (form_.Icon().empty() || !Window()) return;
        const char* name = form_.Icon().c_str();
        bigIcon_ = static_cast<HICON>(LoadImageA(backend_.Instance(), name, IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
        smallIcon_ = static_cast<HICON>(LoadImageA(backend_.Instance(), name, IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        if (bigIcon_) SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        if (smallIcon_) SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }

    Form& form_;
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    bool shownBefore_ = false;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

}  // namespace

std::unique_ptr<Peer> CreateFormPeer(Win32Backend& backend, Control& control) {
    return std::make_unique<FormPeer>(backend, static_cast<Form&>(control));
}

}  // namespace toolkit::win32
