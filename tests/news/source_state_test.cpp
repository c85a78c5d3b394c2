// What a source keeps between requests: the outcome of each kind of feed answer, the records
// folder, and which sources an options file puts in effect. (The alarm server's status rule is
// tested where it shows, in the widget's refresh tests.)
#include "news/source_state.h"

#include "news/feeds/sources.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace news;
using feeds::TSourceCache;
namespace fs = std::filesystem;

constexpr feeds::TUnixTime Now = 1741082400; // 2025-03-04 10:00 UTC

const std::string Rss = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kanal</title>"
                        "<item><title>Bir</title><guid>g1</guid></item>"
                        "<item><title>Iki</title><guid>g2</guid></item></channel></rss>";

TSourceCache Stored() {
    TSourceCache cache;
    cache.Url = "http://127.0.0.1:9/rss";
    cache.Name = "Eski";
    cache.ETag = "\"e0\"";
    cache.LastModified = "Mon, 03 Mar 2025 10:00:00 GMT";
    feeds::TFeedItem old;
    old.Id = "old";
    old.Title = "Eski haber";
    cache.Items.push_back(old);
    return cache;
}

TSourceAnswer Reply(int status, std::string body = {}, bool completed = true) {
    TSourceAnswer a;
    a.Completed = completed;
    a.Status = status;
    a.Body = std::move(body);
    return a;
}

TEST(SourceState, EachKindOfFeedAnswerKeepsOrReplacesTheItems) {
    TSourceAnswer fresh = Reply(200, Rss);
    fresh.ETag = "\"e1\"";
    fresh.LastModified = "Tue, 04 Mar 2025 09:00:00 GMT";
    fresh.CacheControl = "max-age=600";
    TSourceAnswer notModified = Reply(304);
    notModified.ETag = "\"e2\"";
    TSourceAnswer throttled = Reply(429, "later");
    throttled.RetryAfter = "120";
    TSourceAnswer unavailable = Reply(503, "<html>busy</html>");
    unavailable.RetryAfter = "Tue, 04 Mar 2025 11:00:00 GMT";
    struct Case {
        const char* Name;
        TSourceAnswer Answer;
        TFetchResult Result;
        std::size_t Items;
        std::string ETag;
        feeds::TUnixTime NextRequest;
    } cases[] = {
        {"a feed", fresh, TFetchResult::Updated, 2, "\"e1\"", Now + 600},
        {"not modified, new validator", notModified, TFetchResult::NotModified, 1, "\"e2\"", Now},
        {"not modified, none", Reply(304), TFetchResult::NotModified, 1, "\"e0\"", Now},
        {"too many requests", throttled, TFetchResult::Failed, 1, "\"e0\"", Now + 120},
        {"unavailable until a date", unavailable, TFetchResult::Failed, 1, "\"e0\"", Now + 3600},
        {"error page", Reply(500, "<html><body>Server Error</body></html>"), TFetchResult::Failed,
         1, "\"e0\"", Now},
        {"an HTML page with 200", Reply(200, "<!DOCTYPE html><html><body>hi</body></html>"),
         TFetchResult::Failed, 1, "\"e0\"", Now},
        {"an empty 200", Reply(200), TFetchResult::Failed, 1, "\"e0\"", Now},
        {"cut off half-way", Reply(200, Rss.substr(0, Rss.size() / 2), false), TFetchResult::Failed,
         1, "\"e0\"", Now},
        {"no answer at all", Reply(0, "", false), TFetchResult::Failed, 1, "\"e0\"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSourceCache cache = Stored();
        EXPECT_EQ(ApplyFeedAnswer(cache, c.Answer, Now), c.Result);
        EXPECT_EQ(cache.Items.size(), c.Items);
        EXPECT_EQ(cache.ETag, c.ETag);
        EXPECT_EQ(cache.NextRequest, c.NextRequest);
        EXPECT_EQ(cache.Name, c.Result == TFetchResult::Updated ? "Kanal" : "Eski");
        if (c.Result != TFetchResult::Updated) {
            EXPECT_EQ(cache.Items[0].Title, "Eski haber");
        }
    }
}

TEST(SourceState, TheStoreKeepsOneRecordPerSourceAndForgetsTheOthers) {
    const testsupport::TTempDir scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::string folder = scratch.File("sources");
    TSourceStore store(folder);

    TSourceCache rss = Stored();
    TSourceCache alarm;
    alarm.Url = AlarmSourceUrl("127.0.0.1:9");
    alarm.NextRequest = Now + 60;
    ASSERT_TRUE(store.Save(rss));
    ASSERT_TRUE(store.Save(alarm));
    EXPECT_EQ(store.Load(rss.Url).Items.size(), 1u);
    EXPECT_EQ(store.Load(rss.Url).ETag, "\"e0\"");
    EXPECT_EQ(store.Load(alarm.Url).NextRequest, Now + 60);

    // A file that holds another source's record (copied by hand) is not taken for this one.
    fs::copy_file(store.PathOf(rss.Url), store.PathOf("http://127.0.0.1:9/other"));
    EXPECT_TRUE(store.Load("http://127.0.0.1:9/other").Items.empty());
    std::ofstream(folder + "/notes.txt") << "mine";

    EXPECT_EQ(store.RemoveAllBut({alarm.Url}), 2);
    EXPECT_FALSE(fs::exists(store.PathOf(rss.Url)));
    EXPECT_TRUE(fs::exists(store.PathOf(alarm.Url)));
    EXPECT_TRUE(fs::exists(folder + "/notes.txt"));
    EXPECT_TRUE(store.Load(rss.Url).Items.empty());
}

TEST(SourceState, TheOptionsPutTheirSourcesInEffect) {
    const testsupport::TTempDir scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::string list = scratch.File("feeds");
    std::ofstream(list) << "# loopback stand-ins\nhttp://127.0.0.1:9/a\n\nhttp://127.0.0.1:9/b\n";
    ::setenv(feeds::DefaultSourcesVariable, list.c_str(), 1);

    using Feeds = std::vector<std::string>;
    const Feeds listed = {"http://127.0.0.1:9/a", "http://127.0.0.1:9/b"};
    const Feeds two = {"http://h/1", "https://h/2"};
    const Feeds repeated = {"http://h/1", " http://h/1 ", "http://h/a b"};
    struct Case {
        const char* Name;
        bool NewsServer;
        std::optional<Feeds> Section;
        bool Alarm;
        Feeds Expected;
    } cases[] = {
        {"nothing named: the defaults", false, std::nullopt, false, listed},
        {"a news server alone", true, std::nullopt, true, {}},
        {"a news server and feeds", true, two, true, two},
        {"feeds alone", false, Feeds{"http://h/1"}, false, {"http://h/1"}},
        {"an empty section", false, Feeds{}, true, {}},
        {"nothing usable", false, Feeds{"ftp://h/x", "javascript:alert(1)", "h/rss"}, true, {}},
        {"repeats and spaces", false, repeated, false, {"http://h/1", "http://h/a%20b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const feeds::TSourcePlan plan = feeds::PlanSources(c.NewsServer, c.Section);
        EXPECT_EQ(plan.Alarm, c.Alarm);
        EXPECT_EQ(plan.Feeds, c.Expected);
    }
    ::unsetenv(feeds::DefaultSourcesVariable);
}

} // namespace
