// Settings file: the input is "gen_quillon.ini" as a user or another program left it. The
// window's load gives every setting its default or a value within its range, and what Apply
// then writes loads again unchanged.
#include <filesystem>
#include <memory>
#include <string>

#include "player/player.h"
#include "tags/id3v2.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"
#include "toolkit/headless_backend.h"
#include "ui/main_form.h"

namespace {

// Nobody plays anything: the settings never reach the player.
class SilentPlayer : public player::MessageChannel {
public:
    std::intptr_t Send(player::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override {
        return 0;
    }
    std::string CopyText(std::intptr_t) override { return ""; }
    std::u16string CopyWideText(std::intptr_t) override { return u""; }
};

// One window for the whole run; each input is loaded into it afresh. The host program's
// folder name ends in a backslash, so that the settings path cut after the last backslash
// lands in it as it does on Windows.
struct Window {
    Window() {
        std::filesystem::create_directories(plugins);
        context.hostExecutablePath = [] { return (fuzz::ScratchFolder() / "Player\\winamp.exe").string(); };
        form = std::make_unique<TMainForm>(backend, context);
    }

    const std::filesystem::path plugins = fuzz::ScratchFolder() / "Player\\" / "Plugins";
    toolkit::HeadlessBackend backend;
    TID3v2 songTag;
    std::string lastFileName;
    SilentPlayer player;
    MainFormContext context{songTag, lastFileName, player, [] { return player::WindowHandle{}; }};
    std::unique_ptr<TMainForm> form;
};

// Blanks, quotes and a CR at a value's ends do not survive a write and a read, on Windows
// neither; none of them can be typed into the window's one-line edits.
bool KeepsItsEnds(const std::string& text) {
    const std::string ends = " \t\"'\r";
    return text.empty() || (ends.find(text.front()) == std::string::npos &&
                            ends.find(text.back()) == std::string::npos);
}

void CheckLoaded(TMainForm& form) {
    FUZZ_CHECK(form.params.Text().size() <= 2047 && form.urlbox.Text().size() <= 2047,
               "a text setting longer than 2047 characters");
    const int timeout = form.timeout.Value();
    const int interval = form.interval.Value();
    FUZZ_CHECK(timeout >= 10 && timeout <= 60000, "Timeout " + std::to_string(timeout));
    FUZZ_CHECK(interval >= 10 && interval <= 240, "Interval " + std::to_string(interval));
    FUZZ_CHECK(form.poster.ConnectTimeout == timeout, "the client's time-out is not the setting");
    FUZZ_CHECK(form.Timer2.Interval() == static_cast<unsigned>(interval) * 1000u &&
                   !form.Timer2.Enabled(),
               "the send timer does not follow the interval");
    FUZZ_CHECK(!form.Button1.Enabled(), "Apply is enabled after a load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Window window;
    TMainForm& form = *window.form;
    test_support::WriteBytes(window.plugins / "gen_quillon.ini", {data, data + size});
    form.LoadSettings();
    CheckLoaded(form);

    const std::string params = form.params.Text();
    const std::string url = form.urlbox.Text();
    const int timeout = form.timeout.Value();
    const int interval = form.interval.Value();
    const bool send = form.send.Checked();
    form.SaveSettings(form.Button1);
    form.LoadSettings();
    CheckLoaded(form);
    FUZZ_CHECK(form.timeout.Value() == timeout && form.interval.Value() == interval &&
                   form.send.Checked() == send,
               "a number or the post switch changed through Apply");
    if (KeepsItsEnds(params)) FUZZ_CHECK(form.params.Text() == params, "the password changed through Apply");
    if (KeepsItsEnds(url)) FUZZ_CHECK(form.urlbox.Text() == url, "the URL changed through Apply");
    return 0;
}
