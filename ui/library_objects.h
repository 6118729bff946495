// What the plug-in keeps from load to unload: the song's tag, the name of the file last seen,
// the backend that owns the windows (like an application object) and the window, which refers
// to the other three. Members go in reverse order, so the window goes first.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "player/player.h"
#include "tags/id3v2.h"
#include "toolkit/backend.h"
#include "ui/main_form.h"

struct LibraryObjects {
    // `playerWindow` is read at every send: the player names its window only after the load.
    LibraryObjects(std::unique_ptr<toolkit::Backend> backend, player::MessageChannel& player,
                   std::function<player::WindowHandle()> playerWindow)
        : application(std::move(backend)),
          mainForm(*application, MainFormContext{songTag, lastFileName, player, std::move(playerWindow)}) {}

    TID3v2 songTag;
    std::string lastFileName;
    std::unique_ptr<toolkit::Backend> application;
    TMainForm mainForm;
};
