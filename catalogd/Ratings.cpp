#include "Ratings.h"

#include "Db.h"
#include "Schema.h"
#include "TextFold.h"
#include "XmlWriter.h"

namespace catalogd {

std::string NormalizeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "--br--";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void StoreRateRank(Db& db, int64_t appId) {
    db.Prepare(std::string("UPDATE apps SET rate_rank = ") + kRateRank + " WHERE id = ?1").BindAll(appId).Run();
}

void Ratings::WriteReviews(XmlWriter& xml, int64_t appId) {
    Stmt& s = db.Prepare(
        "SELECT c.login, r.text, r.stars FROM ratings r JOIN accounts c ON c.id = r.account_id "
        "WHERE r.app_id = ?1 AND r.text <> '' ORDER BY r.time DESC, r.account_id");
    s.BindAll(appId);
    xml.Start("reviews");
    while (s.Step()) xml.Start("review").Attr("login", s.Text(0)).Attr("txt", s.Text(1)).Attr("rate", s.Int(2)).End();
    s.Reset();
    xml.End();
}

ResultCode Ratings::Rate(int64_t accountId, int64_t appId, int stars, std::string_view text, int64_t nowMs) {
    if (stars < 1 || stars > 5) return kBadRating;
    std::string kept = NormalizeLineBreaks(text);
    if (CharCount(text) > kMaxReviewChars) return kTextTooLong;
    Transaction tx(db);
    int64_t oldStars = 0;
    bool oldReview = false;
    {
        Stmt& s = db.Prepare("SELECT stars, text <> '' FROM ratings WHERE account_id = ?1 AND app_id = ?2");
        s.BindAll(accountId, appId);
        if (s.Step()) {
            oldStars = s.Int(0);
            oldReview = s.Int(1) != 0;
        }
        s.Reset();
    }
    bool had = oldStars > 0;
    bool review = !kept.empty();
    db.Prepare(
          "INSERT INTO ratings(account_id, app_id, stars, text, time) VALUES(?1, ?2, ?3, ?4, ?5) "
          "ON CONFLICT(account_id, app_id) DO UPDATE SET stars = excluded.stars, text = excluded.text, "
          "time = excluded.time")
        .BindAll(accountId, appId, int64_t(stars), kept, nowMs)
        .Run();
    db.Prepare("UPDATE apps SET rate_sum = rate_sum + ?2, rates = rates + ?3, reviews = reviews + ?4 WHERE id = ?1")
        .BindAll(appId, int64_t(stars) - oldStars, int64_t(had ? 0 : 1), int64_t(review) - int64_t(oldReview))
        .Run();
    StoreRateRank(db, appId);
    MarkCatalogChanged(db);
    tx.Commit();
    return kOk;
}

ResultCode Ratings::Feedback(int64_t accountId, int64_t appId, std::string_view text, int64_t nowMs) {
    if (CharCount(text) > kMaxFeedbackChars) return kTextTooLong;
    db.Prepare("INSERT INTO feedback(account_id, app_id, text, time) VALUES(?1, ?2, ?3, ?4)")
        .BindAll(accountId, appId, NormalizeLineBreaks(text), nowMs)
        .Run();
    return kOk;
}

}  // namespace catalogd
