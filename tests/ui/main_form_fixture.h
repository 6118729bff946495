// A TMainForm on the headless backend with a player that answers nothing.
#pragma once

#include <map>
#include <string>

#include "toolkit/headless_backend.h"
#include "ui/main_form.h"

#if __has_include("tags/id3v2.h")
#include "tags/id3v2.h"
#else
class TID3v2 {};  // the window only holds the tag object until the tag unit arrives
#endif

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

struct MainFormHarness {
    toolkit::HeadlessBackend backend{"C:\\Program Files\\Winamp\\winamp.exe"};
    TID3v2 songTag;
    std::string lastFileName;
    SilentPlayer player;
    TMainForm form{backend, MainFormContext{songTag, lastFileName, player, [] { return player::WindowHandle{0}; }}};

    std::map<std::string, toolkit::Control*> Controls() {
        std::map<std::string, toolkit::Control*> byName;
        CollectControls(form, byName);
        return byName;
    }
};
