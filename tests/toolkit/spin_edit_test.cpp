#include "toolkit/spin_edit.h"

#include <gtest/gtest.h>

#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace {

using toolkit::HeadlessBackend;

struct SpinEditFixture : ::testing::Test {
    HeadlessBackend backend;
    toolkit::Form form{backend, "Form"};
    toolkit::SpinEdit spin{&form, "spin"};
    int changes = 0;

    SpinEditFixture() {
        spin.SetRange(10, 240);
        spin.SetValue(10);
        spin.OnChange = [this](toolkit::Component&) { ++changes; };
        form.Loaded();
        form.Show();
    }
};

TEST_F(SpinEditFixture, SettingTheValueClampsItAndShowsItInDecimal) {
    spin.SetValue(5);
    EXPECT_EQ(spin.Text(), "10");
    spin.SetValue(300);
    EXPECT_EQ(spin.Text(), "240");
    spin.SetValue(30);
    EXPECT_EQ(spin.Value(), 30);
    EXPECT_EQ(changes, 2);  // 10 -> 10 was no change
    spin.SetValue(1LL << 40);
    EXPECT_EQ(spin.Value(), 240);
}

TEST_F(SpinEditFixture, TextThatIsNoNumberReadsAsTheMinimumAndValuesAreNotClampedWhenRead) {
    spin.SetText("abc");
    EXPECT_EQ(spin.Value(), 10);
    spin.SetText("");
    EXPECT_EQ(spin.Value(), 10);
    spin.SetText("999");
    EXPECT_EQ(spin.Value(), 999);
    spin.SetText("$1E");
    EXPECT_EQ(spin.Value(), 30);
}

TEST_F(SpinEditFixture, LettersAndEnterAreRefusedWithABeep) {
    spin.SetText("");
    backend.Type(spin, "a");
    EXPECT_EQ(spin.Text(), "");
    EXPECT_EQ(backend.beeps(), 1);
    backend.Type(spin, "12\r");
    EXPECT_EQ(spin.Text(), "12");
    EXPECT_EQ(backend.beeps(), 2);
    backend.Type(spin, "-+.");
    EXPECT_EQ(spin.Text(), "12-+.");
    EXPECT_EQ(backend.beeps(), 2);
    backend.Type(spin, "\b\b\b");  // Backspace is a control key and passes
    EXPECT_EQ(spin.Text(), "12");
    backend.Type(spin, " x/,");
    EXPECT_EQ(spin.Text(), "12");
    EXPECT_EQ(backend.beeps(), 6);
}

TEST_F(SpinEditFixture, ArrowKeysAndButtonsStepByOneWithinTheRange) {
    spin.SetValue(238);
    backend.Input(spin, &toolkit::Edit::HandleKeyDown, toolkit::kKeyUp, 0);
    EXPECT_EQ(spin.Value(), 239);
    backend.Input(spin, &toolkit::SpinEdit::HandleStep, 1);
    backend.Input(spin, &toolkit::SpinEdit::HandleStep, 1);
    EXPECT_EQ(spin.Value(), 240);
    backend.Input(spin, &toolkit::Edit::HandleKeyDown, toolkit::kKeyDown, 0);
    EXPECT_EQ(spin.Value(), 239);
    spin.SetText("abc");  // reads as the minimum, so Down stays at it
    backend.Input(spin, &toolkit::SpinEdit::HandleStep, -1);
    EXPECT_EQ(spin.Text(), "10");
}

TEST_F(SpinEditFixture, LosingTheFocusClampsAValueOutsideTheRange) {
    backend.Type(spin, "0");  // "100"
    backend.Input(spin, &toolkit::Edit::HandleFocusLost);
    EXPECT_EQ(spin.Text(), "100");
    backend.Type(spin, "0");
    EXPECT_EQ(spin.Value(), 1000);
    backend.Input(spin, &toolkit::Edit::HandleFocusLost);
    EXPECT_EQ(spin.Text(), "240");
    spin.SetText("-5");
    backend.Input(spin, &toolkit::Edit::HandleFocusLost);
    EXPECT_EQ(spin.Text(), "10");
    // A text that isn't a number reads as the minimum, which is in range: it stays.
    spin.SetText("1-");
    backend.Input(spin, &toolkit::Edit::HandleFocusLost);
    EXPECT_EQ(spin.Text(), "1-");
}

}  // namespace
