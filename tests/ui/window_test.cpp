// The main window on the Win32 backend, as a person would see it: a real window inside the
// virtual display, read back through Win32 and photographed page by page.
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "tests/ui/main_form_fixture.h"
#include "tests/ui/window_probe.h"
#include "toolkit/win32_backend.h"

namespace {

HWND HandleOf(const toolkit::Control& control) {
    return reinterpret_cast<HWND>(control.GetPeer()->Handle());
}

struct WindowTest : ::testing::Test, MainFormFixture {
    std::unique_ptr<toolkit::Backend> application = toolkit::CreateWin32Backend(GetModuleHandleA(nullptr));
    std::unique_ptr<TMainForm> form = std::make_unique<TMainForm>(*application, Context());
    HWND window = HandleOf(*form);

    ~WindowTest() override {
        form.reset();
        PumpMessages(50);
    }
};

TEST_F(WindowTest, BuiltHiddenWithTheFirstTimerAlreadyTicking) {
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    int ticks = 0;
    form->Timer1.OnTimer = [&](toolkit::Component&) { ++ticks; };
    PumpMessages(1300);
    EXPECT_GE(ticks, 1);
    EXPECT_LE(ticks, 2);
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(WindowTest, SystemTimersKeepTheTimerRules) {
    // Margins of 200 ms or more either side of every due time.
    int ticks = 0;
    form->Timer2.OnTimer = [&](toolkit::Component&) { ++ticks; };
    form->Timer2.SetInterval(1000);
    form->Timer2.SetEnabled(true);
    PumpMessages(600);
    form->Timer2.SetEnabled(true);  // already enabled: still due at 1000, not 1600
    PumpMessages(700);
    EXPECT_EQ(ticks, 1);
    form->Timer2.SetInterval(1200);  // next due 1200 from now, not at 2000
    PumpMessages(900);
    EXPECT_EQ(ticks, 1);
    PumpMessages(600);
    EXPECT_EQ(ticks, 2);
    form->Timer2.SetEnabled(false);
    PumpMessages(1500);
    EXPECT_EQ(ticks, 2);
}

TEST_F(WindowTest, ShownOnTopFixedCaptionedAndCentredOnTheDesktop) {
    form->ShowAndBringToFront();
    PumpMessages(100);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(TextOf(window), "Quillon 1.0");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, 333);
    EXPECT_EQ(client.bottom - client.top, 321);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);

    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, std::max(0, (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2));
    EXPECT_EQ(frame.top, std::max(0, (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2));

    // Moved to within 10 pixels of the screen's edges, it snaps to them.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(window, nullptr, work.left + 10, work.bottom - height - 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, work.left);
    EXPECT_EQ(frame.bottom, work.bottom);
    SetWindowPos(window, nullptr, work.left + 11, work.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, work.left + 11);
    EXPECT_EQ(frame.top, work.top + 30);
}

TEST_F(WindowTest, ACloseRequestHidesAndTheNextShowHasTheSameContents) {
    form->ShowAndBringToFront();
    form->ID3artist.SetText("Someone");
    PumpMessages(50);
    SetWindowPos(window, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(window, WM_CLOSE, 0, 0);
    PumpMessages(50);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    form->ShowAndBringToFront();
    PumpMessages(50);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(TextOf(HandleOf(form->ID3artist)), "Someone");
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 40);  // not centred again
    EXPECT_EQ(frame.top, 50);
}

TEST_F(WindowTest, EveryControlSitsInItsParentAtItsPlaceInTheLayoutWithItsText) {
    form->ShowAndBringToFront();
    PumpMessages(50);
    HWND tabs = HandleOf(form->PageControl1);
    std::vector<Placement> layout = form->Layout();
    // The labels of the labelled edits sit where the toolkit puts them.
    for (toolkit::LabeledEdit* edit : {&form->urlbox, &form->params}) {
        layout.push_back({edit->EditLabel, "", edit->EditLabel.GetBounds(), -1});
    }
    for (const Placement& placement : layout) {
        const toolkit::Control& control = placement.control;
        SCOPED_TRACE(control.Name());
        HWND handle = HandleOf(control);
        ASSERT_TRUE(IsWindow(handle));
        EXPECT_EQ(GetParent(handle), HandleOf(*control.Parent()));
        EXPECT_EQ(PlaceInParent(handle), placement.bounds);
        switch (control.Kind()) {
        case toolkit::ControlKind::TabSheet:  // its caption is its tab's
            EXPECT_EQ(TabCaption(tabs, static_cast<const toolkit::TabSheet&>(control).PageIndex()), placement.text);
            break;
        case toolkit::ControlKind::Memo:
        case toolkit::ControlKind::ValueListEditor:
        case toolkit::ControlKind::Image:
            break;  // lines, rows and pictures: below
        default:
            EXPECT_EQ(TextOf(handle), control.Text());
        }
    }
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(HandleOf(form->TabSheet1)));
    EXPECT_FALSE(IsWindowVisible(HandleOf(form->TabSheet2)));
}

TEST_F(WindowTest, MemosTableAndButtonsShowTheirFixedTextsAndStates) {
    for (const toolkit::Memo* memo : {&form->Memo1, &form->Memo2, &form->Memo3, &form->log}) {
        EXPECT_EQ(SplitLines(TextOf(HandleOf(*memo))), memo->Lines()) << memo->Name();
    }

    const toolkit::ValueListEditor& editor = form->ValueListEditor1;
    HWND table = HandleOf(editor);
    EXPECT_EQ(ListHeader(table, 0), editor.KeyTitle());
    EXPECT_EQ(ListHeader(table, 1), editor.ValueTitle());
    EXPECT_EQ(SendMessageA(table, LVM_GETCOLUMNWIDTH, 0, 0), editor.KeyColumnWidth());
    EXPECT_EQ(SendMessageA(table, LVM_GETCOLUMNWIDTH, 1, 0), editor.ValueColumnWidth());
    ASSERT_EQ(SendMessageA(table, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(editor.Rows().size()));
    for (std::size_t row = 0; row < editor.Rows().size(); ++row) {
        EXPECT_EQ(ListCell(table, static_cast<int>(row), 0), editor.Rows()[row].name);
        EXPECT_EQ(ListCell(table, static_cast<int>(row), 1), editor.Rows()[row].value);
    }

    EXPECT_FALSE(IsWindowEnabled(HandleOf(form->btnWriteTags)));
    EXPECT_FALSE(IsWindowEnabled(HandleOf(form->btnReloadTags)));
    EXPECT_FALSE(IsWindowEnabled(HandleOf(form->Button1)));
    EXPECT_EQ(SendMessageA(HandleOf(form->send), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    for (toolkit::Edit* readOnly : {&form->filename, static_cast<toolkit::Edit*>(&form->Memo2),
                                    static_cast<toolkit::Edit*>(&form->Memo3)}) {
        EXPECT_TRUE(GetWindowLongA(HandleOf(*readOnly), GWL_STYLE) & ES_READONLY) << readOnly->Name();
    }
    EXPECT_FALSE(GetWindowLongA(HandleOf(form->log), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL | ES_READONLY));
    EXPECT_FALSE(GetWindowLongA(HandleOf(form->ID3artist), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongA(HandleOf(form->Memo3), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(WindowTest, TypingRulesTheUsersKeysAndTheLogHasNoLengthLimit) {
    form->ShowAndBringToFront();
    form->PageControl1.SetActivePageIndex(1);
    PumpMessages(50);
    HWND timeout = HandleOf(form->timeout);
    SendMessageA(timeout, WM_CHAR, 'a', 0);
    EXPECT_EQ(TextOf(timeout), "30000");
    SendMessageA(timeout, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(form->timeout.Value(), 29999);
    EXPECT_EQ(TextOf(timeout), "29999");
    EXPECT_TRUE(IsWindowEnabled(HandleOf(form->Button1)));  // the change reached urlboxChange
    NMUPDOWN upButton{};
    upButton.hdr.hwndFrom = GetWindow(timeout, GW_CHILD);
    upButton.hdr.code = UDN_DELTAPOS;
    upButton.iDelta = 1;
    SendMessageA(timeout, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&upButton));
    EXPECT_EQ(TextOf(timeout), "30000");
    SendMessageA(timeout, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&upButton));
    EXPECT_EQ(TextOf(timeout), "30001");
    SetWindowTextA(timeout, "70000");
    SendMessageA(timeout, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(TextOf(timeout), "60000");
    // The user's decimal separator is taken, not ".".
    char separator[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ","));
    SetWindowTextA(timeout, "");
    SendMessageA(timeout, WM_CHAR, '.', 0);
    SendMessageA(timeout, WM_CHAR, ',', 0);
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator);
    EXPECT_EQ(TextOf(timeout), ",");

    form->PageControl1.SetActivePageIndex(0);
    SendMessageA(HandleOf(form->ID3title), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_TRUE(IsWindowEnabled(HandleOf(form->btnWriteTags)));
    EXPECT_TRUE(IsWindowEnabled(HandleOf(form->btnReloadTags)));

    // Past the 32767 characters that an edit takes from the user by default.
    form->PageControl1.SetActivePageIndex(4);
    HWND log = HandleOf(form->log);
    std::string longLog;
    while (longLog.size() < 33000) longLog += std::string(48, 'x') + "\r\n";
    form->log.SetText(longLog);
    const auto length = static_cast<int>(longLog.size());
    SendMessageA(log, EM_SETSEL, length, length);
    SendMessageA(log, WM_CHAR, 'y', 0);
    EXPECT_EQ(GetWindowTextLengthA(log), length + 1);
    EXPECT_EQ(form->log.Text(), longLog + "y");

    HWND url = HandleOf(form->urlbox);
    SetWindowTextA(url, "http://127.0.0.1/test.php");
    EXPECT_EQ(form->urlbox.Text(), "http://127.0.0.1/test.php");
}

TEST_F(WindowTest, LogLinesAppendAtTheEndKeepingTheUsersCaretAndViewAndTheCap) {
    form->ShowAndBringToFront();
    form->PageControl1.SetActivePageIndex(4);
    PumpMessages(50);
    HWND log = HandleOf(form->log);
    for (int line = 0; line < 40; ++line) form->log.AddLine("line " + std::to_string(line));
    SendMessageA(log, EM_SETSEL, 12, 14);
    SendMessageA(log, EM_LINESCROLL, 0, 5);
    const LRESULT firstVisible = SendMessageA(log, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(firstVisible, 0);

    // A zero byte shows as a blank and hides nothing after it; the log itself keeps it.
    form->log.AddLine(std::string("Output: a\0b", 11));
    form->log.AddLine("Code: 200");
    const std::string tail = "Output: a b\r\nCode: 200\r\n";
    const std::string shown = TextOf(log);
    ASSERT_GE(shown.size(), tail.size());
    EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);
    EXPECT_NE(form->log.Text().find(std::string("a\0b", 3)), std::string::npos);
    DWORD start = 0, end = 0;
    SendMessageA(log, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 12u);
    EXPECT_EQ(end, 14u);
    EXPECT_EQ(SendMessageA(log, EM_GETFIRSTVISIBLELINE, 0, 0), firstVisible);
    // A key typed at the end keeps every line.
    SendMessageA(log, EM_SETSEL, shown.size(), shown.size());
    SendMessageA(log, WM_CHAR, 'k', 0);
    EXPECT_EQ(form->log.Text().substr(form->log.Text().size() - 12), "Code: 200\r\nk");

    // Past the cap the window drops the same oldest lines as the log.
    std::string body;  // a web page's worth of short lines
    while (body.size() < 128 * 1024) body += "<p>a line of the answer's page</p>\r\n";
    for (int group = 0; group < 9; ++group) form->log.AddLine("Output: " + body);
    EXPECT_LE(form->log.Text().size(), TMainForm::kLogCapBytes);
    EXPECT_EQ(TextOf(log), form->log.Text());
}

TEST_F(WindowTest, AnErrorInAHandlerGoesToTheErrorBoxAndTheWindowGoesOn) {
    form->ShowAndBringToFront();
    PumpMessages(50);
    form->Label1.OnClick = [](toolkit::Component&) { throw std::runtime_error("Something broke"); };
    std::atomic<bool> done{false};
    std::string boxCaption, boxText;
    std::thread closer([&] {
        // Finds the modal box, reads it and presses OK.
        for (int attempt = 0; attempt < 500 && !done; ++attempt) {
            HWND box = FindWindowA("#32770", nullptr);
            if (box && GetWindowThreadProcessId(box, nullptr) == GetWindowThreadProcessId(window, nullptr)) {
                boxCaption = TextOf(box);
                boxText = TextOf(GetDlgItem(box, 0xFFFF));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    HWND label = HandleOf(form->Label1);
    SendMessageA(GetParent(label), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(label));
    done = true;
    closer.join();
    EXPECT_EQ(boxText, "Something broke.");
    EXPECT_EQ(boxCaption, "ui_window_tests");
    EXPECT_TRUE(IsWindow(window));
    form->ID3album.SetText("still working");
    EXPECT_EQ(TextOf(HandleOf(form->ID3album)), "still working");
}

TEST_F(WindowTest, AltF4IsDiscardedOnTheWindowAndHidesItFromAField) {
    form->ShowAndBringToFront();
    PumpMessages(50);
    constexpr LPARAM kAltDown = 1 << 29;
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, kAltDown);
    PumpMessages(50);
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageA(HandleOf(form->ID3artist), WM_SYSKEYDOWN, VK_F4, kAltDown);
    PumpMessages(50);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(form->btnWriteTags.Enabled());  // a key in a tag field, all the same
}

TEST_F(WindowTest, TabOrderFollowsTheLayoutAndTheLinkReactsToTheMouse) {
    std::vector<int> orders;
    for (HWND child = GetWindow(HandleOf(form->GroupBox2), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        for (toolkit::Control* control : form->GroupBox2.Children()) {
            if (HandleOf(*control) == child && control->TabOrder() >= 0) orders.push_back(control->TabOrder());
        }
    }
    EXPECT_EQ(orders, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    form->ShowAndBringToFront();
    PumpMessages(50);
    SetFocus(window);
    // Tab goes from the page control into the first page's fields, in their order.
    SetFocus(HandleOf(form->PageControl1));
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), HandleOf(form->ID3artist));
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), HandleOf(form->ID3title));
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), HandleOf(form->ID3album));

    HWND link = HandleOf(form->Label12);
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(form->Label12.GetCursor(), toolkit::crHandPoint);
    EXPECT_EQ(form->Label12.EffectiveFont().color, toolkit::clBlack);
    SendMessageA(link, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(form->Label12.GetCursor(), toolkit::crDefault);
    EXPECT_EQ(form->Label12.EffectiveFont().color, toolkit::clBlue);
}

// Keys as the thread's keyboard state holds them while a key message is handled.
void HoldKeys(std::initializer_list<BYTE> keys) {
    BYTE state[256] = {};
    for (BYTE key : keys) state[key] = 0x80;
    SetKeyboardState(state);
}

TEST_F(WindowTest, TheKeyboardReachesThePagesAndAltAAppliesFromTheIntervalField) {
    form->ShowAndBringToFront();
    PumpMessages(50);
    HWND tabs = HandleOf(form->PageControl1);
    SetFocus(window);
    SendMessageA(window, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), tabs);
    SendMessageA(tabs, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), HandleOf(form->ID3artist));

    // The arrow keys on the tabs stop at the ends; Ctrl+Tab turns round from anywhere and
    // takes the focus along onto the page that shows.
    SetFocus(tabs);
    SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
    SendMessageA(tabs, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageA(tabs, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(form->PageControl1.ActivePageIndex(), 0);
    SetFocus(HandleOf(form->ID3title));
    HoldKeys({VK_CONTROL, VK_SHIFT});
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(GetFocus(), HandleOf(form->log));
    HoldKeys({VK_CONTROL});
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    HoldKeys({});
    EXPECT_EQ(form->PageControl1.ActivePageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(HandleOf(form->TabSheet2)));

    // Alt+A through the message loop, as the player's loop passes it on.
    std::filesystem::create_directory(PluginsFolder());
    HWND interval = HandleOf(form->interval);
    SetFocus(interval);
    SetWindowTextA(interval, "45");
    ASSERT_TRUE(form->Button1.Enabled());
    constexpr LPARAM kAltDown = 1 << 29;
    PostMessageA(interval, WM_SYSKEYDOWN, 'A', kAltDown | 1);
    PumpMessages(100);
    EXPECT_FALSE(form->Button1.Enabled());
    const std::vector<std::string> settings = SettingsLines();
    EXPECT_NE(std::find(settings.begin(), settings.end(), "Interval=45"), settings.end());
    // The letter alone acts only from a control that takes no characters.
    SetWindowTextA(interval, "50");
    SendMessageA(interval, WM_CHAR, 'a', 0);
    EXPECT_TRUE(form->Button1.Enabled());
    SendMessageA(HandleOf(form->send), WM_CHAR, 'a', 0);
    EXPECT_FALSE(form->Button1.Enabled());
}

TEST_F(WindowTest, AValueOfTheTableCanBeEditedInPlace) {
    form->ShowAndBringToFront();
    form->PageControl1.SetActivePageIndex(2);
    PumpMessages(50);
    HWND table = HandleOf(form->ValueListEditor1);
    RECT cell{};
    cell.top = 1;
    cell.left = LVIR_BOUNDS;
    SendMessageA(table, LVM_GETSUBITEMRECT, 2, reinterpret_cast<LPARAM>(&cell));
    SendMessageA(table, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.left + 5, cell.top + 3));
    SendMessageA(table, WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 5, cell.top + 3));
    HWND editor = FindWindowExA(table, nullptr, "Edit", nullptr);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(TextOf(editor), "ID3 Title");
    SetWindowTextA(editor, "Edited");
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
    PumpMessages(50);
    EXPECT_EQ(form->ValueListEditor1.Rows()[2].value, "Edited");
    EXPECT_EQ(ListCell(table, 2, 1), "Edited");
    EXPECT_EQ(ListCell(table, 2, 0), "title");
    EXPECT_FALSE(IsWindow(editor));
}

TEST_F(WindowTest, AClickedTabShowsItsPageOnlyWhileThePagesTakeInput) {
    HWND tabs = HandleOf(form->PageControl1);
    const auto clickTab = [tabs](int index) {
        RECT tab{};
        SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&tab));
        SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tab.left + 3, tab.top + 3));
        SendMessageA(tabs, WM_LBUTTONUP, 0, MAKELPARAM(tab.left + 3, tab.top + 3));
    };
    clickTab(1);  // the window is still hidden
    EXPECT_EQ(form->PageControl1.ActivePageIndex(), 0);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    form->ShowAndBringToFront();
    PumpMessages(50);
    clickTab(1);
    EXPECT_EQ(form->PageControl1.ActivePageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(HandleOf(form->TabSheet2)));
}

TEST_F(WindowTest, ReadOnlyChangesReachTheControlsAfterCreation) {
    for (toolkit::Edit* edit : {&form->filename, static_cast<toolkit::Edit*>(&form->log)}) {
        const bool readOnly = !edit->ReadOnly();
        edit->SetReadOnly(readOnly);
        EXPECT_EQ((GetWindowLongA(HandleOf(*edit), GWL_STYLE) & ES_READONLY) != 0, readOnly) << edit->Name();
    }
}

TEST_F(WindowTest, ScreenshotsOfTheFivePages) {
    const char* directory = std::getenv("QUILLON_SCREENSHOTS");
    if (!directory) GTEST_SKIP() << "QUILLON_SCREENSHOTS names no directory";
    form->ShowAndBringToFront();
    form->ID3artist.SetText("Artist");
    form->ID3title.SetText("Title");
    form->ID3track.SetText("0");
    form->filename.SetText("C:\\Music\\Artist - Title.mp3");
    form->log.AddLine("Code: 200");
    form->log.AddLine("Message: HTTP/1.1 200 OK");
    form->log.AddLine("Output: OK");
    for (int page = 0; page < 5; ++page) {
        form->PageControl1.SetActivePageIndex(page);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(300);
        const std::string path = std::string(directory) + "\\page-" + std::to_string(page + 1) + ".bmp";
        EXPECT_TRUE(SaveWindowPicture(window, path)) << path;
    }
}

}  // namespace
