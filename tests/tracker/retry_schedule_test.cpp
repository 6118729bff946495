#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tracker/retry_schedule.h"
#include "tracker/utc_time.h"

namespace {

constexpr std::int64_t kSecond = 1000;
// 2026-12-09T07:58:31Z, as Python's datetime counts it.
constexpr std::int64_t kNow = 1796803111 * kSecond;

}  // namespace

TEST(UtcTime, TimestampsAndHttpDates) {
    // Reference values from Python's datetime.
    const struct { std::int64_t seconds; const char* text; } stamps[] = {
        {0, "1970-01-01T00:00:00Z"},         {-1, "1969-12-31T23:59:59Z"},
        {1709251199, "2024-02-29T23:59:59Z"}, {951868800, "2000-03-01T00:00:00Z"},
        {1796803111, "2026-12-09T07:58:31Z"}};
    for (const auto& stamp : stamps) {
        EXPECT_EQ(FormatUtcTimestamp(stamp.seconds * kSecond), stamp.text);
        EXPECT_EQ(FormatUtcTimestamp(stamp.seconds * kSecond + 999), stamp.text);
    }
    for (const char* date : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"})
        EXPECT_EQ(ParseHttpDate(date), std::optional<std::int64_t>(784111777 * kSecond)) << date;
    for (const char* junk : {"", "soon", "Sun, 06 Nov 1994", "Sun, 06 Nov 1994 08:49:37 CET",
                             "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 32 Nov 1994 08:49:37 GMT",
                             "Sun, 06 Nov 1994 25:49:37 GMT"})
        EXPECT_EQ(ParseHttpDate(junk), std::nullopt) << junk;
}

TEST(RetrySchedule, WhatAnAnswerMeansForThePlay) {
    for (int code : {200, 201, 204, 299}) EXPECT_EQ(JudgeExchange(true, code), TPlayVerdict::Sent);
    for (int code : {400, 409, 413, 415, 422})
        EXPECT_EQ(JudgeExchange(true, code), TPlayVerdict::Refused) << code;
    for (int code : {-1, 100, 199, 300, 301, 302, 304, 401, 402, 403, 404, 405, 408, 410, 411,
                     429, 500, 502, 503, 599})
        EXPECT_EQ(JudgeExchange(true, code), TPlayVerdict::Kept) << code;
    // No status line in this exchange: whatever code an earlier one left.
    for (int code : {-1, 200, 400}) EXPECT_EQ(JudgeExchange(false, code), TPlayVerdict::Kept);
}

TEST(RetrySchedule, RetryAfterInSecondsOrAsADate) {
    const struct { int code; const char* value; std::optional<std::int64_t> delay; } cases[] = {
        {503, "2", 2 * kSecond},
        {429, " 120 ", 120 * kSecond},
        {503, "0", 0},
        {503, "7200", 3600 * kSecond},
        {503, "99999999999999999999", 3600 * kSecond},
        {429, "Wed, 09 Dec 2026 07:59:01 GMT", 30 * kSecond},
        {503, "Wed, 09 Dec 2026 07:00:00 GMT", 0},
        {503, "Thu, 10 Dec 2026 07:58:31 GMT", 3600 * kSecond},
        {500, "2", std::nullopt},
        {200, "2", std::nullopt},
        {503, "soon", std::nullopt},
        {503, "-1", std::nullopt},
        {503, "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RetryAfterDelay(c.code, c.value, kNow), c.delay) << c.code << " " << c.value;
}

TEST(RetrySchedule, BackOffDoublesToHalfAnHourAndSettlingResetsIt) {
    TRetrySchedule schedule;
    EXPECT_TRUE(schedule.Due(kNow));
    const std::vector<std::int64_t> delays = {30, 60, 120, 240, 480, 960, 1800, 1800, 1800};
    std::int64_t now = kNow;
    for (std::int64_t delay : delays) {
        schedule.Failed("a", now, std::nullopt, false);
        EXPECT_EQ(schedule.NextTryMs() - now, delay * kSecond);
        EXPECT_FALSE(schedule.Due(schedule.NextTryMs() - 1));
        EXPECT_TRUE(schedule.Due(schedule.NextTryMs()));
        now = schedule.NextTryMs();
    }
    EXPECT_EQ(schedule.Tries("a"), static_cast<int>(delays.size()));
    schedule.Settled("a");
    EXPECT_TRUE(schedule.Due(now));
    EXPECT_EQ(schedule.Tries("a"), 0);
    schedule.Failed("b", now, std::nullopt, false);
    EXPECT_EQ(schedule.NextTryMs() - now, 30 * kSecond);
}

TEST(RetrySchedule, RetryAfterWinsWhenLaterAndHoldsBackEarlyTries) {
    TRetrySchedule schedule;
    schedule.Failed("a", kNow, 2 * kSecond, false);  // the back-off's 30 s are later
    EXPECT_EQ(schedule.NextTryMs(), kNow + 30 * kSecond);
    schedule.TryNow(kNow + kSecond);  // the site's 2 s still pend
    EXPECT_FALSE(schedule.Due(kNow + kSecond));
    schedule.TryNow(kNow + 2 * kSecond);
    EXPECT_TRUE(schedule.Due(kNow + 2 * kSecond));

    schedule.Failed("a", kNow, 3600 * kSecond, false);
    EXPECT_EQ(schedule.NextTryMs(), kNow + 3600 * kSecond);
    schedule.TryNow(kNow + 3599 * kSecond);
    EXPECT_FALSE(schedule.Due(kNow + 3599 * kSecond));

    // Without Retry-After a new song or Apply tries at once.
    schedule.Failed("a", kNow, std::nullopt, false);
    schedule.TryNow(kNow + kSecond);
    EXPECT_TRUE(schedule.Due(kNow + kSecond));
}

TEST(RetrySchedule, APlayFailingTenTimesInARowMovesBehindOnlyWhenOthersWait) {
    TRetrySchedule schedule;
    for (int round = 0; round < 2; ++round) {
        for (int failure = 1; failure < TRetrySchedule::kFailuresBeforeMovingBehind; ++failure)
            EXPECT_FALSE(schedule.Failed("a", kNow, std::nullopt, true)) << failure;
        EXPECT_TRUE(schedule.Failed("a", kNow, std::nullopt, true)) << round;
    }
    for (int failure = 0; failure < 3 * TRetrySchedule::kFailuresBeforeMovingBehind; ++failure)
        EXPECT_FALSE(schedule.Failed("alone", kNow, std::nullopt, false));
}
