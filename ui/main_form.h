// The plug-in's one window: the song's tag, the settings, help, version history and the
// submission log on five pages, with the About strip under them. Its components keep the
// names of the layout; every event is wired to the handler of the same name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/host_process.h"
#include "player/player.h"
#include "toolkit/controls.h"
#include "toolkit/edits.h"
#include "toolkit/form.h"
#include "toolkit/page_control.h"
#include "toolkit/spin_edit.h"
#include "toolkit/timer.h"
#include "toolkit/value_list_editor.h"
#include "ui/song_poster.h"

class TID3v2;

// What the window works on that lives outside it, for the library's lifetime.
struct MainFormContext {
    TID3v2& songTag;
    std::string& lastFileName;
    player::MessageChannel& player;
    // Reads the player's window afresh at every send.
    std::function<player::WindowHandle()> playerWindow;
    // The host program's executable, whose folder holds the Plugins folder and the settings.
    std::function<std::string()> hostExecutablePath = platform::HostProcessPath;
    // Universal time in milliseconds since 1970: when songs were played, when to try again.
    std::function<std::int64_t()> utcNow = platform::UtcNowMilliseconds;
};

// A component's part of the layout: its text, its place in its parent's client area and its
// tab order (-1: none).
struct Placement {
    toolkit::Control& control;
    const char* text;
    toolkit::Bounds bounds;
    int tabOrder;
};

class TMainForm : public toolkit::Form {
public:
    // The log keeps its newest text up to this size, dropping the oldest lines whole.
    static constexpr std::size_t kLogCapBytes = 1024 * 1024;

    // Builds every component hidden, creates the window handle at once (Timer1 running),
    // then runs FormCreate.
    TMainForm(toolkit::Backend& backend, MainFormContext context);
    // Ends the submissions without waiting, then destroys the window with its timers.
    ~TMainForm() override;

    // The player's configure command: show the window and bring it to the front.
    void ShowAndBringToFront();

    // Fills the seven tag edits from the tag of the file named in `filename`.
    void loadTrack();
    // Fills the settings controls from the settings file and pushes the time-out and the
    // interval into `http` and Timer2.
    void LoadSettings();

    // Every component that has a place on screen, in the order the window is built.
    std::vector<Placement> Layout();

    toolkit::PageControl PageControl1{this, "PageControl1"};  // pages
    toolkit::TabSheet TabSheet1{PageControl1, "TabSheet1"};
    toolkit::GroupBox GroupBox1{&TabSheet1, "GroupBox1"};
    toolkit::Label Label3{&GroupBox1, "Label3"};
    toolkit::Label Label4{&GroupBox1, "Label4"};
    toolkit::Label Label5{&GroupBox1, "Label5"};
    toolkit::Label Label7{&GroupBox1, "Label7"};
    toolkit::Label Label9{&GroupBox1, "Label9"};
    toolkit::Label Label8{&GroupBox1, "Label8"};
    toolkit::Label Label6{&GroupBox1, "Label6"};
    toolkit::Edit ID3artist{&GroupBox1, "ID3artist"};
    toolkit::Edit ID3title{&GroupBox1, "ID3title"};
    toolkit::Edit ID3album{&GroupBox1, "ID3album"};
    toolkit::Edit ID3year{&GroupBox1, "ID3year"};
    toolkit::Edit ID3genre{&GroupBox1, "ID3genre"};
    toolkit::Edit ID3Comment{&GroupBox1, "ID3Comment"};
    toolkit::Edit ID3track{&GroupBox1, "ID3track"};
    toolkit::GroupBox GroupBox3{&TabSheet1, "GroupBox3"};
    toolkit::Label labelf{&GroupBox3, "labelf"};
    toolkit::Edit filename{&GroupBox3, "filename"};
    toolkit::Button btnWriteTags{&TabSheet1, "btnWriteTags"};
    toolkit::Button btnReloadTags{&TabSheet1, "btnReloadTags"};

    toolkit::TabSheet TabSheet2{PageControl1, "TabSheet2"};
    toolkit::GroupBox GroupBox2{&TabSheet2, "GroupBox2"};
    toolkit::LabeledEdit urlbox{&GroupBox2, "urlbox"};
    toolkit::Label Label10{&GroupBox2, "Label10"};
    toolkit::SpinEdit timeout{&GroupBox2, "timeout"};
    toolkit::Label Label11{&GroupBox2, "Label11"};
    toolkit::LabeledEdit params{&GroupBox2, "params"};
    toolkit::Memo Memo1{&GroupBox2, "Memo1"};  // hint
    toolkit::Label Label2{&GroupBox2, "Label2"};
    toolkit::SpinEdit interval{&GroupBox2, "interval"};
    toolkit::Label Label14{&GroupBox2, "Label14"};
    toolkit::CheckBox send{&GroupBox2, "send"};
    toolkit::CheckBox utf8{&GroupBox2, "utf8"};  // texts on the wire in UTF-8, else the code page
    toolkit::Button Button1{&GroupBox2, "Button1"};  // Apply

    toolkit::TabSheet TabSheet3{PageControl1, "TabSheet3"};
    toolkit::GroupBox GroupBox4{&TabSheet3, "GroupBox4"};
    toolkit::ValueListEditor ValueListEditor1{&GroupBox4, "ValueListEditor1"};  // parameters
    toolkit::Memo Memo2{&TabSheet3, "Memo2"};  // hint

    toolkit::TabSheet TabSheet4{PageControl1, "TabSheet4"};
    toolkit::Memo Memo3{&TabSheet4, "Memo3"};  // history

    toolkit::TabSheet TabSheet5{PageControl1, "TabSheet5"};
    toolkit::Memo log{&TabSheet5, "log"};

    toolkit::Panel Panel1{this, "Panel1"};
    toolkit::GroupBox GroupBox5{&Panel1, "GroupBox5"};
    toolkit::Label Label1{&GroupBox5, "Label1"};  // authorship
    toolkit::Label Label12{&GroupBox5, "Label12"};  // link
    toolkit::Image Image1{&GroupBox5, "Image1"};  // donation

    toolkit::Timer Timer1{*this, "Timer1"};  // poll
    toolkit::Timer Timer2{*this, "Timer2"};  // send
    // The plays, their outbox, and the HTTP client `http` that posts them, away from this
    // thread.
    TSongPoster poster{*this, log, [this] { return PostTarget(); },
                       [this] { return context_.utcNow(); }};

    // The link's colour while the mouse is over it, and its own colour while it is not.
    toolkit::Color linkHoverColor = toolkit::clBlack;
    toolkit::Color linkNormalColor = toolkit::clBlack;

    void FormCreate(toolkit::Component& Sender);
    void FormClose(toolkit::Component& Sender, toolkit::CloseAction& Action);
    void FormKeyDown(toolkit::Component& Sender, std::uint16_t& Key, toolkit::ShiftState Shift);
    // Any tag field's key.
    void ID3artistKeyDown(toolkit::Component& Sender, std::uint16_t& Key, toolkit::ShiftState Shift);
    void btnWriteTagsClick(toolkit::Component& Sender);
    void btnReloadTagsClick(toolkit::Component& Sender);
    // Any setting's change.
    void urlboxChange(toolkit::Component& Sender);
    void SaveSettings(toolkit::Component& Sender);
    void Label12Click(toolkit::Component& Sender);
    void Label12MouseEnter(toolkit::Component& Sender);
    void Label12MouseLeave(toolkit::Component& Sender);
    void Image1Click(toolkit::Component& Sender);
    void Image1MouseEnter(toolkit::Component& Sender);
    void Image1MouseLeave(toolkit::Component& Sender);
    void Timer1Timer(toolkit::Component& Sender);
    void SendSongInfo(toolkit::Component& Sender);

private:
    void BuildWindow();
    void BuildTagFields();
    void BuildConfigurationPage();
    void BuildHelpPage();
    void BuildAboutPages();
    void WireEvents();
    // Where each try posts, read from the controls at that moment.
    TSongPoster::Target PostTarget() const;
    const std::u16string& OutboxPath();

    MainFormContext context_;
    // When the song now shown became current: its play's time.
    std::int64_t songCurrentSinceMs_ = 0;
    std::u16string outboxPath_;
};
