// The settings in "gen_quillon.ini" beside the player's other plug-ins: loaded when the
// window is created, written by Apply. The file is in the ANSI code page, as the player's
// other plug-ins and earlier versions keep theirs; the window's texts are UTF-8.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "tracker/settings_values.h"
#include "ui/main_form.h"

namespace {

constexpr char kSection[] = "Settings";
constexpr int kDefaultTimeoutMs = 30000;
constexpr int kDefaultIntervalSeconds = 30;

// The settings file for one load or save. The platform opens it for each single read or
// write; releasing this object puts the platform's cached content through to the disk.
class SettingsFile {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    ~SettingsFile() { platform::FlushProfileCache(path_); }
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    bool Has(const char* key) const { return platform::ReadProfileText(path_, kSection, key).has_value(); }
    // The default only when the key is absent; a key with an empty value gives "".
    std::string ReadText(const char* key, const std::string& fallback) const {
        const std::optional<std::string> value = platform::ReadProfileText(path_, kSection, key);
        return value ? platform::Utf8FromAnsi(*value) : fallback;
    }
    int ReadInteger(const char* key, int fallback) const {
        return tracker::IntegerSettingOrDefault(platform::ReadProfileText(path_, kSection, key),
                                                fallback);
    }
    void Write(const char* key, const std::string& value) const {
        if (!platform::WriteProfileText(path_, kSection, key, platform::AnsiFromUtf8(value)))
            throw std::runtime_error("Unable to write to " + platform::Utf8FromAnsi(path_));
    }
    void Flush() const { platform::FlushProfileCache(path_); }

private:
    std::string path_;
};

// The send timer's period: the interval in seconds times 1000, in 32 bits. Only a value typed
// beyond the range and applied without leaving the field can wrap.
unsigned SendPeriodMs(int intervalSeconds) {
    return static_cast<std::uint32_t>(intervalSeconds) * 1000u;
}

}  // namespace

void TMainForm::LoadSettings() {
    {
        const SettingsFile file(tracker::SettingsFilePath(context_.hostExecutablePath()));
        params.SetText(file.ReadText("Params", ""));
        urlbox.SetText(file.ReadText("Url", tracker::kDefaultUrl));
        // The spin edits clamp what the file says; the clamped values are the ones used.
        timeout.SetValue(file.ReadInteger("Timeout", kDefaultTimeoutMs));
        interval.SetValue(file.ReadInteger("Interval", kDefaultIntervalSeconds));
        send.SetChecked(file.ReadInteger("send", 0) != 0);
        // A new install posts UTF-8; an upgrade (settings without the key) keeps the code
        // page its receiver expects.
        const bool upgrade = file.Has("Params") || file.Has("Url") || file.Has("Interval") ||
                             file.Has("Timeout") || file.Has("send");
        utf8.SetChecked(file.ReadInteger("utf8", upgrade ? 0 : 1) != 0);
        poster.ConnectTimeout = timeout.Value();
        Timer2.SetInterval(SendPeriodMs(interval.Value()));
        Timer2.SetEnabled(false);
    }
    // Setting the controls fired their change handler; nothing has changed since the load.
    Button1.SetEnabled(false);
}

void TMainForm::SaveSettings(toolkit::Component&) {
    {
        // A failed write leaves through here: later keys stay unwritten, and the timer,
        // the time-out and Apply's state stay as they were.
        const SettingsFile file(tracker::SettingsFilePath(context_.hostExecutablePath()));
        file.Write("Params", params.Text());
        file.Write("Url", urlbox.Text());
        file.Write("Interval", std::to_string(interval.Value()));
        file.Write("Timeout", std::to_string(timeout.Value()));
        file.Write("send", send.Checked() ? "1" : "0");
        file.Write("utf8", utf8.Checked() ? "1" : "0");
        file.Flush();
    }
    poster.ConnectTimeout = timeout.Value();
    Timer2.SetInterval(SendPeriodMs(interval.Value()));
    // Cancels a submission pending for the current song: only the next change re-arms it.
    Timer2.SetEnabled(false);
    Button1.SetEnabled(false);
    // A corrected URL or password: the waiting plays are tried at once.
    poster.TryNow();
}
