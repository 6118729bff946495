#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/edits.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/keyboard.h"
#include "toolkit/page_control.h"
#include "toolkit/value_list_editor.h"

namespace {

using toolkit::Component;
using toolkit::HeadlessBackend;

struct FormFixture : ::testing::Test {
    HeadlessBackend backend;
    toolkit::Form form{backend, "Form"};
    std::vector<std::string> events;

    toolkit::NotifyEvent Record(const std::string& what) {
        return [this, what](Component& sender) { events.push_back(sender.Name() + " " + what); };
    }
};

TEST_F(FormFixture, ChangeEventsFireForEveryRealChangeAlsoByTheProgram) {
    toolkit::Edit edit(&form, "edit");
    toolkit::CheckBox box(&form, "box");
    edit.OnChange = Record("change");
    box.OnClick = Record("click");
    form.Loaded();
    form.Show();
    edit.SetText("a");
    edit.SetText("a");
    backend.Type(edit, "b");
    box.SetChecked(true);
    box.SetChecked(true);
    backend.Input(box, &toolkit::Control::HandleClick);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(events, (std::vector<std::string>{"edit change", "edit change", "box click", "box click"}));
}

TEST_F(FormFixture, DisabledHiddenOrUnshownControlsTakeNoInput) {
    toolkit::Button button(&form, "button");
    toolkit::Edit edit(&form, "edit");
    button.OnClick = Record("click");
    edit.OnKeyDown = [&](Component&, std::uint16_t&, toolkit::ShiftState) { events.push_back("key"); };
    form.Loaded();
    backend.Input(button, &toolkit::Control::HandleClick);  // the form is still hidden
    form.Show();
    button.SetEnabled(false);
    backend.Input(button, &toolkit::Control::HandleClick);
    edit.SetText("kept");
    edit.SetReadOnly(true);
    backend.Type(edit, "x\b");  // a read-only edit still sees the keys, but keeps its text
    EXPECT_EQ(edit.Text(), "kept");
    button.SetEnabled(true);
    backend.Input(button, &toolkit::Control::HandleClick);
    EXPECT_EQ(events, (std::vector<std::string>{"key", "key", "button click"}));
}

TEST_F(FormFixture, KeyHandlersMayChangeTheKey) {
    toolkit::Edit edit(&form, "edit");
    edit.OnKeyDown = [](Component&, std::uint16_t& key, toolkit::ShiftState shift) {
        if (shift & toolkit::ssCtrl) key = 0;
    };
    form.OnKeyDown = [](Component&, std::uint16_t& key, toolkit::ShiftState) { key = 'Z'; };
    form.Loaded();
    form.Show();
    EXPECT_EQ(backend.Input(edit, &toolkit::Edit::HandleKeyDown, 'A', toolkit::ssCtrl), 0);
    EXPECT_EQ(backend.Input(edit, &toolkit::Edit::HandleKeyDown, 'A', toolkit::ssShift), 'A');
    EXPECT_EQ(backend.Input(form, &toolkit::Form::HandleKeyDown, 'A', 0), 'Z');
}

TEST_F(FormFixture, ACloseRequestHidesUnlessTheHandlerSaysNone) {
    form.Loaded();
    form.Show();
    backend.Input(form, &toolkit::Form::HandleCloseRequest);
    EXPECT_FALSE(form.Visible());
    form.Show();
    form.OnClose = [](Component&, toolkit::CloseAction& action) { action = toolkit::CloseAction::caNone; };
    backend.Input(form, &toolkit::Form::HandleCloseRequest);
    EXPECT_TRUE(form.Visible());
}

TEST_F(FormFixture, ControlsWithoutAFontOfTheirOwnTakeTheirParents) {
    toolkit::GroupBox box(&form, "box");
    toolkit::Label label(&box, "label");
    toolkit::Font bold;
    bold.bold = true;
    EXPECT_EQ(label.EffectiveFont(), toolkit::Font{});
    box.SetFont(bold);
    EXPECT_TRUE(label.EffectiveFont().bold);
    label.SetFontColor(toolkit::clBlue);
    EXPECT_TRUE(label.EffectiveFont().bold);
    EXPECT_EQ(label.EffectiveFont().color, toolkit::clBlue);
    EXPECT_EQ(box.EffectiveFont().color, toolkit::clWindowText);
}

TEST_F(FormFixture, ALabelledEditKeepsItsLabelOnItsLeftCentred) {
    toolkit::LabeledEdit edit(&form, "urlbox");
    edit.SetEditLabel("URL:", 25, 13);
    edit.SetBounds({76, 24, 229, 21});
    EXPECT_EQ(edit.EditLabel.GetBounds(), (toolkit::Bounds{48, 28, 25, 13}));
    EXPECT_EQ(edit.EditLabel.Parent(), &form);
    edit.SetBounds({100, 10, 50, 30});
    EXPECT_EQ(edit.EditLabel.GetBounds(), (toolkit::Bounds{72, 18, 25, 13}));
}

TEST_F(FormFixture, MemoLinesAddAtTheEndAndSplitAtEveryLineBreak) {
    toolkit::Memo memo(&form, "memo");
    EXPECT_TRUE(memo.Lines().empty());
    memo.AddLine("");
    EXPECT_EQ(memo.Lines(), std::vector<std::string>{""});
    memo.SetLines({"one ", "", "three"});
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one ", "", "three"}));
    memo.AddLine("Output: a\nb");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one ", "", "three", "Output: a", "b"}));
    memo.SetText("typed");  // the user's text without a final break
    memo.AddLine("Code: 200");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"typed", "Code: 200"}));
}

TEST_F(FormFixture, ACappedMemoDropsItsOldestLinesWholeAndKeepsZeroBytes) {
    toolkit::Memo memo(&form, "memo");
    memo.SetTextCap(20);
    const std::string zero("a\0b", 3);
    memo.AddLine(zero);     // 5 bytes
    memo.AddLine("1234");   // 11
    memo.AddLine("5678");   // 17
    EXPECT_EQ(memo.Text(), zero + "\r\n1234\r\n5678\r\n");
    memo.AddLine("abcd");   // 23: the first line goes, not part of the second
    EXPECT_EQ(memo.Text(), "1234\r\n5678\r\nabcd\r\n");
    memo.AddLine("ABCDEFGHIJKLMNO");  // 17 alone: everything older goes
    EXPECT_EQ(memo.Text(), "ABCDEFGHIJKLMNO\r\n");
    memo.SetText("x\ry\nunclosed");  // lone CR and LF end lines too; the last stays open
    memo.AddLine("newer");
    EXPECT_EQ(memo.Text(), "y\nunclosed\r\nnewer\r\n");
    memo.AddLine(std::string(30, 'z'));  // longer than the cap on its own: cut at the cap
    EXPECT_EQ(memo.Text(), std::string(18, 'z') + "\r\n");
}

TEST(Mnemonic, IsTheLetterAfterASingleAmpersandInLowerCase) {
    const std::pair<const char*, char> cases[] = {
        {"&Apply", 'a'}, {"Save && E&xit", 'x'}, {"&&&B", 'b'}, {"a&&b", 0}, {"end&", 0}, {"", 0}};
    for (const auto& [caption, letter] : cases) EXPECT_EQ(toolkit::MnemonicOf(caption), letter) << caption;
}

TEST_F(FormFixture, PagesFillThePageControlUnderTheTabsAndOnlyTheActiveOneTakesInput) {
    toolkit::PageControl pages(&form, "pages");
    pages.SetBounds({0, 0, 333, 257});
    toolkit::TabSheet first(pages, "first");
    toolkit::TabSheet second(pages, "second");
    toolkit::Button button(&second, "button");
    button.OnClick = Record("click");
    EXPECT_EQ(first.GetBounds(), (toolkit::Bounds{4, 27, 325, 226}));
    EXPECT_EQ(second.GetBounds(), first.GetBounds());
    EXPECT_EQ(pages.ActivePageIndex(), 0);
    EXPECT_EQ(second.PageIndex(), 1);
    form.Loaded();
    backend.Input(pages, &toolkit::PageControl::HandlePageChosen, 1);  // the form is still hidden
    EXPECT_EQ(pages.ActivePageIndex(), 0);
    form.Show();
    backend.Input(button, &toolkit::Control::HandleClick);
    backend.Input(pages, &toolkit::PageControl::HandlePageChosen, 1);
    backend.Input(button, &toolkit::Control::HandleClick);
    pages.SetActivePageIndex(5);  // no such page
    EXPECT_EQ(pages.ActivePageIndex(), 1);
    EXPECT_EQ(events, std::vector<std::string>{"button click"});
}

TEST_F(FormFixture, AValueListEditorKeepsItsNamesAndTakesEditedValues) {
    toolkit::ValueListEditor list(&form, "list");
    list.SetRows({{"artist", "ID3 Artist"}, {"album", "ID3 Album"}});
    form.Loaded();
    form.Show();
    backend.Input(list, &toolkit::ValueListEditor::HandleValueEdited, 1, "changed");
    backend.Input(list, &toolkit::ValueListEditor::HandleValueEdited, 7, "ignored");
    EXPECT_EQ(list.Rows(), (std::vector<toolkit::ValueRow>{{"artist", "ID3 Artist"}, {"album", "changed"}}));
}

TEST_F(FormFixture, MouseEventsAndTheShellAreRecorded) {
    toolkit::Label link(&form, "link");
    link.OnMouseEnter = Record("enter");
    link.OnMouseLeave = Record("leave");
    link.OnClick = [this](Component&) { toolkit::ShellOpen(form, "http://example.invalid/"); };
    form.Loaded();
    form.Show();
    backend.Input(link, &toolkit::Control::HandleMouseEnter);
    backend.Input(link, &toolkit::Control::HandleClick);
    backend.Input(link, &toolkit::Control::HandleMouseLeave);
    EXPECT_EQ(events, (std::vector<std::string>{"link enter", "link leave"}));
    ASSERT_EQ(backend.shellOpens().size(), 1u);
    EXPECT_EQ(backend.shellOpens()[0].address, "http://example.invalid/");
    EXPECT_EQ(backend.shellOpens()[0].owner, "Form");
}

}  // namespace
