// When a waiting play is tried again, and what an exchange's outcome means for it. Time is
// given by the caller (milliseconds since 1970 UTC), so the rules run without waiting.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

enum class TPlayVerdict {
    Sent,     // the site took it: removed
    Refused,  // the site will never take it: removed, with a log line
    Kept,     // tried again later
};

// `answered`: a status line was read in this exchange; `code` is its code.
TPlayVerdict JudgeExchange(bool answered, int code);

// How long a 429 or 503 answer asks to wait, from its Retry-After value (seconds or an HTTP
// date), at most an hour; nullopt for other codes and values that mean nothing.
std::optional<std::int64_t> RetryAfterDelay(int code, std::string_view value,
                                            std::int64_t nowMs);

class TRetrySchedule {
public:
    static constexpr std::int64_t kFirstBackOffMs = 30 * 1000;
    static constexpr std::int64_t kLongestBackOffMs = 30 * 60 * 1000;
    static constexpr int kFailuresBeforeMovingBehind = 10;

    // The exchange of `playId` at `nowMs` failed. True when the play is to be moved behind
    // the later plays: it failed kFailuresBeforeMovingBehind times in a row while they waited.
    bool Failed(const std::string& playId, std::int64_t nowMs,
                std::optional<std::int64_t> retryAfterMs, bool laterPlaysWait);
    // The site settled `playId` (sent or refused): it answers, so the back-off starts anew.
    void Settled(const std::string& playId);
    // A new song or Apply: the next try may come at once, unless Retry-After still pends.
    void TryNow(std::int64_t nowMs);

    // The moment before which no exchange starts; 0 when none failed.
    std::int64_t NextTryMs() const { return nextTryMs_; }
    bool Due(std::int64_t nowMs) const { return nowMs >= nextTryMs_; }
    // How many times `playId` was tried so far in this session.
    int Tries(const std::string& playId) const;

private:
    int failuresInARow_ = 0;  // of any play: drives the back-off
    std::int64_t nextTryMs_ = 0;
    std::int64_t retryAfterUntilMs_ = 0;
    struct PlayTries {
        int tries = 0;
        int failuresSinceMoved = 0;
    };
    std::map<std::string, PlayTries> plays_;
};
