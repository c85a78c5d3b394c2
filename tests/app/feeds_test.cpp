// Standard feeds beside the alarm server, on the headless screen against loopback servers: the
// merged list, each source's state across cycles and restarts, the built-in feeds of a fresh
// install, what the list and the footer say, and closing while requests are in flight.
#include "app_fixture.h"

#include "app/news_refresher.h"
#include "elements/content.h"
#include "loopback_site.h"
#include "news/feed.h"
#include "platform/sys/resources.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <map>

namespace app_test {
namespace {

using testing_http::Answer;
using testing_http::TConnection;
using testing_http::TLoopbackServer;
using namespace std::chrono_literals;

const std::string AlarmPath = "/HashtableControl.aspx";

std::string Record(const std::string& Id, const std::string& Title, const std::string& Date) {
    return Id + "|x|" + Title + "|ozet|y|" + Date + "|http://example.test/" + Id +
           "|Son Dakika Spor";
}

std::string RssItem(const std::string& Title, const std::string& Date) {
    return "<item><title>" + Title + "</title><guid>urn:" + Title + "</guid><pubDate>" + Date +
           "</pubDate></item>";
}

std::string Rss(const std::string& Name, const std::string& Items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + Name + "</title>" +
           Items + "</channel></rss>";
}

class Feeds : public AppTest {
protected:
    void Cycle() {
        Probe().Refresher().StartNewsRequest();
        ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    }

    std::map<std::string, std::string> Labels() const {
        std::map<std::string, std::string> labels;
        for (const auto& item : *Probe().NewsView().Items())
            labels[WideToUtf8(item->Title)] = WideToUtf8(elements::TContentEx::LabelText(*item));
        return labels;
    }

    std::size_t SourceRecords() const {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(DataFolder + "/sources"))
            n += entry.path().extension() == ".json" ? 1 : 0;
        return n;
    }
};

TEST_F(Feeds, SourcesMergeAndEachKeepsItsStateAcrossCyclesAndRestarts) {
    TSite site;
    const std::string rssTitle = "Kanal RSS";
    site.Put(AlarmPath, Answer("200 OK", Record("11", "Alarm yeni", "04.03.2025 11:30:00") +
                                             std::string(news::RecordSeparator) +
                                             Record("12", "Alarm eski", "04.03.2025 09:30:00")));
    site.Put("/rss", Answer("200 OK",
                            Rss(rssTitle, RssItem("RSS bir", "Tue, 04 Mar 2025 09:00:00 GMT") +
                                              RssItem("RSS iki", "Tue, 04 Mar 2025 07:00:00 GMT")),
                            "ETag: \"r1\"\r\nContent-Type: application/rss+xml\r\n"));
    site.Put("/atom", Answer("200 OK",
                             "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Kanal Atom</title>"
                             "<entry><title>Atom bir</title><id>urn:a1</id>"
                             "<updated>2025-03-04T08:00:00Z</updated></entry></feed>"));
    EditOptions([&](TOptions& o) {
        o.WriteString(u"server", u"news", Utf8ToWide(site.Host()));
        o.WriteFeeds({Utf8ToWide(site.Url("/rss")), Utf8ToWide(site.Url("/atom"))});
    });
    Start();

    // All three at once, merged newest first (alarm dates are Istanbul time, three hours ahead
    // of UTC), each labelled with its source's name, the alarm's with its sections.
    Cycle();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"RSS bir", "Alarm yeni", "Atom bir", "RSS iki",
                                                  "Alarm eski"}));
    elements::TElementList alone;
    ASSERT_TRUE(elements::ReadNewsText(news::ConvertNews(Record("1", "x", "")), alone));
    const std::string section = WideToUtf8(elements::TContentEx::LabelText(*alone[0]));
    EXPECT_EQ(Labels(), (std::map<std::string, std::string>{{"RSS bir", rssTitle},
                                                            {"RSS iki", rssTitle},
                                                            {"Atom bir", "Kanal Atom"},
                                                            {"Alarm yeni", section},
                                                            {"Alarm eski", section}}));
    EXPECT_EQ(SourceRecords(), 3u);
    const std::string merged = ReadBytes(NewsPath());
    const std::string feedHead = site.Heads("/rss").at(0);
    EXPECT_NE(feedHead.find("User-Agent: Mini Pelikora/"), std::string::npos) << feedHead;
    EXPECT_NE(feedHead.find("Accept: application/rss+xml"), std::string::npos) << feedHead;
    EXPECT_NE(feedHead.find("Accept-Encoding: "), std::string::npos) << feedHead;
    const std::string alarmHead = site.Heads(AlarmPath).at(0);
    EXPECT_EQ(alarmHead.rfind("GET " + news::NewsRequestPath() + " HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(alarmHead.find("application/rss+xml"), std::string::npos) << alarmHead;

    // Not modified, told to come back in an hour, an error page: every source keeps its items.
    site.Put("/rss", "HTTP/1.1 304 Not Modified\r\nETag: \"r1\"\r\nConnection: close\r\n\r\n");
    site.Put("/atom", Answer("429 Too Many Requests", "", "Retry-After: 3600\r\n"));
    site.Put(AlarmPath, Answer("500 Internal Server Error", "<html><body>Error</body></html>"));
    Cycle();
    EXPECT_NE(site.Heads("/rss").at(1).find("If-None-Match: \"r1\"\r\n"), std::string::npos);
    EXPECT_EQ(ReadBytes(NewsPath()), merged);
    Cycle();
    EXPECT_EQ(site.Heads("/atom").size(), 2u); // still resting
    EXPECT_EQ(site.Heads("/rss").size(), 3u);

    // A restart without the Atom feed: its record goes; the RSS feed fails now, yet its items
    // come back from its record beside the alarm's new ones.
    Desktop.reset();
    EditOptions([&](TOptions& o) { o.WriteFeeds({Utf8ToWide(site.Url("/rss"))}); });
    site.Put("/rss", Answer("503 Service Unavailable", ""));
    site.Put(AlarmPath, Answer("200 OK", Record("21", "Alarm sonra", "04.03.2025 12:30:00")));
    Start();
    EXPECT_EQ(SourceRecords(), 2u);
    Cycle();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Alarm sonra", "RSS bir", "RSS iki"}));
}

TEST_F(Feeds, AFreshInstallAsksTheBuiltInFeedsAFewAtATime) {
    std::atomic<int> inFlight{0}, most{0};
    TLoopbackServer server([&](TConnection& c) {
        const int now = ++inFlight;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(200ms);
        --inFlight;
        const std::string path = TSite::PathOf(c.RequestHead());
        c.Send(Answer("200 OK", Rss("Kanal" + path, RssItem("Haber" + path, ""))));
    });
    // The public list replaced by six loopback stand-ins, as every test must.
    std::vector<std::string> listed;
    std::ofstream list(Dir + "/builtin");
    for (int i = 1; i <= 6; ++i) {
        listed.push_back("http://" + server.Host() + "/feed/" + std::to_string(i));
        list << listed.back() << "\n";
    }
    list.close();
    ::setenv("MINIPELIKORA_DEFAULT_FEEDS", (Dir + "/builtin").c_str(), 1);
    ASSERT_FALSE(fs::exists(OptionsPath()));

    Start();
    Cycle();
    std::vector<std::string> asked;
    for (const std::string& head : server.Requests())
        asked.push_back("http://" + server.Host() + TSite::PathOf(head));
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, listed); // the built-in feeds and nothing else: no alarm server
    EXPECT_LE(most.load(), 4);
    EXPECT_GE(most.load(), 2);
    EXPECT_EQ(Titles().size(), 6u);

    // The defaults are what an editor of the sources starts from, but closing never writes
    // them into the file by itself.
    platform::SendMessage(Handle, platform::WM_CLOSE, 0, 0);
    const TOptions saved = Saved();
    EXPECT_TRUE(fs::exists(OptionsPath()));
    EXPECT_FALSE(saved.ReadFeeds());
    EXPECT_EQ(app::ConfiguredSources(saved).Feeds, listed);
    EXPECT_FALSE(app::ConfiguredSources(saved).Alarm);
}

TEST_F(Feeds, TheListAndTheFooterSayWhatIsGoingOn) {
    TSite site;
    site.Put(AlarmPath, Answer("500 Internal Server Error", "<html>down</html>"));
    PointServersAt(site.Host());
    Start();
    const elements::TSkinText* message = Probe().ListMessage();
    const elements::TSkinText* footer = Probe().StatusText();
    EXPECT_TRUE(message->Visible());
    EXPECT_EQ(message->Data(), platform::LoadStr(app::LoadingString));
    EXPECT_FALSE(footer->Visible());

    Cycle();
    EXPECT_TRUE(message->Visible());
    EXPECT_EQ(message->Data(), platform::LoadStr(app::UnreachableString));
    EXPECT_FALSE(footer->Visible());

    site.Put(AlarmPath, Answer("200 OK", Record("5", "Haber", "04.03.2025 12:00:00")));
    const std::time_t before = std::time(nullptr);
    Cycle();
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(Titles(), std::vector<std::string>{"Haber"});
    EXPECT_FALSE(message->Visible());
    ASSERT_TRUE(footer->Visible());
    const std::u16string shown = footer->Data();
    EXPECT_TRUE(shown == u"Son güncelleme " + app::LocalClockText(before) ||
                shown == u"Son güncelleme " + app::LocalClockText(after))
        << WideToUtf8(shown);

    // While the next refresh runs, the busy text wins over the time; the time comes back after.
    site.Hold(AlarmPath);
    Probe().Refresher().StartNewsRequest();
    EXPECT_EQ(footer->Data(), platform::LoadStr(app::BusyString));
    EXPECT_TRUE(footer->Visible());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    EXPECT_EQ(footer->Data().rfind(u"Son güncelleme ", 0), 0u);
}

// Closing must not wait for slow servers: the requests in flight are cut at once (far sooner
// than their 30 s stall limit), after the options were saved.
TEST_F(Feeds, ClosingCutsTheRequestsInFlight) {
    std::atomic<int> hungUp{0};
    TLoopbackServer server([&](TConnection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nstart");
        if (c.WaitClosed(20s))
            ++hungUp;
    });
    EditOptions([&](TOptions& o) {
        o.WriteString(u"server", u"news", Utf8ToWide(server.Host()));
        o.WriteFeeds({Utf8ToWide("http://" + server.Host() + "/slow")});
    });
    Start();
    Probe().Refresher().StartNewsRequest();
    ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() == 2; }));
    fs::remove(OptionsPath());
    platform::SendMessage(Handle, platform::WM_CLOSE, 0, 0);
    EXPECT_TRUE(fs::exists(OptionsPath()));
    EXPECT_TRUE(PumpUntil([&] { return hungUp == 2; }, 10000));
}

} // namespace
} // namespace app_test
