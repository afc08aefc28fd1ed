#pragma once
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/http/HttpClient.h"

// When a download whose line broke tries again. A mobile line drops often and
// comes back; what ends the attempts is not how often it dropped but how many
// tries in a row brought nothing new, so a line that drops every few seconds
// but gets a little further each time still delivers the whole file.
struct RetryPolicy {
    // Tries in a row that add no byte to what is held before the download fails.
    int fruitlessTries = 5;
    // The pause after a try that got further; each fruitless try doubles it,
    // up to the longest.
    std::chrono::milliseconds firstPause{1000};
    std::chrono::milliseconds longestPause{30000};
};

class RetrySchedule {
public:
    // `have`: the bytes held before the first try.
    RetrySchedule(const RetryPolicy& policy, int64_t have) : policy(policy), best(have) {}

    // After a failed try that left `have` bytes held: the pause before the
    // next try, or nullopt when the download should give up.
    std::optional<std::chrono::milliseconds> AfterFailure(int64_t have);

    // Whether a try that failed this way is worth repeating: a broken or
    // missing line is; an answer the server meant (an error page), a device
    // that cannot store the file, or the user's cancel are not.
    static bool Retryable(platform::HttpOutcome outcome);

private:
    RetryPolicy policy;
    int64_t best;
    int fruitless = 0;
};
