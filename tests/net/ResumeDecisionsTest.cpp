// What a broken download asks for next, what it makes of the answer, and
// when it gives up: the decisions on their own, without a line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "NetTestSupport.h"
#include "net/PartialDownload.h"
#include "net/RetrySchedule.h"

using namespace std::chrono_literals;
using net::AnswerUse;
using net::PartialIdentity;
using net::ResumePlan;

namespace {

platform::HttpHead Head(int status, int64_t first = -1, int64_t last = -1, int64_t total = -1, int64_t length = -1) {
    platform::HttpHead h;
    h.status = status;
    h.rangeFirst = first;
    h.rangeLast = last;
    h.rangeTotal = total;
    h.contentLength = length;
    return h;
}

TEST(ResumeDecisions, PlanAsksForTheRestOnlyOfAFileThatCanBeNamedAgain) {
    const PartialIdentity tagged{1000, "\"v1\"", "Vendor Notes"};
    struct Case {
        const char* what;
        std::optional<PartialIdentity> identity;
        int64_t have;
        int64_t from;
        bool complete;
    } cases[] = {
        {"nothing held", tagged, 0, 0, false},
        {"part held", tagged, 400, 400, false},
        {"all held", tagged, 1000, 1000, true},
        {"more than the file", tagged, 1200, 0, false},
        {"no identity", std::nullopt, 400, 0, false},
        {"no validator", PartialIdentity{1000, "", "x"}, 400, 0, false},
        {"length unknown", PartialIdentity{-1, "\"v1\"", "x"}, 400, 400, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ResumePlan plan = net::PlanResume(c.identity, c.have);
        EXPECT_EQ(plan.from, c.from);
        EXPECT_EQ(plan.complete, c.complete);
        EXPECT_EQ(plan.ifRange, c.from > 0 ? c.identity->validator : "");
    }
}

TEST(ResumeDecisions, AnswersAppendRestartOrStartOver) {
    const ResumePlan resuming{400, "\"v1\"", 1000, false};
    const ResumePlan fresh{};
    struct Case {
        const char* what;
        ResumePlan plan;
        platform::HttpHead head;
        AnswerUse use;
        int64_t fileLength = -1;  // of an answer that is used
    } cases[] = {
        {"the rest", resuming, Head(206, 400, 999, 1000), AnswerUse::Append, 1000},
        {"the rest, its length agreeing", resuming, Head(206, 400, 999, 1000, 600), AnswerUse::Append, 1000},
        {"the file changed: all of it", resuming, Head(200, -1, -1, -1, 1200), AnswerUse::Restart, 1200},
        {"a range from the start", resuming, Head(206, 0, 999, 1000), AnswerUse::Restart, 1000},
        // Only a part, though it starts at the start: the file is the range's
        // total long, whatever the part's own length.
        {"a part from the start", fresh, Head(206, 0, 299, 1000, 300), AnswerUse::Restart, 1000},
        {"another place", resuming, Head(206, 300, 999, 1000), AnswerUse::StartOver},
        {"a file of another length", resuming, Head(206, 400, 1999, 2000), AnswerUse::StartOver},
        {"range refused", resuming, Head(416, -1, -1, 400), AnswerUse::StartOver},
        {"a part that was not asked for", fresh, Head(206, 400, 999, 1000), AnswerUse::StartOver},
        // A part that cannot be placed, or whose end cannot be known.
        {"no range", resuming, Head(206, -1, -1, -1, 600), AnswerUse::Refuse},
        {"no range, from the start", fresh, Head(206, -1, -1, -1, 300), AnswerUse::Refuse},
        {"total not said", resuming, Head(206, 400, 999), AnswerUse::Refuse},
        {"last before first", resuming, Head(206, 400, 399, 1000), AnswerUse::Refuse},
        {"past the file's end", resuming, Head(206, 400, 1000, 1000), AnswerUse::Refuse},
        {"longer than its range", fresh, Head(206, 0, 299, 1000, 1000), AnswerUse::Refuse},
        {"error page", resuming, Head(404), AnswerUse::Refuse},
        {"server error", fresh, Head(500), AnswerUse::Refuse},
        {"no answer", fresh, Head(0), AnswerUse::Refuse},
        {"whole file", fresh, Head(200), AnswerUse::Restart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(net::JudgeAnswer(c.plan, c.head), c.use);
        if (c.use == AnswerUse::Append || c.use == AnswerUse::Restart) {
            EXPECT_EQ(net::FileLengthOf(c.head), c.fileLength);
        }
    }
}

TEST(ResumeDecisions, OnlyStrongValidatorsNameAFile) {
    platform::HttpHead h;
    h.lastModified = "Tue, 01 Jul 2025 10:00:00 GMT";
    EXPECT_EQ(net::ValidatorOf(h), h.lastModified);
    h.etag = "W/\"weak\"";
    EXPECT_EQ(net::ValidatorOf(h), h.lastModified) << "a weak tag may not be used for a range";
    h.etag = "\"strong\"";
    EXPECT_EQ(net::ValidatorOf(h), "\"strong\"");
    EXPECT_EQ(net::ValidatorOf(platform::HttpHead{}), "");
}

TEST(ResumeDecisions, TriesThatGetFurtherNeverRunOut) {
    const RetryPolicy policy{3, 100ms, 250ms};
    RetrySchedule progressing(policy, 0);
    for (int64_t have = 100; have <= 10000; have += 100) ASSERT_EQ(progressing.AfterFailure(have), 100ms);

    // Nothing new: the pause doubles up to its longest, and the third
    // fruitless try ends it; a try that gets further starts the count anew.
    RetrySchedule stuck(policy, 500);
    EXPECT_EQ(stuck.AfterFailure(500), 100ms);
    EXPECT_EQ(stuck.AfterFailure(200), 200ms) << "bytes lost (a restarted file) are no progress";
    EXPECT_EQ(stuck.AfterFailure(600), 100ms);
    EXPECT_EQ(stuck.AfterFailure(600), 100ms);
    EXPECT_EQ(stuck.AfterFailure(600), 200ms);
    EXPECT_EQ(stuck.AfterFailure(600), std::nullopt);

    RetrySchedule capped({6, 100ms, 250ms}, 0);
    for (auto expected : {100ms, 200ms, 250ms, 250ms, 250ms}) EXPECT_EQ(capped.AfterFailure(0), expected);
    EXPECT_EQ(capped.AfterFailure(0), std::nullopt);
}

TEST(ResumeDecisions, OnlyABrokenOrMissingLineIsWorthAnotherTry) {
    using O = platform::HttpOutcome;
    for (O o : {O::Short, O::ConnectFailed, O::TimedOut, O::Dropped, O::Failed}) EXPECT_TRUE(RetrySchedule::Retryable(o));
    for (O o : {O::Complete, O::Stopped}) EXPECT_FALSE(RetrySchedule::Retryable(o));
}

TEST(ResumeDecisions, OnlyTheTwoNamesOfAPartialDownloadBelongToATarget) {
    const std::filesystem::path dir = "/cabs";
    struct Case {
        const char* name;
        const char* bytesOf;     // target as a file of bytes held, "" for none
        const char* identityOf;  // target as an identity file, "" for none
    };
    for (const Case& c : {Case{"a.cab.partial", "/cabs/a.cab", ""}, Case{"a.cab.partial.info", "", "/cabs/a.cab"},
                          Case{".partial", "", ""}, Case{".partial.info", "", ""}, Case{"a.cab", "", ""},
                          Case{"a.partial.cab", "", ""}}) {
        SCOPED_TRACE(c.name);
        const auto bytesOf = net::TargetOfPartialFile(dir / c.name);
        const auto identityOf = net::TargetOfIdentityFile(dir / c.name);
        EXPECT_EQ(bytesOf ? bytesOf->string() : "", c.bytesOf);
        EXPECT_EQ(identityOf ? identityOf->string() : "", c.identityOf);
        EXPECT_EQ(net::IsPartialDownloadName(c.name), *c.bytesOf || *c.identityOf);
    }
}

TEST(ResumeDecisions, IdentitySurvivesOnDiskAndRefusesWhatWouldBreakItsLines) {
    const auto target = nettest::DeviceRootPath() / "Program Files" / "Tobrix" / "cabs" / "notes.cab";
    const auto file = net::IdentityFileOf(target);
    EXPECT_EQ(net::TargetOfIdentityFile(file), target);
    EXPECT_EQ(net::TargetOfIdentityFile(target), std::nullopt);
    ASSERT_TRUE(net::WriteIdentity(file, {1234, "\"a b\"", "Vendor Notes"}));
    auto back = net::ReadIdentity(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->length, 1234);
    EXPECT_EQ(back->validator, "\"a b\"");
    EXPECT_EQ(back->owner, "Vendor Notes");
    EXPECT_FALSE(net::WriteIdentity(file, {1, "\"x\"\nlength=5", "o"}));
    std::ofstream(file) << "length=twelve\nvalidator=x\n";
    EXPECT_FALSE(net::ReadIdentity(file)) << "a damaged identity names no file";
    std::ofstream(net::PartialFileOf(target)) << "abc";
    EXPECT_EQ(net::PartialSize(target), 3);
    net::RemovePartial(target);
    EXPECT_EQ(net::PartialSize(target), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
