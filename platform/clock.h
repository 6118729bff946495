// The clock: the local date and time, to the millisecond.
#pragma once

#include <cstdint>

namespace platform {

struct LocalDateTime {
    int year;         // e.g. 2026
    int month;        // 1..12
    int day;          // 1..31
    int hour;         // 0..23
    int minute;       // 0..59
    int second;       // 0..59
    int millisecond;  // 0..999
};

// The wall clock in the user's time zone, not universal time.
LocalDateTime LocalNow();

// Universal time: milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t UtcNowMilliseconds();

}  // namespace platform
