// The window as built: components, texts, places, looks and initial states.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "tests/ui/main_form_fixture.h"
#include "ui/addresses.h"

namespace {

struct LayoutTest : ::testing::Test, MainFormFixture {
    TMainForm& form = Build();
};

bool Overlap(const toolkit::Bounds& a, const toolkit::Bounds& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// What the table cannot say of itself: that it places every control once, and that the
// places and tab orders fit together.
TEST_F(LayoutTest, EveryControlIsPlacedOnceInsideItsParentClearOfItsSiblingsInTabOrder) {
    std::vector<toolkit::Control*> placed;
    for (const Placement& placement : form.Layout()) {
        SCOPED_TRACE(placement.control.Name());
        placed.push_back(&placement.control);
        EXPECT_EQ(placement.control.GetBounds(), placement.bounds);  // nothing moved it since
        const toolkit::Bounds& parent = placement.control.Parent()->GetBounds();
        EXPECT_GE(placement.bounds.left, 0);
        EXPECT_GE(placement.bounds.top, 0);
        EXPECT_LE(placement.bounds.left + placement.bounds.width, parent.width);
        EXPECT_LE(placement.bounds.top + placement.bounds.height, parent.height);
    }
    for (toolkit::TabSheet* page : form.PageControl1.Pages()) {
        EXPECT_EQ(page->GetBounds(), form.PageControl1.PageBounds()) << page->Name();
    }

    std::vector<toolkit::Control*> parents{&form};
    for (std::size_t next = 0; next < parents.size(); ++next) {
        const toolkit::Control& parent = *parents[next];
        SCOPED_TRACE(parent.Name());
        std::vector<int> tabOrders;
        for (toolkit::Control* child : parent.Children()) {
            parents.push_back(child);
            // The labels of the labelled edits are placed with their edits.
            const bool editLabel = child == &form.urlbox.EditLabel || child == &form.params.EditLabel;
            EXPECT_EQ(std::count(placed.begin(), placed.end(), child), editLabel ? 0 : 1) << child->Name();
            if (child->TabOrder() >= 0) tabOrders.push_back(child->TabOrder());
            if (child->Kind() == toolkit::ControlKind::TabSheet) continue;  // pages share their place
            for (toolkit::Control* sibling : parent.Children()) {
                EXPECT_TRUE(sibling == child || !Overlap(child->GetBounds(), sibling->GetBounds()))
                    << child->Name() << " on " << sibling->Name();
            }
        }
        std::sort(tabOrders.begin(), tabOrders.end());
        std::vector<int> firstOrders(tabOrders.size());
        std::iota(firstOrders.begin(), firstOrders.end(), 0);
        EXPECT_EQ(tabOrders, firstOrders);
    }
    EXPECT_EQ(parents.size(), placed.size() + 3);  // the form and the two edit labels
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

TEST_F(LayoutTest, MemosAndTableKeepTheirLooksAndTheTableFitsWithoutScrollBars) {
    EXPECT_EQ(form.Memo3.Lines().back(), ui::kProjectAddress);
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
    EXPECT_FALSE(table.Border());
    EXPECT_LE(table.KeyColumnWidth() + table.ValueColumnWidth(), table.GetBounds().width);
    // The header row and the rows.
    EXPECT_LE(static_cast<int>(table.Rows().size() + 1) * table.RowHeight(), table.GetBounds().height);
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
