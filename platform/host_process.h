// Where the running program lives.
#pragma once

#include <string>

namespace platform {

// Full path of the host process's main executable (not of a library loaded into it), as an
// 8-bit ANSI string; empty when the system cannot tell.
std::string HostProcessPath();

}  // namespace platform
