// Inside the Win32 backend: the backend object and the window peer that every native
// control's counterpart derives from.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "toolkit/backend.h"
#include "toolkit/component.h"
#include "toolkit/win32_backend.h"

namespace toolkit {
class PageControl;
}

namespace toolkit::win32 {

extern const wchar_t* const kFormClass;
extern const wchar_t* const kContainerClass;
// Every window is a Unicode one: the toolkit's UTF-8 texts become UTF-16 here, at the W
// functions, and come back from them as UTF-8.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// Posted to a form's window when jobs of its workers have run.
constexpr UINT kJobsDoneMessage = WM_APP + 0x51;

class Win32Backend : public Backend {
public:
    explicit Win32Backend(HINSTANCE instance);
    ~Win32Backend() override;

    std::unique_ptr<Peer> CreatePeer(Control& control) override;
    void StartTimer(Timer& timer) override;
    void StopTimer(Timer& timer) override;
    std::unique_ptr<Worker> CreateWorker(Form& form) override;
    void ShowMessageBox(const Form* owner, const std::string& caption, const std::string& text,
                        MessageStyle style) override;
    void ShellOpen(const Form& owner, const std::string& address) override;
    void Beep() override;
    char DecimalSeparator() const override;
    std::string HostExecutablePath() const override;

    HINSTANCE Instance() const { return instance_; }
    // Pixels at 96 dots per inch to pixels on this screen.
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    int Unscale(int pixels) const { return MulDiv(pixels, 96, dpi_); }

private:
    HINSTANCE instance_;
    int dpi_ = 96;
};

class WindowPeer : public Peer {
public:
    WindowPeer(Win32Backend& backend, Control& control) : backend_(backend), control_(control) {}
    ~WindowPeer() override;

    void Refresh(Aspect aspect) override;
    std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }

    HWND Window() const { return hwnd_; }
    Control& GetControl() const { return control_; }
    static WindowPeer* FromWindow(HWND hwnd);
    // The window that a child control of this one is created in.
    virtual HWND ChildParent() const { return hwnd_; }

    // A message to this window. Returns true when handled, with the result set.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Notifications about this control that its parent window received.
    virtual bool HandleCommand(WORD) { return false; }
    virtual bool HandleNotify(NMHDR*, LRESULT&) { return false; }
    // The background brush and text colour for drawing this control.
    virtual HBRUSH PrepareColors(HDC dc);
    // What the "&" letter of this control's caption does: by default nothing.
    virtual void ActivateMnemonic() {}

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Creates the window in the parent's window at the control's place and takes it over.
    void Create(const wchar_t* className, DWORD style, DWORD exStyle);
    void Attach(HWND hwnd, bool ownClass);
    void ApplyBounds();
    void ApplyFont();
    void ApplyColor();
    RECT ScaledBounds() const;
    // The control's own processing of a message, bypassing this peer.
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);
    // A key down as its control's handlers left it: 0 goes no further, a changed key goes on
    // to the control's own processing. False when they left it as it was.
    bool PassKeyOn(UINT message, WPARAM wParam, LPARAM lParam, std::uint16_t key, LRESULT& result);
    // The shift keys and mouse buttons held with a key; Alt as the key message reports it.
    static ShiftState KeyShiftState(LPARAM keyData);
    // Tab and Shift+Tab: the next or previous control in the window's tab order; with Ctrl,
    // the next or previous page, round.
    void PressTab();
    // The control whose caption has `character` as its "&" letter acts; false if none has.
    bool ActivateMnemonicOf(WPARAM character);
    static void Focus(Control* control);
    // Keys must not go on to a control of a page that no longer shows.
    static void KeepFocusShowing(PageControl& pages);

    Win32Backend& backend_;
    Control& control_;
    HWND hwnd_ = nullptr;
    // The form and the windows that hold controls fill themselves with their control's colour.
    bool fillsBackground_ = false;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    WNDPROC originalProc_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
    bool ownsBrush_ = false;
    bool mouseInside_ = false;
};

COLORREF ResolveColor(Color color);

// Factories for the control kinds, one file each group.
std::unique_ptr<Peer> CreateFormPeer(Win32Backend& backend, Control& control);
std::unique_ptr<Peer> CreateContainerPeer(Win32Backend& backend, Control& control);
std::unique_ptr<Peer> CreateInputPeer(Win32Backend& backend, Control& control);
std::unique_ptr<Peer> CreateValueListPeer(Win32Backend& backend, Control& control);

}  // namespace toolkit::win32
