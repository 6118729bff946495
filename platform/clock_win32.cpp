#include "platform/clock.h"

#include <windows.h>

namespace platform {

LocalDateTime LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
            now.wMilliseconds};
}

std::int64_t UtcNowMilliseconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    // 100 ns units since 1601; 11644473600 s lie between 1601 and 1970.
    const std::int64_t ticks =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / 10000 - 11644473600000LL;
}

}  // namespace platform
