// Labels, edits, memos, spin edits, check boxes, push buttons and pictures.
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include <string>

#include "toolkit/controls.h"
#include "toolkit/edits.h"
#include "toolkit/spin_edit.h"
#include "toolkit/win32_internal.h"

namespace toolkit::win32 {

namespace {

constexpr int kSpinButtonWidth = 15;

// A zero byte would end the control's text there, hiding all that follows: it shows as a blank.
std::string Shown(std::string text) {
    for (char& c : text) {
        if (c == '\0') c = ' ';
    }
    return text;
}

// Edit controls count their positions in UTF-16 units.
DWORD PositionsIn(const std::string& text) { return static_cast<DWORD>(Wide(text).size()); }

// What a control is told of a typed character: its only ones of interest are ASCII (digits,
// signs, controls); anything beyond stands as a character that is none of those.
char TypedCharacter(WPARAM unit) { return unit < 0x80 ? static_cast<char>(unit) : '\x7F'; }

// Labels and pictures are clicked through the notifications of static controls.
class StaticPeer : public WindowPeer {
public:
    StaticPeer(Win32Backend& backend, Control& control, DWORD style) : WindowPeer(backend, control) {
        Create(L"STATIC", SS_NOTIFY | style, 0);
    }

    bool HandleCommand(WORD code) override {
        if (code != STN_CLICKED) return false;
        control_.HandleClick();
        return true;
    }

    void ActivateMnemonic() override {
        if (control_.Kind() == ControlKind::Label) Focus(static_cast<Label&>(control_).FocusControl);
    }
};

class ImagePeer : public StaticPeer {
public:
    ImagePeer(Win32Backend& backend, Image& image) : StaticPeer(backend, image, SS_BITMAP), image_(image) {
        LoadPicture();
    }

    ~ImagePeer() override {
        if (Window()) SendMessageW(Window(), STM_SETIMAGE, IMAGE_BITMAP, 0);
        if (bitmap_) DeleteObject(bitmap_);
    }

    void Refresh(Aspect aspect) override {
        if (aspect == Aspect::Picture) {
            LoadPicture();
        } else {
            StaticPeer::Refresh(aspect);
        }
    }

private:
    // The static control takes the picture's size.
    void LoadPicture() {
        if (!Window()) return;
        HBITMAP previous = bitmap_;
        bitmap_ = image_.Picture().empty()
                      ? nullptr
                      : static_cast<HBITMAP>(LoadImageA(backend_.Instance(), image_.Picture().c_str(), IMAGE_BITMAP, 0, 0, 0));
        SendMessageW(Window(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
        if (previous) DeleteObject(previous);
    }

    Image& image_;
    HBITMAP bitmap_ = nullptr;
};

class ButtonPeer : public WindowPeer {
public:
    ButtonPeer(Win32Backend& backend, Control& control, DWORD style) : WindowPeer(backend, control) {
        Create(L"BUTTON", WS_TABSTOP | style, 0);
        Refresh(Aspect::Checked);
    }

    void Refresh(Aspect aspect) override {
        if (aspect != Aspect::Checked) {
            WindowPeer::Refresh(aspect);
        } else if (Window() && control_.Kind() == ControlKind::CheckBox) {
            const bool checked = static_cast<CheckBox&>(control_).Checked();
            SendMessageW(Window(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }

    // As a click of the mouse: the focus moves here first, so an edit left behind settles.
    void ActivateMnemonic() override { SendMessageW(Window(), BM_CLICK, 0, 0); }

    bool HandleCommand(WORD code) override {
        if (code != BN_CLICKED) return false;
        if (control_.Kind() == ControlKind::CheckBox) {
            // The box has toggled itself; the component follows and raises its click.
            static_cast<CheckBox&>(control_).SetChecked(SendMessageW(Window(), BM_GETCHECK, 0, 0) == BST_CHECKED);
        } else {
            control_.HandleClick();
        }
        return true;
    }
};

class EditPeer : public WindowPeer {
public:
    EditPeer(Win32Backend& backend, Edit& edit, DWORD style) : WindowPeer(backend, edit), edit_(edit) {
        if (edit.ReadOnly()) style |= ES_READONLY;
        Create(L"EDIT", WS_TABSTOP | style, edit.Border() ? WS_EX_CLIENTEDGE : 0);
        // No limit but the system's own: the log only grows.
        SendMessageW(Window(), EM_SETLIMITTEXT, 0, 0);
    }

    bool HandleCommand(WORD code) override {
        if (code != EN_CHANGE) return false;
        // The program's own changes are in the component already.
        if (!settingText_) edit_.HandleTextEdited(WindowText(Window()));
        return true;
    }

    void Refresh(Aspect aspect) override {
        if (!Window()) return;
        if (aspect == Aspect::ReadOnly) {
            SendMessageW(Window(), EM_SETREADONLY, edit_.ReadOnly(), 0);
        } else if (aspect != Aspect::Text) {
            WindowPeer::Refresh(aspect);
        } else if (const std::string shown = Shown(edit_.Text()); WindowText(Window()) != shown) {
            // Writing back what the user just typed would move the caret to the start.
            settingText_ = true;
            SetWindowTextW(Window(), Wide(shown).c_str());
            settingText_ = false;
        }
    }

    // Only the ends change, and the user's caret, selection and view stay on the same text.
    void TextAmended(const std::string& dropped, const std::string& appended) override {
        if (!Window()) return;
        settingText_ = true;
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(Window(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        const WPARAM firstLine = SendMessageW(Window(), EM_GETFIRSTVISIBLELINE, 0, 0);
        const auto firstShown = static_cast<DWORD>(SendMessageW(Window(), EM_LINEINDEX, firstLine, 0));
        const DWORD droppedPositions = PositionsIn(dropped);
        if (droppedPositions > 0) {
            SendMessageW(Window(), EM_SETSEL, 0, droppedPositions);
            SendMessageW(Window(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        }
        if (!appended.empty()) {
            const int length = GetWindowTextLengthW(Window());
            SendMessageW(Window(), EM_SETSEL, length, length);
            SendMessageW(Window(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(Shown(appended)).c_str()));
        }
        const auto kept = [droppedPositions](DWORD position) {
            return position > droppedPositions ? position - droppedPositions : 0;
        };
        SendMessageW(Window(), EM_SETSEL, kept(start), kept(end));
        const auto wantedFirst = static_cast<LONG>(SendMessageW(Window(), EM_LINEFROMCHAR, kept(firstShown), 0));
        const auto nowFirst = static_cast<LONG>(SendMessageW(Window(), EM_GETFIRSTVISIBLELINE, 0, 0));
        if (wantedFirst != nowFirst) SendMessageW(Window(), EM_LINESCROLL, 0, wantedFirst - nowFirst);
        settingText_ = false;
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            const auto key = edit_.HandleKeyDown(static_cast<std::uint16_t>(wParam), KeyShiftState(lParam));
            return PassKeyOn(message, wParam, lParam, key, result) ||
                   WindowPeer::HandleMessage(message, wParam, lParam, result);
        }
        case WM_CHAR:
            if (wParam != '\t' && !edit_.HandleChar(TypedCharacter(wParam))) return true;
            return WindowPeer::HandleMessage(message, wParam, lParam, result);
        case WM_KILLFOCUS:
            result = CallOriginal(message, wParam, lParam);
            edit_.HandleFocusLost();
            return true;
        default:
            return WindowPeer::HandleMessage(message, wParam, lParam, result);
        }
    }

private:
    Edit& edit_;
    bool settingText_ = false;
};

// An edit with up/down buttons inside its right edge.
class SpinEditPeer : public EditPeer {
public:
    SpinEditPeer(Win32Backend& backend, SpinEdit& spin)
        : EditPeer(backend, spin, ES_AUTOHSCROLL), spin_(spin) {
        if (!Window()) return;
        buttons_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Window(), nullptr,
                                   backend.Instance(), nullptr);
        SendMessageW(buttons_, UDM_SETRANGE32, 0, 100);
        SendMessageW(buttons_, UDM_SETPOS32, 0, 50);
        PlaceButtons();
    }

    void Refresh(Aspect aspect) override {
        EditPeer::Refresh(aspect);
        if (aspect == Aspect::Bounds) PlaceButtons();
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == buttons_ && header->code == UDN_DELTAPOS) {
                spin_.HandleStep(reinterpret_cast<NMUPDOWN*>(lParam)->iDelta > 0 ? 1 : -1);
                result = 1;  // the buttons keep no position of their own
                return true;
            }
        }
        return EditPeer::HandleMessage(message, wParam, lParam, result);
    }

private:
    void PlaceButtons() {
        if (!buttons_) return;
        RECT client;
        GetClientRect(Window(), &client);
        const int width = backend_.Scale(kSpinButtonWidth);
        MoveWindow(buttons_, client.right - width, 0, width, client.bottom, TRUE);
        SendMessageW(Window(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
    }

    SpinEdit& spin_;
    HWND buttons_ = nullptr;
};

}  // namespace

std::unique_ptr<Peer> CreateInputPeer(Win32Backend& backend, Control& control) {
    switch (control.Kind()) {
    case ControlKind::Image:
        return std::make_unique<ImagePeer>(backend, static_cast<Image&>(control));
    case ControlKind::Button:
        return std::make_unique<ButtonPeer>(backend, control, BS_PUSHBUTTON);
    case ControlKind::CheckBox:
        return std::make_unique<ButtonPeer>(backend, control, BS_AUTOCHECKBOX);
    case ControlKind::Edit:
        return std::make_unique<EditPeer>(backend, static_cast<Edit&>(control), ES_AUTOHSCROLL);
    case ControlKind::Memo:
        return std::make_unique<EditPeer>(backend, static_cast<Edit&>(control),
                                          ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
    case ControlKind::SpinEdit:
        return std::make_unique<SpinEditPeer>(backend, static_cast<SpinEdit&>(control));
    default:
        // Like a label that does not wrap: a caption wider than its place is cut at the right.
        return std::make_unique<StaticPeer>(backend, control, SS_LEFTNOWORDWRAP);
    }
}

}  // namespace toolkit::win32
