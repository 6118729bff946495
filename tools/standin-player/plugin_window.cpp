#include "tools/standin-player/plugin_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "platform/codepage.h"

namespace standin {

namespace {

constexpr char PLUGIN_WINDOW_CAPTION[] = "Quillon 1.0";
constexpr LONG PAGE_WIDTH = 325;
constexpr LONG PAGE_HEIGHT = 226;
constexpr DWORD FINGERPRINT_BYTES = 64 * 1024;

BOOL CALLBACK CollectWindow(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> found;
    EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool HasClass(HWND window, const char* name) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

std::string WithoutAccessMark(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

bool BeginsWith(const std::string& text, const std::string& start) {
    return !start.empty() && text.compare(0, start.size(), start) == 0;
}

// The edit that a label names: a sibling to its right whose height overlaps the label's,
// the nearest one.
HWND EditRightOf(HWND label, const std::vector<HWND>& controls) {
    RECT labelRect{};
    GetWindowRect(label, &labelRect);
    HWND nearest = nullptr;
    LONG nearestGap = 0;
    for (HWND control : controls) {
        if (GetParent(control) != GetParent(label) || !HasClass(control, "Edit")) continue;
        RECT rect{};
        GetWindowRect(control, &rect);
        const LONG gap = rect.left - labelRect.right;
        const bool overlaps = rect.top < labelRect.bottom && labelRect.top < rect.bottom;
        if (!overlaps || gap < -2 || (nearest && gap >= nearestGap)) continue;
        nearest = control;
        nearestGap = gap;
    }
    return nearest;
}

}  // namespace

HWND FindPluginWindow() { return FindWindowA(nullptr, PLUGIN_WINDOW_CAPTION); }

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return platform::Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

std::vector<std::string> LogLines(HWND window, bool& found) {
    found = false;
    std::vector<std::string> lines;
    for (HWND control : Descendants(window)) {
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        RECT client{};
        GetClientRect(control, &client);
        if (!HasClass(control, "Edit") || !(style & ES_MULTILINE) || (style & ES_READONLY) ||
            client.right != PAGE_WIDTH || client.bottom != PAGE_HEIGHT) {
            continue;
        }
        found = true;
        const std::string text = WindowText(control);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        break;
    }
    return lines;
}

std::vector<LabelledField> LabelledFields(HWND window) {
    const std::vector<HWND> controls = Descendants(window);
    std::vector<LabelledField> fields;
    for (HWND label : controls) {
        if (!HasClass(label, "Static")) continue;
        if (HWND edit = EditRightOf(label, controls)) {
            fields.push_back({WithoutAccessMark(WindowText(label)), WindowText(edit)});
        }
    }
    return fields;
}

HWND FieldByLabel(HWND window, const std::string& label) {
    const std::vector<HWND> controls = Descendants(window);
    for (HWND control : controls) {
        if (HasClass(control, "Static") &&
            BeginsWith(WithoutAccessMark(WindowText(control)), label)) {
            if (HWND edit = EditRightOf(control, controls)) return edit;
        }
    }
    return nullptr;
}

HWND ButtonByCaption(HWND window, const std::string& caption) {
    for (HWND control : Descendants(window)) {
        if (HasClass(control, "Button") &&
            BeginsWith(WithoutAccessMark(WindowText(control)), caption)) {
            return control;
        }
    }
    return nullptr;
}

bool ClickTab(HWND window, const std::string& caption) {
    for (HWND control : Descendants(window)) {
        if (!HasClass(control, WC_TABCONTROLA)) continue;
        const auto count = static_cast<int>(SendMessageA(control, TCM_GETITEMCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            char text[128] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(control, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
            if (!BeginsWith(WithoutAccessMark(text), caption)) continue;
            RECT rect{};
            SendMessageA(control, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
            const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
            SendMessageA(control, WM_LBUTTONUP, 0, point);
            return true;
        }
    }
    return false;
}

void PostKey(HWND target, WORD virtualKey) {
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, virtualKey, scanCode | 1);
    PostMessageA(target, WM_KEYUP, virtualKey, scanCode | 1 | (LPARAM{3} << 30));
}

void PostCharacters(HWND target, const std::string& text) {
    for (const char16_t unit : platform::Utf16FromUtf8(text)) PostMessageW(target, WM_CHAR, unit, 1);
}

std::string FileFingerprint(const std::string& path) {
    const std::u16string wide = platform::Utf16FromUtf8(path);
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "unreadable";
    std::vector<unsigned char> bytes(FINGERPRINT_BYTES);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes.data(), FINGERPRINT_BYTES, &read, nullptr);
    LARGE_INTEGER size{};
    const BOOL sized = GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!ok || !sized) return "unreadable";
    // FNV-1a: enough to tell two versions of a tag apart.
    std::uint64_t hash = 14695981039346656037ull;
    for (DWORD i = 0; i < read; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    char text[64];
    std::snprintf(text, sizeof text, "%016llx size=%lld", static_cast<unsigned long long>(hash),
                  static_cast<long long>(size.QuadPart));
    return text;
}

}  // namespace standin
