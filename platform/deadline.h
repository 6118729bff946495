// The end of a time-out that starts when the deadline is made: a sequence of waits shares it,
// each wait getting what is left.
#pragma once

#include <algorithm>
#include <chrono>
#include <climits>

namespace platform {

class Deadline {
public:
    // `timeoutMs` of 0 or less: no deadline.
    explicit Deadline(long long timeoutMs)
        : bounded_(timeoutMs > 0), end_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    // Milliseconds left for the next wait, -1 for no bound; 0 once it has passed.
    int Remaining() const {
        if (!bounded_) return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    }

private:
    using Clock = std::chrono::steady_clock;
    bool bounded_;
    Clock::time_point end_;
};

}  // namespace platform
