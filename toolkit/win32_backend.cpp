#include "toolkit/win32_backend.h"

#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>
#include <shellapi.h>

#include "platform/codepage.h"
#include "platform/host_process.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"
#include "toolkit/win32_internal.h"

namespace toolkit {

std::unique_ptr<Backend> CreateWin32Backend(void* moduleInstance) {
    return std::make_unique<win32::Win32Backend>(static_cast<HINSTANCE>(moduleInstance));
}

namespace win32 {

const wchar_t* const kFormClass = L"QuillonForm";
const wchar_t* const kContainerClass = L"QuillonContainer";

namespace {
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowPeer::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

HWND OwnerWindow(const Form* owner) {
    if (!owner || !owner->GetPeer()) return nullptr;
    return reinterpret_cast<HWND>(owner->GetPeer()->Handle());
}
}  // namespace

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    RegisterWindowClass(instance_, kFormClass);
    RegisterWindowClass(instance_, kContainerClass);
    if (HDC screen = GetDC(nullptr)) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) dpi_ = 96;
}

Win32Backend::~Win32Backend() {
    // A library that is unloaded must not leave its window procedure registered.
    UnregisterClassW(kFormClass, instance_);
    UnregisterClassW(kContainerClass, instance_);
}

std::unique_ptr<Peer> Win32Backend::CreatePeer(Control& control) {
    switch (control.Kind()) {
    case ControlKind::Form:
        return CreateFormPeer(*this, control);
    case ControlKind::PageControl:
    case ControlKind::TabSheet:
    case ControlKind::GroupBox:
    case ControlKind::Panel:
        return CreateContainerPeer(*this, control);
    case ControlKind::ValueListEditor:
        return CreateValueListPeer(*this, control);
    default:
        return CreateInputPeer(*this, control);
    }
}

void Win32Backend::StartTimer(Timer& timer) {
    // The timer's address is its id on the form's window; setting it again restarts it.
    SetTimer(OwnerWindow(&timer.Owner()), reinterpret_cast<UINT_PTR>(&timer), timer.Interval(), nullptr);
}

void Win32Backend::StopTimer(Timer& timer) {
    KillTimer(OwnerWindow(&timer.Owner()), reinterpret_cast<UINT_PTR>(&timer));
}

void Win32Backend::ShowMessageBox(const Form* owner, const std::string& caption,
                                  const std::string& text, MessageStyle style) {
    // A hidden window makes a poor owner: the box would have nothing to sit on.
    HWND ownerWindow = owner && owner->Visible() ? OwnerWindow(owner) : nullptr;
    UINT flags = MB_OK | (style == MessageStyle::Error ? MB_ICONSTOP : 0);
    if (!ownerWindow) flags |= MB_TOPMOST | MB_SETFOREGROUND;
    MessageBoxW(ownerWindow, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

void Win32Backend::ShellOpen(const Form& owner, const std::string& address) {
    ShellExecuteW(OwnerWindow(&owner), L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Backend::Beep() {
    MessageBeep(0);
}

char Win32Backend::DecimalSeparator() const {
    // A separator of more than one byte can't be typed as one character: "." then.
    char separator[4] = {};
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) == 2 ? separator[0]
                                                                                              : '.';
}

std::string Win32Backend::HostExecutablePath() const {
    return platform::Utf8FromAnsi(platform::HostProcessPath());
}

}  // namespace win32
}  // namespace toolkit
