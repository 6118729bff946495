// The profile (INI file) calls for the plug-in's settings file. Paths, sections, keys and
// values are 8-bit ANSI strings. Windows: GetPrivateProfileStringA/WritePrivateProfileStringA;
// elsewhere a stand-in that reads and writes the file the same way for one section.
// The names avoid "...ProfileString", which windows.h defines as macros.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// A value read comes back with at most this many characters, as a 2048-character buffer
// with its terminating null gives.
inline constexpr std::size_t kProfileValueLimit = 2047;

// A settings file larger than this is not read: every key of it reads as absent and every
// write to it fails. It keeps a damaged or hostile file from exhausting memory.
inline constexpr long long kProfileFileLimit = 1 << 20;

// The value of `key` in `section`, both looked up without regard to (ASCII) case; nullopt
// when the file, the section or the key is missing. Blanks around the value, and a pair of
// matching quotes enclosing it, are dropped.
std::optional<std::string> ReadProfileText(const std::string& path, const std::string& section,
                                           const std::string& key);

// Sets `key` in `section` to `value`: in place when the key exists, else appended at the end
// of the section; a missing section is appended to the file, and a missing file created. The
// rest of the file is kept. False when the file cannot be written (missing or write-protected
// directory, write-protected file, file over the limit).
bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& value);

// Makes the platform put any cached profile content for `path` through to the disk.
void FlushProfileCache(const std::string& path);

}  // namespace platform
