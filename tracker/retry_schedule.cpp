#include "tracker/retry_schedule.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/whole_number.h"
#include "tracker/utc_time.h"

TPlayVerdict JudgeExchange(bool answered, int code) {
    if (!answered) return TPlayVerdict::Kept;
    if (code >= 200 && code <= 299) return TPlayVerdict::Sent;
    switch (code) {
        case 400: case 409: case 413: case 415: case 422: return TPlayVerdict::Refused;
        default: return TPlayVerdict::Kept;
    }
}

std::optional<std::int64_t> RetryAfterDelay(int code, std::string_view value,
                                            std::int64_t nowMs) {
    if (code != 429 && code != 503) return std::nullopt;
    constexpr std::int64_t kLongestMs = 60 * 60 * 1000;
    const std::string_view text = platform::Trim(value, " \t");
    // Seconds are digits only; anything beyond an hour is as good as an hour.
    constexpr platform::NumberGrammar kSeconds{.lowest = 0, .highest = 3600, .clipAbove = true};
    if (const auto seconds = platform::ParseWholeNumber(text, kSeconds))
        return std::min<std::int64_t>(*seconds * 1000, kLongestMs);
    if (const auto date = ParseHttpDate(text))
        return std::clamp<std::int64_t>(*date - nowMs, 0, kLongestMs);
    return std::nullopt;
}

bool TRetrySchedule::Failed(const std::string& playId, std::int64_t nowMs,
                            std::optional<std::int64_t> retryAfterMs, bool laterPlaysWait) {
    ++failuresInARow_;
    const int doublings = std::min(failuresInARow_ - 1, 16);
    const std::int64_t backOff = std::min(kFirstBackOffMs << doublings, kLongestBackOffMs);
    retryAfterUntilMs_ = retryAfterMs ? nowMs + *retryAfterMs : 0;
    nextTryMs_ = nowMs + std::max(backOff, retryAfterMs.value_or(0));
    PlayTries& play = plays_[playId];
    ++play.tries;
    if (++play.failuresSinceMoved < kFailuresBeforeMovingBehind || !laterPlaysWait) return false;
    play.failuresSinceMoved = 0;
    return true;
}

void TRetrySchedule::Settled(const std::string& playId) {
    failuresInARow_ = 0;
    nextTryMs_ = 0;
    retryAfterUntilMs_ = 0;
    plays_.erase(playId);
}

void TRetrySchedule::TryNow(std::int64_t nowMs) {
    if (nowMs >= retryAfterUntilMs_) nextTryMs_ = std::min(nextTryMs_, nowMs);
}

int TRetrySchedule::Tries(const std::string& playId) const {
    const auto found = plays_.find(playId);
    return found == plays_.end() ? 0 : found->second.tries;
}
