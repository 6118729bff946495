// `quillon post URL [--artist A] [--album B] [--title T] [--track N] [--year Y] [--genre G]
//  [--comment C] [--filename PATH] [--password P] [--timeout MS] [--count N]`
// Posts the ten fields of a song submission to URL N times with one HTTP client (cookies and
// the last status line carry over) and prints the three result lines after each post, as the
// window's log shows them. Lets users test their receiving script without a player.
#pragma once

#include <string>
#include <vector>

// `args` are the words after "post", in UTF-8. Returns 0 when the last post succeeded,
// 1 when it failed or its answer's body was cut short, 2 for a usage error.
int RunPost(const std::vector<std::string>& args);
extern const char kPostUsage[];
