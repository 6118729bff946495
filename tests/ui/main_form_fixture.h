// A TMainForm on the headless backend with a player that answers nothing.
#pragma once

#include <map>
#include <string>

#include "toolkit/headless_backend.h"
#include "ui/main_form.h"

#include "platform/codepage.h"
#include "tags/id3v2.h"
#include "tests/support/temp_dir.h"

class SilentPlayer : public player::MessageChannel {
public:
    std::intptr_t Send(player::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override {
        ++sends;
        return 0;
    }
    std::string CopyText(std::intptr_t) override { return {}; }
    int sends = 0;
};

// Every control of the window by name.
inline void CollectControls(toolkit::Control& control, std::map<std::string, toolkit::Control*>& byName) {
    byName[control.Name()] = &control;
    for (toolkit::Control* child : control.Children()) CollectControls(*child, byName);
}

// The host program sits in a fresh folder without a settings file (named with a backslash,
// as Windows names it, so that natively too the settings are looked for beside it).
inline MainFormContext SilentContext(TID3v2& songTag, std::string& lastFileName,
                                     SilentPlayer& player, const test_support::TempDir& hostDir) {
    MainFormContext context{songTag, lastFileName, player, [] { return player::WindowHandle{0}; }};
    context.hostExecutablePath = [&hostDir] {
        return platform::AnsiFromUtf16(hostDir.path().u16string()) + "\\winamp.exe";
    };
    return context;
}

struct MainFormHarness {
    toolkit::HeadlessBackend backend{"C:\\Program Files\\Winamp\\winamp.exe"};
    test_support::TempDir hostDir;
    TID3v2 songTag;
    std::string lastFileName;
    SilentPlayer player;
    TMainForm form{backend, SilentContext(songTag, lastFileName, player, hostDir)};

    std::map<std::string, toolkit::Control*> Controls() {
        std::map<std::string, toolkit::Control*> byName;
        CollectControls(form, byName);
        return byName;
    }
};
