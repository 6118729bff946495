// The window as built: components, texts, places, looks and initial states.
#include <gtest/gtest.h>

#include "tests/ui/expected_layout.h"
#include "tests/ui/main_form_fixture.h"
#include "toolkit/dialogs.h"

namespace {

struct LayoutTest : ::testing::Test, MainFormHarness {};

TEST_F(LayoutTest, EveryComponentExistsUnderItsNameInItsParentAtItsPlace) {
    auto controls = Controls();
    // Fifty components without the HTTP client: not counting the form itself and the two
    // labels that belong to the labelled edits.
    EXPECT_EQ(controls.size() - 1 - 2 + form.Timers().size(), 50u);
    for (const ExpectedControl& expected : ExpectedLayout()) {
        SCOPED_TRACE(expected.name);
        ASSERT_TRUE(controls.count(expected.name));
        const toolkit::Control& control = *controls[expected.name];
        ASSERT_NE(control.Parent(), nullptr);
        EXPECT_EQ(control.Parent()->Name(), expected.parent);
        EXPECT_EQ(control.GetBounds(), (toolkit::Bounds{expected.left, expected.top, expected.width, expected.height}));
        if (expected.text) {
            EXPECT_EQ(control.Text(), expected.text);
        }
        EXPECT_EQ(control.TabOrder(), expected.tabOrder);
    }
    EXPECT_EQ(controls.size(), ExpectedLayout().size() + 1);  // and the form itself
}

TEST_F(LayoutTest, TheWindowIsHiddenTopmostFixedAndCaptioned) {
    EXPECT_EQ(form.Name(), "MainForm");
    EXPECT_EQ(form.Text(), "Quillon 1.0");
    EXPECT_EQ(form.GetBounds().width, 333);
    EXPECT_EQ(form.GetBounds().height, 321);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.HandleAllocated());
    const toolkit::FormStyle& style = form.Style();
    EXPECT_TRUE(style.stayOnTop);
    EXPECT_FALSE(style.sizeable);
    EXPECT_FALSE(style.maximizeBox);
    EXPECT_TRUE(style.desktopCenter);
    EXPECT_TRUE(style.screenSnap);
    EXPECT_EQ(style.snapBuffer, 10);
    EXPECT_EQ(form.GetColor(), toolkit::clBtnFace);
    EXPECT_FALSE(form.Icon().empty());
    const toolkit::Font font = form.EffectiveFont();
    EXPECT_EQ(font.name, "MS Sans Serif");
    EXPECT_EQ(font.height, 11);
    EXPECT_FALSE(font.bold || font.underline);
    EXPECT_EQ(font.color, toolkit::clWindowText);
    EXPECT_EQ(font.charset, toolkit::kAnsiCharset);
}

TEST_F(LayoutTest, TagFieldsAreBorderlessBoldAndOnlyTheFileNameIsReadOnly) {
    for (toolkit::Edit* edit : {&form.ID3artist, &form.ID3title, &form.ID3album, &form.ID3year,
                                &form.ID3genre, &form.ID3Comment, &form.ID3track, &form.filename}) {
        SCOPED_TRACE(edit->Name());
        EXPECT_FALSE(edit->Border());
        const toolkit::Font font = edit->EffectiveFont();
        EXPECT_TRUE(font.bold);
        EXPECT_EQ(font.name, "MS Sans Serif");
        EXPECT_EQ(font.height, 11);
        EXPECT_EQ(font.charset, toolkit::kDefaultCharset);
        EXPECT_EQ(font.color, toolkit::clWindowText);
        EXPECT_EQ(edit->ReadOnly(), edit == &form.filename);
        EXPECT_EQ(edit->GetColor(), edit == &form.filename ? toolkit::clBtnFace : toolkit::clWindow);
        EXPECT_TRUE(edit->Enabled());
    }
    // Labels take the window's font.
    EXPECT_EQ(form.Label3.EffectiveFont(), form.EffectiveFont());
    EXPECT_FALSE(form.Label3.HasOwnFont());
    EXPECT_FALSE(form.send.HasOwnFont());
}

TEST_F(LayoutTest, MemosAndTableHoldTheirFixedLinesAndLooks) {
    EXPECT_EQ(form.Memo1.Lines(), ExpectedMemo1());
    EXPECT_EQ(form.Memo2.Lines(), ExpectedMemo2());
    auto memo3 = form.Memo3.Lines();
    ASSERT_EQ(memo3.size(), 19u);
    EXPECT_EQ(std::vector<std::string>(memo3.begin(), memo3.end() - 1), ExpectedMemo3Head());
    EXPECT_FALSE(memo3.back().empty());
    EXPECT_TRUE(form.log.Lines().empty());

    struct Look { toolkit::Memo* memo; bool border; toolkit::Color color; bool readOnly; };
    for (const Look& look : {Look{&form.Memo1, false, toolkit::clBtnFace, false},
                             Look{&form.Memo2, false, toolkit::clBtnFace, true},
                             Look{&form.Memo3, true, toolkit::clWindow, true},
                             Look{&form.log, false, toolkit::clWindow, false}}) {
        SCOPED_TRACE(look.memo->Name());
        EXPECT_EQ(look.memo->Border(), look.border);
        EXPECT_EQ(look.memo->GetColor(), look.color);
        EXPECT_EQ(look.memo->ReadOnly(), look.readOnly);
    }

    const toolkit::ValueListEditor& table = form.ValueListEditor1;
    ASSERT_EQ(table.Rows().size(), ExpectedTableRows().size());
    for (std::size_t i = 0; i < table.Rows().size(); ++i) {
        EXPECT_EQ(table.Rows()[i].name, ExpectedTableRows()[i].first);
        EXPECT_EQ(table.Rows()[i].value, ExpectedTableRows()[i].second);
    }
    EXPECT_EQ(table.KeyTitle(), "Parameter");
    EXPECT_EQ(table.ValueTitle(), "Value");
    EXPECT_EQ(table.KeyColumnWidth(), 108);
    EXPECT_EQ(table.ValueColumnWidth(), 211);
    EXPECT_EQ(table.RowHeight(), 17);
    EXPECT_FALSE(table.Border());
}

TEST_F(LayoutTest, TheLinkIsBlueUnderlinedAndThePictureIsTheDonationButton) {
    const toolkit::Font link = form.Label12.EffectiveFont();
    EXPECT_EQ(link.color, 0xFF0000u);  // red 0, green 0, blue 255 from the low byte up
    EXPECT_TRUE(link.underline);
    EXPECT_FALSE(link.bold);
    EXPECT_EQ(link.name, "MS Sans Serif");
    EXPECT_EQ(link.height, 11);
    EXPECT_EQ(link.charset, toolkit::kAnsiCharset);
    EXPECT_FALSE(form.Label1.Text().empty());
    EXPECT_NE(form.Label12.Text().find("http"), std::string::npos);
    EXPECT_FALSE(form.Image1.Picture().empty());
    EXPECT_EQ(form.linkHoverColor, toolkit::clBlack);
}

TEST_F(LayoutTest, InitialStatesOfButtonsTimersSpinEditsAndPages) {
    EXPECT_FALSE(form.btnWriteTags.Enabled());
    EXPECT_FALSE(form.btnReloadTags.Enabled());
    EXPECT_FALSE(form.Button1.Enabled());
    EXPECT_FALSE(form.send.Checked());
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
    EXPECT_EQ(form.PageControl1.Pages().size(), 5u);

    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_TRUE(form.Timer1.Running());
    EXPECT_EQ(form.Timer1.Interval(), 1000u);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Timer2.Running());
    EXPECT_EQ(form.Timer2.Interval(), 30000u);
    EXPECT_TRUE(form.Timer1.OnTimer);
    EXPECT_TRUE(form.Timer2.OnTimer);

    EXPECT_EQ(form.timeout.MinValue(), 10);
    EXPECT_EQ(form.timeout.MaxValue(), 60000);
    EXPECT_EQ(form.timeout.Value(), 30000);
    EXPECT_EQ(form.interval.MinValue(), 10);
    EXPECT_EQ(form.interval.MaxValue(), 240);
    // Created with 10, replaced by the loaded setting: 30 without a settings file.
    EXPECT_EQ(form.interval.Value(), 30);
    EXPECT_FALSE(form.params.ReadOnly());
    EXPECT_FALSE(form.Memo1.ReadOnly());
}

}  // namespace
