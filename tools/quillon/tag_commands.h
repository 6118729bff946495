// `quillon read` and `quillon write`: the tag unit without a player.
// Each takes the arguments after its command word, in UTF-8, and returns the exit code:
// 0 done, 1 failed (message on stderr), 2 bad arguments (usage on stderr).
#pragma once

#include <string>
#include <vector>

extern const char kReadUsage[];
extern const char kWriteUsage[];

int RunRead(const std::vector<std::string>& args);
int RunWrite(const std::vector<std::string>& args);
