#include "net/RetrySchedule.h"

#include <algorithm>

std::optional<std::chrono::milliseconds> RetrySchedule::AfterFailure(int64_t have) {
    if (have > best) {
        best = have;
        fruitless = 0;
        return policy.firstPause;
    }
    if (++fruitless >= policy.fruitlessTries) return std::nullopt;
    std::chrono::milliseconds pause = policy.firstPause;
    for (int i = 1; i < fruitless && pause < policy.longestPause; ++i) pause *= 2;
    return std::min(pause, policy.longestPause);
}

bool RetrySchedule::Retryable(platform::HttpOutcome outcome) {
    switch (outcome) {
    case platform::HttpOutcome::Short:
    case platform::HttpOutcome::ConnectFailed:
    case platform::HttpOutcome::TimedOut:
    case platform::HttpOutcome::Dropped:
    case platform::HttpOutcome::Failed: return true;
    case platform::HttpOutcome::Complete:
    // The same server would send the same garbled coding again.
    case platform::HttpOutcome::Undecodable:
    case platform::HttpOutcome::Stopped: break;
    }
    return false;
}
