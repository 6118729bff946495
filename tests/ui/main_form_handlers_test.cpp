// The window's own handlers, driven through the headless backend as a user would.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/main_form_fixture.h"
#include "toolkit/keyboard.h"
#include "ui/addresses.h"

namespace {

struct HandlerTest : ::testing::Test, MainFormFixture {
    TMainForm& form = Open();
};

TEST_F(HandlerTest, AnyKeyInATagFieldEnablesWriteAndReloadButNotInTheFileName) {
    for (toolkit::Edit* field : {&form.ID3artist, &form.ID3title, &form.ID3album, &form.ID3year,
                                 &form.ID3genre, &form.ID3Comment, &form.ID3track}) {
        SCOPED_TRACE(field->Name());
        form.btnWriteTags.SetEnabled(false);
        form.btnReloadTags.SetEnabled(false);
        // An arrow key that only moves the caret counts, and the key passes unchanged.
        EXPECT_EQ(backend.Input(*field, &toolkit::Edit::HandleKeyDown, toolkit::kKeyDown, 0), toolkit::kKeyDown);
        EXPECT_TRUE(form.btnWriteTags.Enabled());
        EXPECT_TRUE(form.btnReloadTags.Enabled());
    }
    form.btnWriteTags.SetEnabled(false);
    form.btnReloadTags.SetEnabled(false);
    backend.Input(form.filename, &toolkit::Edit::HandleKeyDown, 'A', 0);
    form.ID3artist.SetText("set by the program");
    EXPECT_FALSE(form.btnWriteTags.Enabled());
    EXPECT_FALSE(form.btnReloadTags.Enabled());
    EXPECT_FALSE(form.Button1.Enabled());
}

TEST_F(HandlerTest, EachSettingChangeEnablesApplyAlsoWhenTheProgramMakesIt) {
    backend.Input(form.PageControl1, &toolkit::PageControl::HandlePageChosen, 1);
    auto applyAfter = [this](const std::function<void()>& change) {
        form.Button1.SetEnabled(false);
        change();
        return form.Button1.Enabled();
    };
    EXPECT_TRUE(applyAfter([&] { backend.Type(form.urlbox, "h"); }));
    EXPECT_TRUE(applyAfter([&] { form.params.SetText("secret"); }));
    EXPECT_TRUE(applyAfter([&] { form.interval.SetValue(45); }));
    EXPECT_TRUE(applyAfter([&] { backend.Input(form.timeout, &toolkit::SpinEdit::HandleStep, -1); }));
    EXPECT_TRUE(applyAfter([&] { backend.Input(form.send, &toolkit::Control::HandleClick); }));
    EXPECT_TRUE(applyAfter([&] { form.send.SetChecked(false); }));
    // No change, no event: the same text again, or a refused character.
    EXPECT_FALSE(applyAfter([&] { form.params.SetText("secret"); }));
    EXPECT_FALSE(applyAfter([&] { backend.Type(form.interval, "x"); }));
    EXPECT_EQ(backend.beeps(), 1);
    EXPECT_EQ(form.interval.Text(), "45");
    EXPECT_FALSE(applyAfter([&] { form.Memo1.SetText("not a setting"); }));
}

TEST_F(HandlerTest, ClosingHidesAndKeepsEverythingAsItWas) {
    form.ID3artist.SetText("Artist");
    form.log.AddLine("Code: 200");
    backend.Input(form.PageControl1, &toolkit::PageControl::HandlePageChosen, 4);
    backend.advance(500);
    backend.Input(form, &toolkit::Form::HandleCloseRequest);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.HandleAllocated());
    EXPECT_TRUE(form.Timer1.Running());
    form.ShowAndBringToFront();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.ID3artist.Text(), "Artist");
    EXPECT_EQ(form.log.Lines(), std::vector<std::string>{"Code: 200"});
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 4);
    EXPECT_TRUE(backend.errorBoxes().empty());
}

TEST_F(HandlerTest, AltF4OnTheWindowIsDiscardedAndOtherKeysPass) {
    const auto keyDown = [this](std::uint16_t key, toolkit::ShiftState shift) {
        return backend.Input(form, &toolkit::Form::HandleKeyDown, key, shift);
    };
    EXPECT_EQ(keyDown(toolkit::kKeyF4, toolkit::ssAlt), 0);
    EXPECT_EQ(keyDown(toolkit::kKeyF4, toolkit::ssAlt | toolkit::ssCtrl | toolkit::ssShift), 0);
    EXPECT_EQ(keyDown(toolkit::kKeyF4, 0), toolkit::kKeyF4);
    EXPECT_EQ(keyDown(toolkit::kKeyF4, toolkit::ssCtrl), toolkit::kKeyF4);
    EXPECT_EQ(keyDown('Q', toolkit::ssAlt), 'Q');
    EXPECT_TRUE(form.Visible());
}

TEST_F(HandlerTest, TheLinkTurnsBlackWithAHandWhileTheMouseIsOverIt) {
    backend.Input(form.Label12, &toolkit::Control::HandleMouseEnter);
    EXPECT_EQ(form.Label12.GetCursor(), toolkit::crHandPoint);
    EXPECT_EQ(form.Label12.EffectiveFont().color, toolkit::clBlack);
    EXPECT_TRUE(form.Label12.EffectiveFont().underline);
    EXPECT_EQ(form.linkNormalColor, toolkit::clBlue);
    backend.Input(form.Label12, &toolkit::Control::HandleMouseLeave);
    EXPECT_EQ(form.Label12.GetCursor(), toolkit::crDefault);
    EXPECT_EQ(form.Label12.EffectiveFont().color, toolkit::clBlue);
    EXPECT_TRUE(form.Label12.EffectiveFont().underline);

    backend.Input(form.Image1, &toolkit::Control::HandleMouseEnter);
    EXPECT_EQ(form.Image1.GetCursor(), toolkit::crHandPoint);
    backend.Input(form.Image1, &toolkit::Control::HandleMouseLeave);
    EXPECT_EQ(form.Image1.GetCursor(), toolkit::crDefault);
}

TEST_F(HandlerTest, LinkAndPictureOpenTheirAddressesInTheShell) {
    backend.Input(form.Label12, &toolkit::Control::HandleClick);
    backend.Input(form.Image1, &toolkit::Control::HandleClick);
    ASSERT_EQ(backend.shellOpens().size(), 2u);
    EXPECT_EQ(backend.shellOpens()[0].address, form.Label12.Text());
    EXPECT_EQ(backend.shellOpens()[0].owner, "MainForm");
    const std::string donation = backend.shellOpens()[1].address;
    EXPECT_EQ(donation, ui::kDonationAddress);
    EXPECT_NE(donation.find("business="), std::string::npos);
    EXPECT_NE(donation.find("item_name=Quillon"), std::string::npos);
    EXPECT_NE(donation.find("currency_code="), std::string::npos);
}

TEST_F(HandlerTest, FormCreateSelectsTheFirstPage) {
    backend.Input(form.PageControl1, &toolkit::PageControl::HandlePageChosen, 2);
    form.FormCreate(form);
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
}

TEST_F(HandlerTest, TabVisitsThePagesThenTheShownFieldsAndMnemonicsReachOnlyWhatTakesInput) {
    const auto stops = [this] {
        std::vector<std::string> names;
        for (toolkit::Control* control : toolkit::TabStops(form)) names.push_back(control->Name());
        return names;
    };
    EXPECT_EQ(stops(), (std::vector<std::string>{"PageControl1", "ID3artist", "ID3title", "ID3album", "ID3year",
                                                 "ID3genre", "ID3Comment", "ID3track", "filename"}));
    backend.Input(form.PageControl1, &toolkit::PageControl::HandlePageChosen, 1);
    EXPECT_EQ(stops(), (std::vector<std::string>{"PageControl1", "send", "utf8", "urlbox", "interval", "params",
                                                 "Memo1", "timeout"}));
    EXPECT_EQ(toolkit::NextTabStop(form, &form.timeout, false), &form.PageControl1);
    EXPECT_EQ(toolkit::NextTabStop(form, &form.PageControl1, true), &form.timeout);
    EXPECT_EQ(toolkit::NextTabStop(form, &form, false), &form.PageControl1);

    EXPECT_EQ(toolkit::MnemonicTarget(form, 'A'), nullptr);  // Apply is disabled
    backend.Type(form.urlbox, "x");
    EXPECT_EQ(toolkit::MnemonicTarget(form, 'A'), &form.Button1);
    EXPECT_EQ(toolkit::MnemonicTarget(form, 'a'), &form.Button1);
    EXPECT_EQ(toolkit::MnemonicTarget(form, 'u'), &form.utf8);
    // No two controls of the page share a letter.
    std::vector<char> letters;
    for (const Placement& placement : form.Layout()) {
        const char letter = toolkit::MnemonicOf(placement.text);
        if (letter == 0 || placement.control.Parent() != &form.GroupBox2) continue;
        EXPECT_EQ(std::count(letters.begin(), letters.end(), letter), 0) << placement.control.Name();
        letters.push_back(letter);
    }
    backend.Input(form.PageControl1, &toolkit::PageControl::HandlePageChosen, 0);
    EXPECT_EQ(toolkit::MnemonicTarget(form, 'a'), nullptr);  // its page doesn't show
}

TEST_F(HandlerTest, TheLogKeepsItsNewestMebibyteInWholeLines) {
    const std::string body(400 * 1024, 'x');
    for (char group : {'1', '2', '3'}) {
        form.log.AddLine(std::string("Code: 200 ") + group);
        form.log.AddLine("Output: " + body);
    }
    EXPECT_LE(form.log.Text().size(), 1024u * 1024u);
    const std::vector<std::string> expected{"Code: 200 2", "Output: " + body, "Code: 200 3", "Output: " + body};
    EXPECT_EQ(form.log.Lines(), expected);
}

TEST(MainFormLifetime, DestroyingTheWindowStopsItsTimers) {
    MainFormFixture fixture;
    {
        TMainForm form(fixture.backend, fixture.Context());
        fixture.backend.advance(3000);
    }
    fixture.backend.advance(3000);  // a timer left behind would tick into a destroyed window
    EXPECT_TRUE(fixture.backend.errorBoxes().empty());
}

}  // namespace
