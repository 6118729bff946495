// Private to the POSIX stand-ins (files, profile): the one way they open a file.
#pragma once

#include <string>

namespace platform {

// The descriptor of `path` (the system's bytes) opened with `flags`, or -1. Only regular
// files are opened: a FIFO or a device in place of a music or settings file could block the
// player's thread for ever.
int OpenRegularFile(const std::string& path, int flags);

}  // namespace platform
