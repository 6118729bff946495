// The name/value table as a report-style list view with a header row; a click on a value
// opens an edit over the cell, which Enter or leaving it commits and Escape cancels.
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include <string>

#include "toolkit/value_list_editor.h"
#include "toolkit/win32_internal.h"

namespace toolkit::win32 {

namespace {

const wchar_t* const kEditorOwner = L"QuillonCellEditorOwner";
const wchar_t* const kEditorProc = L"QuillonCellEditorProc";
constexpr UINT kFinishEdit = WM_APP + 1;

class ValueListPeer : public WindowPeer {
public:
    ValueListPeer(Win32Backend& backend, ValueListEditor& table) : WindowPeer(backend, table), table_(table) {
        Create(WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
               table.Border() ? WS_EX_CLIENTEDGE : 0);
        if (!Window()) return;
        SendMessageW(Window(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        // Rows are as high as the small images: a blank image list sets the row height.
        HIMAGELIST rowSpacer = ImageList_Create(1, backend.Scale(table.RowHeight()), ILC_COLOR, 1, 0);
        SendMessageW(Window(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowSpacer));
        Fill();
    }

    ~ValueListPeer() override {
        if (editor_) DestroyWindow(editor_);
    }

    void Refresh(Aspect aspect) override {
        if (aspect == Aspect::Rows) {
            Fill();
        } else {
            WindowPeer::Refresh(aspect);
        }
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
        case WM_LBUTTONDOWN: {
            result = CallOriginal(message, wParam, lParam);
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            SendMessageW(Window(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem >= 0 && hit.iSubItem == 1) BeginEdit(hit.iItem);
            return true;
        }
        case WM_COMMAND:
            if (editor_ && reinterpret_cast<HWND>(lParam) == editor_ && HIWORD(wParam) == EN_KILLFOCUS) {
                EndEdit();
                return true;
            }
            return false;
        case kFinishEdit:
            if (HWND editor = reinterpret_cast<HWND>(wParam)) DestroyWindow(editor);
            return true;
        default:
            return WindowPeer::HandleMessage(message, wParam, lParam, result);
        }
    }

    void CancelEdit() { cancelled_ = true; }

private:
    void Fill() {
        if (!Window()) return;
        SendMessageW(Window(), LVM_DELETEALLITEMS, 0, 0);
        while (SendMessageW(Window(), LVM_DELETECOLUMN, 0, 0)) {
        }
        AddColumn(0, table_.KeyTitle(), table_.KeyColumnWidth());
        AddColumn(1, table_.ValueTitle(), table_.ValueColumnWidth());
        for (std::size_t row = 0; row < table_.Rows().size(); ++row) {
            std::wstring name = Wide(table_.Rows()[row].name);
            std::wstring value = Wide(table_.Rows()[row].value);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(row);
            item.pszText = name.data();
            SendMessageW(Window(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            item.iSubItem = 1;
            item.pszText = value.data();
            SendMessageW(Window(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }

    void AddColumn(int index, const std::string& title, int width) {
        std::wstring text = Wide(title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text.data();
        column.cx = backend_.Scale(width);
        SendMessageW(Window(), LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    }

    void BeginEdit(int row) {
        if (editor_ || !table_.CanReceiveInput()) return;
        RECT cell{};
        cell.top = 1;
        cell.left = LVIR_BOUNDS;
        SendMessageW(Window(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        editRow_ = static_cast<std::size_t>(row);
        cancelled_ = false;
        editor_ = CreateWindowExW(0, L"EDIT", Wide(table_.Rows()[editRow_].value).c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                                  cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, Window(),
                                  nullptr, backend_.Instance(), nullptr);
        if (!editor_) return;
        SendMessageW(editor_, WM_SETFONT, SendMessageW(Window(), WM_GETFONT, 0, 0), FALSE);
        SetPropW(editor_, kEditorOwner, this);
        SetPropW(editor_, kEditorProc, reinterpret_cast<HANDLE>(SetWindowLongPtrW(
                                           editor_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc))));
        SendMessageW(editor_, EM_SETSEL, 0, -1);
        SetFocus(editor_);
    }

    void EndEdit() {
        HWND editor = editor_;
        editor_ = nullptr;
        if (!cancelled_) {
            const std::string value = WindowText(editor);
            table_.HandleValueEdited(editRow_, value);
            std::wstring shown = Wide(value);
            LVITEMW item{};
            item.iSubItem = 1;
            item.pszText = shown.data();
            SendMessageW(Window(), LVM_SETITEMTEXTW, editRow_, reinterpret_cast<LPARAM>(&item));
        }
        // The editor is still inside its own focus change: let it finish before it goes.
        ShowWindow(editor, SW_HIDE);
        PostMessageW(Window(), kFinishEdit, reinterpret_cast<WPARAM>(editor), 0);
    }

    static LRESULT CALLBACK EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner = static_cast<ValueListPeer*>(GetPropW(editor, kEditorOwner));
        auto original = reinterpret_cast<WNDPROC>(GetPropW(editor, kEditorProc));
        if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE) && owner) {
            if (wParam == VK_ESCAPE) owner->CancelEdit();
            SetFocus(owner->Window());
            return 0;
        }
        if (message == WM_CHAR && (wParam == '\r' || wParam == 27)) return 0;
        if (message == WM_NCDESTROY) {
            RemovePropW(editor, kEditorOwner);
            RemovePropW(editor, kEditorProc);
            SetWindowLongPtrW(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        }
        return CallWindowProcW(original, editor, message, wParam, lParam);
    }

    ValueListEditor& table_;
    HWND editor_ = nullptr;
    std::size_t editRow_ = 0;
    bool cancelled_ = false;
};

}  // namespace

std::unique_ptr<Peer> CreateValueListPeer(Win32Backend& backend, Control& control) {
    return std::make_unique<ValueListPeer>(backend, static_cast<ValueListEditor&>(control));
}

}  // namespace toolkit::win32
