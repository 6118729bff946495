// The settings file: what a load makes of it, what Apply writes, and what Apply resets.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/loopback_server.h"
#include "tests/ui/main_form_fixture.h"

namespace handlers_test {
namespace {

struct SettingsTest : ::testing::Test, MainFormFixture {
    // Loads a file holding these lines of the Settings section.
    TMainForm& OpenWith(const std::string& lines) {
        WriteSettings("[Settings]\r\n" + lines);
        return Open();
    }
};

TEST_F(SettingsTest, WithoutAFileEverySettingHasItsDefaultAndNothingIsWritten) {
    TMainForm& form = Open();
    EXPECT_EQ(form.params.Text(), "");
    EXPECT_EQ(form.urlbox.Text(), "http://127.0.0.1/test.php");
    EXPECT_EQ(form.timeout.Value(), 30000);
    EXPECT_EQ(form.interval.Text(), "30");
    EXPECT_FALSE(form.send.Checked());
    EXPECT_TRUE(form.utf8.Checked());  // a new install posts UTF-8
    EXPECT_EQ(form.poster.ConnectTimeout, 30000);
    EXPECT_EQ(form.Timer2.Interval(), 30000u);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Button1.Enabled());
    EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
    EXPECT_FALSE(std::filesystem::exists(PluginsFolder()));
}

TEST_F(SettingsTest, ValuesFromTheFileReachTheControlsTheClientAndTheTimer) {
    TMainForm& form = OpenWith("params=pw\r\nURL=http://example.test/in.php\r\n"
                               "timeout=4500\r\nInterval=45\r\nSEND=1\r\n");
    EXPECT_EQ(form.params.Text(), "pw");
    EXPECT_EQ(form.urlbox.Text(), "http://example.test/in.php");
    EXPECT_EQ(form.timeout.Value(), 4500);
    EXPECT_EQ(form.interval.Value(), 45);
    EXPECT_TRUE(form.send.Checked());
    EXPECT_EQ(form.poster.ConnectTimeout, 4500);
    EXPECT_EQ(form.Timer2.Interval(), 45000u);
    EXPECT_FALSE(form.Timer2.Enabled());
    // Every change above fired the change handler; the load ends with Apply disabled.
    EXPECT_FALSE(form.Button1.Enabled());
}

TEST_F(SettingsTest, AnEmptyUrlStaysEmptyAndNothingIsPosted) {
    TMainForm& form = OpenWith("Url=\r\nsend=1\r\n");
    EXPECT_EQ(form.urlbox.Text(), "");
    Play(MakeSong("a.mp3", nullptr));
    backend.advance(1000 + 30000);
    EXPECT_TRUE(form.log.Lines().empty());
    EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(SettingsTest, WholeNumbersAreClampedAndTextThatIsNoNumberGivesTheDefault) {
    struct Case {
        const char* interval;
        int intervalLoaded;
        const char* timeout;
        int timeoutLoaded;
        const char* send;
        bool checked;
    };
    const Case cases[] = {
        {"5", 10, "0", 10, "2", true},
        {"300", 240, "100000", 60000, "-1", true},
        {"0x1E", 30, "0X3E8", 1000, "yes", false},
        {"abc", 30, "", 30000, "", false},
        {" 20", 20, "$10", 16, "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        TMainForm& form = OpenWith(std::string("Interval=") + c.interval + "\r\nTimeout=" +
                                   c.timeout + "\r\nsend=" + c.send + "\r\n");
        EXPECT_EQ(form.interval.Value(), c.intervalLoaded);
        EXPECT_EQ(form.Timer2.Interval(), static_cast<unsigned>(c.intervalLoaded) * 1000u);
        EXPECT_EQ(form.timeout.Value(), c.timeoutLoaded);
        EXPECT_EQ(form.poster.ConnectTimeout, c.timeoutLoaded);
        EXPECT_EQ(form.send.Checked(), c.checked);
        EXPECT_FALSE(form.Button1.Enabled());
    }
}

TEST_F(SettingsTest, LongTextsAreReadUpToTheirFirst2047Characters) {
    std::string longUrl = "http://127.0.0.1/";
    while (longUrl.size() < 3000) longUrl += static_cast<char>('a' + longUrl.size() % 26);
    const std::string longPassword(3000, 'p');
    TMainForm& form = OpenWith("Params=" + longPassword + "\r\nUrl=" + longUrl + "\r\n");
    EXPECT_EQ(form.params.Text(), longPassword.substr(0, 2047));
    EXPECT_EQ(form.urlbox.Text(), longUrl.substr(0, 2047));
}

TEST_F(SettingsTest, Utf8IsOffForAnUpgradeWithoutTheKeyAndAsWrittenOtherwise) {
    const std::pair<const char*, bool> cases[] = {
        {"Url=http://old.test/\r\n", false},  // settings from before the check box
        {"send=1\r\n", false},
        {"Url=x\r\nutf8=1\r\n", true},
        {"utf8=0\r\n", false},
        {"UTF8=2\r\n", true},
        {"Other=1\r\n", true},  // none of the settings: as new
    };
    for (const auto& [lines, checked] : cases) {
        EXPECT_EQ(OpenWith(lines).utf8.Checked(), checked) << lines;
        EXPECT_FALSE(form().Button1.Enabled()) << lines;
    }
}

TEST_F(SettingsTest, TextsBeyondAsciiAreStoredInTheCodePage) {
    TMainForm& form = OpenWith("Params=caf\xE9\r\n");  // code page 1252
    EXPECT_EQ(form.params.Text(), "caf\xC3\xA9");
    form.params.SetText("\xE2\x82\xAC \xD0\x96");  // € Ж
    Apply();
    const std::vector<std::string> lines = SettingsLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Params=\x80 ?"), lines.end());
}

TEST_F(SettingsTest, ApplyWritesEveryKeyInTheirOrderAndPushesTheTimeoutAndInterval) {
    TMainForm& form = Open();
    std::filesystem::create_directory(PluginsFolder());
    form.urlbox.SetText("http://example.test/p.php");
    form.timeout.SetValue(5000);
    form.interval.SetValue(15);
    form.send.SetChecked(true);
    EXPECT_TRUE(form.Button1.Enabled());
    Apply();
    EXPECT_TRUE(backend.errorBoxes().empty());
    EXPECT_EQ(SettingsLines(), (std::vector<std::string>{
                                   "[Settings]", "Params=", "Url=http://example.test/p.php",
                                   "Interval=15", "Timeout=5000", "send=1", "utf8=1"}));
    EXPECT_EQ(form.poster.ConnectTimeout, 5000);
    EXPECT_EQ(form.Timer2.Interval(), 15000u);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Button1.Enabled());
}

TEST_F(SettingsTest, ApplyRewritesEveryKeyInPlaceAndKeepsTheRestOfTheFile) {
    TMainForm& form = OpenWith("Url=http://old.test/\r\nsend=0\r\nExtra=kept\r\n"
                               "[Other]\r\nUrl=not ours\r\n");
    form.urlbox.SetText("http://new.test/");
    Apply();
    const std::vector<std::string> lines = SettingsLines();
    EXPECT_EQ(lines, (std::vector<std::string>{"[Settings]", "Url=http://new.test/", "send=0",
                                               "Extra=kept", "Params=", "Interval=30",
                                               "Timeout=30000", "utf8=0", "[Other]", "Url=not ours"}));
    // A value typed beyond the range and applied without leaving the field is written as it
    // stands; the next load clamps it.
    backend.Type(form.interval, "0");
    EXPECT_EQ(form.interval.Text(), "300");
    Apply();
    const std::vector<std::string> after = SettingsLines();
    EXPECT_NE(std::find(after.begin(), after.end(), "Interval=300"), after.end());
}

TEST_F(SettingsTest, ApplyCancelsThePendingSubmissionAndTheNextSongIsPostedAfterTheNewInterval) {
    http_test::LoopbackServer server({{http_test::Answer("HTTP/1.0 200 OK", {}, "OK")}});
    TMainForm& form = OpenWith("send=1\r\nUrl=" + server.Url("/test.php") + "\r\n");
    Play(MakeSong("a.mp3", nullptr));
    backend.advance(1000);
    ASSERT_TRUE(form.Timer2.Running());
    form.interval.SetValue(10);
    backend.advance(20000);
    Apply();
    EXPECT_FALSE(form.Timer2.Enabled());
    backend.advance(60000);
    EXPECT_TRUE(form.log.Lines().empty());  // the current song is not posted

    Play(MakeSong("b.mp3", nullptr));
    backend.advance(1000 + 10000 - 1);
    EXPECT_TRUE(form.log.Lines().empty());
    backend.advance(1);
    EXPECT_EQ(form.log.Lines().size(), 3u);
    ASSERT_EQ(server.Requests().size(), 1u);
    const FormFields fields = ParseFormFields(server.Requests()[0].head, server.Requests()[0].body);
    ASSERT_EQ(fields.size(), 13u);
    EXPECT_TRUE(fields[7].second.ends_with("b.mp3")) << fields[7].second;
}

TEST_F(SettingsTest, AFailedWriteNamesTheFullPathAndChangesNothingElse) {
    TMainForm& form = Open();
    Play(MakeSong("a.mp3", nullptr));
    backend.advance(1000);
    form.timeout.SetValue(2000);
    form.interval.SetValue(100);
    const std::string expected = "Unable to write to " + SettingsPathText() + ".";

    // No Plugins folder, then a file in its place.
    Apply();
    test_support::WriteBytes(PluginsFolder(), {'x'});
    Apply();
    ASSERT_EQ(backend.errorBoxes().size(), 2u);
    for (const auto& box : backend.errorBoxes()) {
        EXPECT_EQ(box.text, expected);
        EXPECT_EQ(box.caption, "winamp");
    }
    EXPECT_TRUE(form.Button1.Enabled());
    EXPECT_EQ(form.poster.ConnectTimeout, 30000);
    EXPECT_EQ(form.Timer2.Interval(), 30000u);
    EXPECT_TRUE(form.Timer2.Running());  // the pending submission stays pending

    // Once the folder is there, Apply writes every key.
    std::filesystem::remove(PluginsFolder());
    std::filesystem::create_directory(PluginsFolder());
    Apply();
    EXPECT_EQ(backend.errorBoxes().size(), 2u);
    EXPECT_EQ(SettingsLines(), (std::vector<std::string>{
                                   "[Settings]", "Params=", "Url=http://127.0.0.1/test.php",
                                   "Interval=100", "Timeout=2000", "send=0", "utf8=1"}));
    EXPECT_FALSE(form.Button1.Enabled());
    EXPECT_EQ(form.poster.ConnectTimeout, 2000);
    EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(SettingsTest, TheNextStartReadsWhatApplyWrote) {
    {
        TMainForm& form = Open();
        std::filesystem::create_directory(PluginsFolder());
        form.params.SetText("pa ss");
        form.urlbox.SetText("http://host.test:8080/x.php?a=1");
        form.timeout.SetValue(777);
        form.interval.SetValue(240);
        form.send.SetChecked(true);
        form.utf8.SetChecked(false);
        Apply();
    }
    TMainForm& again = Open();
    EXPECT_EQ(again.params.Text(), "pa ss");
    EXPECT_EQ(again.urlbox.Text(), "http://host.test:8080/x.php?a=1");
    EXPECT_EQ(again.timeout.Value(), 777);
    EXPECT_EQ(again.interval.Value(), 240);
    EXPECT_TRUE(again.send.Checked());
    EXPECT_FALSE(again.utf8.Checked());
}

}  // namespace
}  // namespace handlers_test
