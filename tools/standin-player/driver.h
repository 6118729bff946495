// Runs the stand-in player for a test: from a folder of its own holding the program, its
// Plugins folder with the plug-in, the script and the playlist, and collects its report.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace standin {

struct Report {
    bool finished = false;  // false: still running at the time-out, and killed
    unsigned long exitCode = 0;
    std::vector<std::string> lines;  // each without its time prefix
    std::vector<unsigned long> times;  // the milliseconds of each line
};

struct Setup {
    std::filesystem::path player;  // standin-player.exe
    std::filesystem::path plugin;  // the DLL, copied to Plugins\gen_quillon.dll
    std::string script;
    std::vector<std::string> playlist;
};

// `folder` must exist and be empty; it keeps the player's files (and the plug-in's settings).
Report RunStandinPlayer(const std::filesystem::path& folder, const Setup& setup,
                        std::chrono::milliseconds timeout);

}  // namespace standin
