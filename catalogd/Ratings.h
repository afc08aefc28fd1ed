#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "ResultCode.h"

namespace catalogd {

class Db;
class XmlWriter;

// Longest review and feedback texts the service keeps, in characters.
inline constexpr size_t kMaxReviewChars = 2000;
inline constexpr size_t kMaxFeedbackChars = 4000;

// Ratings, reviews and feedback. One rating per account and application: a
// second rating replaces the first, and the application's average, rating
// count and review count follow in the same transaction.
class Ratings {
public:
    explicit Ratings(Db& db) : db(db) {}

    // <reviews> with <review login txt rate>, newest first; only ratings
    // that came with a text are reviews.
    void WriteReviews(XmlWriter& xml, int64_t appId);
    ResultCode Rate(int64_t accountId, int64_t appId, int stars, std::string_view text, int64_t nowMs);
    ResultCode Feedback(int64_t accountId, int64_t appId, std::string_view text, int64_t nowMs);

private:
    Db& db;
};

// Free texts are kept in the client's form: each line break as "--br--".
std::string NormalizeLineBreaks(std::string_view text);

// Sets the application's rating order key from its ratings' sum and count;
// whoever changes those calls it in the same transaction.
void StoreRateRank(Db& db, int64_t appId);

}  // namespace catalogd
