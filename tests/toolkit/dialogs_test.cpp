#include "toolkit/dialogs.h"

#include <gtest/gtest.h>

#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace {

TEST(ErrorBoxText, AppendsAFullStopUnlessTheLastCharacterIsAtMostAFullStop) {
    EXPECT_EQ(toolkit::ErrorBoxText("Unable to write to C:\\x.ini"), "Unable to write to C:\\x.ini.");
    EXPECT_EQ(toolkit::ErrorBoxText("'' is not a valid integer value"),
              "'' is not a valid integer value.");
    EXPECT_EQ(toolkit::ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(toolkit::ErrorBoxText("Stop!"), "Stop!");
    EXPECT_EQ(toolkit::ErrorBoxText("(see above)"), "(see above)");
    EXPECT_EQ(toolkit::ErrorBoxText("trailing blank "), "trailing blank ");
    EXPECT_EQ(toolkit::ErrorBoxText("a-b-"), "a-b-");
    // "/" comes right after ".".
    EXPECT_EQ(toolkit::ErrorBoxText("path/"), "path/.");
    EXPECT_EQ(toolkit::ErrorBoxText("'abc'"), "'abc'");  // a quote is below "."
    // Characters beyond ASCII count by their code, above ".".
    EXPECT_EQ(toolkit::ErrorBoxText("caf\xE9"), "caf\xE9.");
    EXPECT_EQ(toolkit::ErrorBoxText(""), ".");
}

TEST(ApplicationTitle, FileNameCutAtTheFirstDotWithTheRestLowerCased) {
    EXPECT_EQ(toolkit::ApplicationTitle("C:\\Program Files\\Winamp\\WINAMP.EXE"), "Winamp");
    EXPECT_EQ(toolkit::ApplicationTitle("C:\\Apps\\my.player.v2.exe"), "my");
    EXPECT_EQ(toolkit::ApplicationTitle("D:/tools/StandIn.exe"), "Standin");
    EXPECT_EQ(toolkit::ApplicationTitle("C:player.exe"), "player");
    EXPECT_EQ(toolkit::ApplicationTitle("\xC3\x89LAN\xC3\x89\xC5\xA0\xD0\x96.EXE"),
              "\xC3\x89lan\xC3\xA9\xC5\xA1\xD0\x96");  // ÉLANÉŠЖ: Ж stays
    EXPECT_EQ(toolkit::ApplicationTitle("noextension"), "noextension");
}

TEST(Boxes, MessageAndErrorBoxesCarryTheApplicationTitle) {
    toolkit::HeadlessBackend backend("Z:\\players\\TestHost.Exe");
    toolkit::Form form(backend, "Form");
    toolkit::ShowMessage(form, "Hello");
    toolkit::RunGuarded(form, [] { throw std::runtime_error("Broken"); });
    toolkit::RunGuarded(form, [] { throw 42; });
    ASSERT_EQ(backend.messageBoxes().size(), 1u);
    EXPECT_EQ(backend.messageBoxes()[0].caption, "Testhost");
    EXPECT_EQ(backend.messageBoxes()[0].text, "Hello");
    ASSERT_EQ(backend.errorBoxes().size(), 2u);
    EXPECT_EQ(backend.errorBoxes()[0].caption, "Testhost");
    EXPECT_EQ(backend.errorBoxes()[0].text, "Broken.");
    EXPECT_EQ(backend.errorBoxes()[1].text, "Unknown error.");
}

}  // namespace
