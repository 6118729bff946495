// Moments in universal time, as milliseconds since 1970-01-01 00:00:00 UTC, and the two ways
// they are written on the wire.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "2026-12-09T07:58:31Z": the second the moment falls in.
std::string FormatUtcTimestamp(std::int64_t utcMs);

// An HTTP date in any of its three forms ("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94
// 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"); nullopt for anything else.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);
