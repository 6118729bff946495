#include "platform/profile.h"

#include <windows.h>

namespace platform {
namespace {

constexpr DWORD kBufferSize = kProfileValueLimit + 1;

bool IsOverLimit(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size > static_cast<ULONGLONG>(kProfileFileLimit);
}

std::string ReadWithDefault(const std::string& path, const std::string& section,
                            const std::string& key, const char* fallback) {
    char buffer[kBufferSize];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buffer,
                                            kBufferSize, path.c_str());
    return std::string(buffer, length);
}

}  // namespace

// The call hands back its default for a missing key and gives no other sign of absence. Two
// reads with different defaults tell the cases apart: a present key yields its own value both
// times, so only an absent one yields each default.
std::optional<std::string> ReadProfileText(const std::string& path, const std::string& section,
                                           const std::string& key) {
    if (IsOverLimit(path)) return std::nullopt;
    static constexpr char kFirst[] = "0", kSecond[] = "1";
    std::string first = ReadWithDefault(path, section, key, kFirst);
    std::string second = ReadWithDefault(path, section, key, kSecond);
    if (first == kFirst && second == kSecond) return std::nullopt;
    return first;
}

bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& value) {
    if (IsOverLimit(path)) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           0;
}

void FlushProfileCache(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

}  // namespace platform
