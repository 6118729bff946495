// A TMainForm with everything its handlers reach replaced: a player that plays a playlist
// and records its commands, a host program in a fresh folder (for the settings file),
// music files made by the test, and the headless backend's manual clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "player/player.h"
#include "tags/id3v2.h"
#include "tests/support/temp_dir.h"
#include "toolkit/headless_backend.h"
#include "ui/main_form.h"

// Answers the queries from its playlist (names in UTF-8; in UTF-16 to IPC_GETPLAYLISTFILEW
// unless it is an old player, in the code page to IPC_GETPLAYLISTFILE) and records the
// commands it is sent.
class PlaylistPlayer : public player::MessageChannel {
public:
    struct Message {
        player::WindowHandle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    std::vector<std::string> playlist;
    std::int32_t position = 0;
    bool oldPlayer = false;  // answers IPC_GETPLAYLISTFILEW with 0
    std::vector<Message> messages;      // everything sent, in order
    std::vector<std::uint16_t> commands;  // the WM_COMMAND ones
    // Runs when a command arrives, before it is answered.
    std::function<void(std::uint16_t)> onCommand;

    std::intptr_t Send(player::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    std::string CopyText(std::intptr_t address) override;
    std::u16string CopyWideText(std::intptr_t address) override;

private:
    // The answers handed out, kept alive as a player keeps its own.
    std::vector<std::unique_ptr<std::string>> ansiAnswers_;
    std::vector<std::unique_ptr<std::u16string>> wideAnswers_;
};

// The tag texts of a test song; an empty set writes no tag at all.
struct SongTagFields {
    std::string artist, title, album, year, genre, comment;
    int track = 0;
};

// The ten fields of a posted form, by name in their order.
using FormFields = std::vector<std::pair<std::string, std::string>>;
FormFields ParseFormFields(const std::string& requestHead, const std::string& requestBody);

class MainFormFixture {
public:
    static constexpr player::WindowHandle kPlayerWindow = 0x4A11;
    // Universal time when the manual clock reads 0: 2026-12-09T07:58:00Z.
    static constexpr std::int64_t kClockStartMs = 1796803080000;

    MainFormFixture();
    ~MainFormFixture();

    // What the window is built with: this fixture's tag, name, player and host program.
    MainFormContext Context();
    // Builds the window hidden on the headless backend, as the library builds it; it loads
    // the settings as it is created.
    TMainForm& Build();
    // Builds it and shows it, as the user has it while typing and clicking.
    TMainForm& Open();
    TMainForm& form() { return *form_; }

    // A music file in the test's folder, with a tag unless `tag` is null; returns its full
    // name in UTF-8.
    std::string MakeSong(const std::string& name, const SongTagFields* tag);
    // The file's tag as a fresh read finds it.
    TID3v2 ReadSong(const std::string& path) const;

    // The host program's folder: its Plugins folder holds the settings file. Natively the
    // folder's name ends in a backslash, so that the cut of the host path after its last
    // backslash lands on it as it does on Windows.
    std::filesystem::path HostFolder() const;
    std::filesystem::path PluginsFolder() const { return HostFolder() / "Plugins"; }
    std::filesystem::path SettingsFile() const { return PluginsFolder() / "gen_quillon.ini"; }
    // The settings file's name as the window builds it, mixed separators and all.
    std::string SettingsPathText() const;
    // Creates the Plugins folder and writes `content` as the settings file.
    void WriteSettings(const std::string& content);
    // The settings file's lines, line ends removed.
    std::vector<std::string> SettingsLines() const;

    // Presses Apply on the Configuration page, as the user does.
    void Apply();

    // Makes the player play `path` from the next tick on.
    void Play(const std::string& path);

    toolkit::HeadlessBackend backend{"C:\\Program Files\\Winamp\\winamp.exe"};
    test_support::TempDir dir;
    TID3v2 songTag;
    std::string lastFileName;
    PlaylistPlayer player;

private:
    std::string HostExecutable() const;

    std::unique_ptr<TMainForm> form_;
};

