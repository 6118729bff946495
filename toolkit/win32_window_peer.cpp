// What every native control shares: creation in its parent, the window procedure that
// routes messages and parent notifications to the control's peer, fonts, colours, the
// mouse, the cursor, and the keys that move between controls and pages or act on a caption's
// "&" letter.
#include <cwchar>

#include "platform/codepage.h"

#include "toolkit/dialogs.h"
#include "toolkit/form.h"
#include "toolkit/keyboard.h"
#include "toolkit/page_control.h"
#include "toolkit/win32_internal.h"

std::string toolkit::WindowText(void* window) {
    const auto hwnd = static_cast<HWND>(window);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return win32::Utf8(text);
}

namespace toolkit::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the W functions take UTF-16");

std::wstring Wide(std::string_view utf8) {
    const std::u16string units = platform::Utf16FromUtf8(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string Utf8(std::wstring_view wide) {
    return platform::Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

namespace {
const wchar_t* const kPeerProperty = L"QuillonPeer";
}  // namespace

COLORREF ResolveColor(Color color) {
    if ((color & 0xFF000000) == clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0xFFFFFF;
}

WindowPeer::~WindowPeer() {
    if (hwnd_) {
        RemovePropW(hwnd_, kPeerProperty);
        if (originalProc_ != DefWindowProcW) {
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
        }
        DestroyWindow(hwnd_);
    }
    if (font_) DeleteObject(font_);
    if (brush_ && ownsBrush_) DeleteObject(brush_);
}

WindowPeer* WindowPeer::FromWindow(HWND hwnd) {
    return hwnd ? static_cast<WindowPeer*>(GetPropW(hwnd, kPeerProperty)) : nullptr;
}

void WindowPeer::Create(const wchar_t* className, DWORD style, DWORD exStyle) {
    auto* parent = static_cast<WindowPeer*>(control_.Parent()->GetPeer());
    const RECT place = ScaledBounds();
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (control_.Visible()) style |= WS_VISIBLE;
    if (!control_.Enabled()) style |= WS_DISABLED;
    HWND hwnd = CreateWindowExW(exStyle, className, Wide(control_.Text()).c_str(), style, place.left, place.top,
                                place.right - place.left, place.bottom - place.top,
                                parent ? parent->ChildParent() : nullptr, nullptr, backend_.Instance(), nullptr);
    Attach(hwnd, std::wcscmp(className, kContainerClass) == 0);
    ApplyFont();
    ApplyColor();

    // Windows takes the tab order from the order of siblings: go before the first sibling
    // that comes later in it.
    if (control_.TabOrder() < 0 || !hwnd_) return;
    for (HWND sibling = GetWindow(GetParent(hwnd_), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        WindowPeer* peer = FromWindow(sibling);
        if (sibling == hwnd_ || !peer || peer->control_.TabOrder() <= control_.TabOrder()) continue;
        HWND previous = GetWindow(sibling, GW_HWNDPREV);
        SetWindowPos(hwnd_, previous ? previous : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    }
}

void WindowPeer::Attach(HWND hwnd, bool ownClass) {
    hwnd_ = hwnd;
    if (!hwnd_) return;
    SetPropW(hwnd_, kPeerProperty, this);
    originalProc_ = ownClass ? DefWindowProcW
                             : reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                                   hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
}

LRESULT CALLBACK WindowPeer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowPeer* peer = FromWindow(hwnd);
    if (!peer) return DefWindowProcW(hwnd, message, wParam, lParam);
    return peer->Dispatch(message, wParam, lParam);
}

LRESULT WindowPeer::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    const WNDPROC original = originalProc_;
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, kPeerProperty);
        hwnd_ = nullptr;
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    // No error may cross back into the system: it goes to the error box instead.
    RunGuarded(control_.OwnerForm(), [&] {
        handled = ReflectToChild(message, wParam, lParam, result) || HandleMessage(message, wParam, lParam, result);
    });
    return handled ? result : CallWindowProcW(original, hwnd, message, wParam, lParam);
}

bool WindowPeer::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND: {
        WindowPeer* child = FromWindow(reinterpret_cast<HWND>(lParam));
        return child && child != this && child->HandleCommand(HIWORD(wParam));
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        WindowPeer* child = FromWindow(header->hwndFrom);
        return child && child != this && child->HandleNotify(header, result);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        WindowPeer* child = FromWindow(reinterpret_cast<HWND>(lParam));
        if (!child) return false;
        result = reinterpret_cast<LRESULT>(child->PrepareColors(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    default:
        return false;
    }
}

bool WindowPeer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
            TrackMouseEvent(&track);
            control_.HandleMouseEnter();
        }
        return false;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        control_.HandleMouseLeave();
        return false;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT &&
            control_.GetCursor() == crHandPoint) {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    case WM_KEYDOWN:
        // Ctrl+Tab from any control, Tab from one that the user tabs to.
        if (wParam != VK_TAB || (GetKeyState(VK_CONTROL) >= 0 && !(GetWindowLongW(hwnd_, GWL_STYLE) & WS_TABSTOP))) {
            return false;
        }
        PressTab();
        return true;
    case WM_CHAR:
        // The Tab that moved the focus is no character for the control.
        if (wParam == '\t') return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_TABSTOP) != 0;
        // The letter alone, as dialogs take it, where the control has no use for characters.
        return !(CallOriginal(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) && ActivateMnemonicOf(wParam);
    case WM_SYSCHAR:
        // Alt and a letter. The player's message loop does no dialog keys for us.
        return ActivateMnemonicOf(wParam);
    case WM_ERASEBKGND: {
        if (!fillsBackground_) return false;
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush_);
        result = 1;
        return true;
    }
    default:
        return false;
    }
}

void WindowPeer::PressTab() {
    const bool backward = GetKeyState(VK_SHIFT) < 0;
    if (GetKeyState(VK_CONTROL) >= 0) {
        Focus(NextTabStop(control_.OwnerForm(), &control_, backward));
        return;
    }
    PageControl* pages = PageControlOf(control_);
    if (!pages || pages->Pages().empty()) return;
    const int count = static_cast<int>(pages->Pages().size());
    pages->HandlePageChosen((pages->ActivePageIndex() + (backward ? count - 1 : 1)) % count);
    KeepFocusShowing(*pages);
}

bool WindowPeer::ActivateMnemonicOf(WPARAM character) {
    if (character >= 0x80) return false;  // mnemonics are ASCII letters
    Control* target = MnemonicTarget(control_.OwnerForm(), static_cast<char>(character));
    auto* peer = target ? static_cast<WindowPeer*>(target->GetPeer()) : nullptr;
    if (!peer) return false;
    peer->ActivateMnemonic();
    return true;
}

void WindowPeer::Focus(Control* control) {
    if (control && control->GetPeer() && control->CanReceiveInput()) {
        SetFocus(reinterpret_cast<HWND>(control->GetPeer()->Handle()));
    }
}

void WindowPeer::KeepFocusShowing(PageControl& pages) {
    HWND focus = GetFocus();
    if (!focus || IsWindowVisible(focus)) return;
    Control* first = NextTabStop(*pages.Pages()[static_cast<std::size_t>(pages.ActivePageIndex())], nullptr, false);
    Focus(first ? first : &pages);
}

HBRUSH WindowPeer::PrepareColors(HDC dc) {
    SetTextColor(dc, ResolveColor(control_.EffectiveFont().color));
    SetBkColor(dc, ResolveColor(control_.GetColor()));
    return brush_;
}

void WindowPeer::Refresh(Aspect aspect) {
    if (!hwnd_) return;
    switch (aspect) {
    case Aspect::Bounds:
        ApplyBounds();
        break;
    case Aspect::Text:
        // Writing back what the user just typed would move the caret to the start, so that
        // the next key lands in front of it.
        if (WindowText(hwnd_) != control_.Text()) SetWindowTextW(hwnd_, Wide(control_.Text()).c_str());
        break;
    case Aspect::Enabled:
        EnableWindow(hwnd_, control_.Enabled());
        break;
    case Aspect::Visible:
        ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Aspect::Font:
        ApplyFont();
        for (Control* child : control_.Children()) {
            if (!child->HasOwnFont() && child->GetPeer()) child->GetPeer()->Refresh(Aspect::Font);
        }
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case Aspect::Color:
        ApplyColor();
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case Aspect::Cursor:
        if (mouseInside_) SetCursor(LoadCursor(nullptr, control_.GetCursor() == crHandPoint ? IDC_HAND : IDC_ARROW));
        break;
    default:
        break;
    }
}

LRESULT WindowPeer::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(originalProc_, hwnd_, message, wParam, lParam);
}

bool WindowPeer::PassKeyOn(UINT message, WPARAM wParam, LPARAM lParam, std::uint16_t key, LRESULT& result) {
    if (key == 0) return true;
    if (key == wParam) return false;
    result = CallOriginal(message, key, lParam);
    return true;
}

RECT WindowPeer::ScaledBounds() const {
    const Bounds& bounds = control_.GetBounds();
    const int left = backend_.Scale(bounds.left);
    const int top = backend_.Scale(bounds.top);
    return {left, top, left + backend_.Scale(bounds.width), top + backend_.Scale(bounds.height)};
}

void WindowPeer::ApplyBounds() {
    const RECT place = ScaledBounds();
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowPeer::ApplyFont() {
    if (!hwnd_) return;
    const Font font = control_.EffectiveFont();
    LOGFONTW logFont{};
    logFont.lfHeight = -backend_.Scale(font.height);
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfUnderline = font.underline;
    logFont.lfCharSet = font.charset;
    lstrcpynW(logFont.lfFaceName, Wide(font.name).c_str(), LF_FACESIZE);
    HFONT previous = font_;
    font_ = CreateFontIndirectW(&logFont);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (previous) DeleteObject(previous);
}

void WindowPeer::ApplyColor() {
    if (brush_ && ownsBrush_) DeleteObject(brush_);
    const Color color = control_.GetColor();
    ownsBrush_ = (color & 0xFF000000) != clSystemColor;
    brush_ = ownsBrush_ ? CreateSolidBrush(ResolveColor(color)) : GetSysColorBrush(static_cast<int>(color & 0xFF));
}

ShiftState WindowPeer::KeyShiftState(LPARAM keyData) {
    constexpr LPARAM kAltDown = 1 << 29;
    ShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (keyData & kAltDown) shift |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (GetKeyState(VK_LBUTTON) < 0) shift |= ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0) shift |= ssRight;
    if (GetKeyState(VK_MBUTTON) < 0) shift |= ssMiddle;
    return shift;
}

}  // namespace toolkit::win32
