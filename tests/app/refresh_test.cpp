// The refresh cycle and the update check against a loopback server.
#include "app_fixture.h"
#include "loopback_site.h"

#include "news/feed.h"
#include "news/version.h"
#include "platform/shell/message_box.h"
#include "platform/sys/resources.h"

namespace app_test {
namespace {

using namespace platform;

class Refresh : public AppTest {
protected:
    // Starts the window against the server at Host with a news document of two items on disk.
    void StartWithTwoItems(const std::string& Host) {
        OldDocument =
            news::ConvertNews(NewsRecord("1", "first") + std::string(news::RecordSeparator) +
                              NewsRecord("2", "second"));
        WriteBytes(NewsPath(), OldDocument);
        PointServersAt(Host);
        Start();
        ASSERT_NE(Probe().NewsView().Items(), nullptr);
        ASSERT_EQ(Probe().NewsView().Items()->size(), 2u);
    }

    void RequestAndWait() {
        Probe().Refresher().StartNewsRequest();
        ASSERT_TRUE(Probe().Refresher().CycleInFlight());
        EXPECT_TRUE(Probe().Throbber()->Visible());
        EXPECT_TRUE(Probe().StatusText()->Visible());
        EXPECT_FALSE(Probe().PollTimer()->Enabled());
        ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    }

    void ExpectIdleAgain() {
        EXPECT_FALSE(Probe().Throbber()->Visible());
        // The footer may show the time of the last good refresh, never the busy text.
        EXPECT_TRUE(!Probe().StatusText()->Visible() ||
                    Probe().StatusText()->Data() != platform::LoadStr(app::BusyString));
        EXPECT_FALSE(Probe().ThrobberTimer()->Enabled());
        EXPECT_TRUE(Probe().PollTimer()->Enabled());
    }

    // Runs the update check to its answer, then types Key ('E' for "Evet", 'H' for "Hayır"); a box
    // that never opened leaves the key to the widget.
    void CheckVersionAndAnswer(char Key) {
        Probe().Refresher().StartVersionCheck();
        ASSERT_TRUE(WaitForPosted(news::WM_VERSIONDONE));
        Screen->KeyDown(Key, std::u16string(1, static_cast<char16_t>(Key - 'A' + 'a')));
        Pump();
    }

    std::string OldDocument;
    // The news request's path on a TSite, without its query.
    const std::string NewsRequest = TSite::PathOf("GET " + news::NewsRequestPath() + " ");
};

TEST_F(Refresh, EmptyAnswerKeepsTheFileAndTheListAndRestartsThePoll) {
    TLoopbackServer server([](TConnection& c) { c.Send(Answer("200 OK", "")); });
    StartWithTwoItems(server.Host());
    RequestAndWait();
    EXPECT_EQ(ReadBytes(NewsPath()), OldDocument);
    EXPECT_EQ(Probe().NewsView().Items()->size(), 2u);
    ExpectIdleAgain();
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(Refresh, AnswerWithOneRecordReplacesTheFileAndTheList) {
    const std::string record = NewsRecord("9", "only");
    TLoopbackServer server([&](TConnection& c) { c.Send(Answer("200 OK", record)); });
    StartWithTwoItems(server.Host());
    RequestAndWait();
    // The record's document, worked out by hand: the label loses "Son Dakika:", the link is
    // URL-encoded, lines end in CR LF after a UTF-8 byte order mark.
    EXPECT_EQ(ReadBytes(NewsPath()),
              "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n"
              "  <n i=\"9\" si=\" Spor\" t=\"only\" s=\"summary of only\" cd=\"2024-01-02\" "
              "u=\"http%3A%2F%2Fexample.test%2F9\" />\r\n</r>");
    ASSERT_EQ(Probe().NewsView().Items()->size(), 1u);
    EXPECT_EQ(Probe().NewsView().Items()->at(0)->Id, "9");
    ExpectIdleAgain();
    // The request went to the configured server with the news path.
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET " + news::NewsRequestPath(), 0), 0u);
}

// An error page used to be converted like news and emptied the list: a status other than 2xx
// is a failed refresh now, and the last good document stays.
TEST_F(Refresh, AnswersThatAreNot2xxKeepTheLastGoodDocument) {
    const std::string page = "<!DOCTYPE html><html><body><h1>Runtime Error</h1></body></html>";
    for (const std::string& raw :
         {Answer("500 Internal Server Error", page), Answer("404 Not Found", page),
          Answer("302 Found", page, "Location: /nowhere\r\n"),
          Answer("429 Too Many Requests", "later", "Retry-After: 60\r\n")}) {
        SCOPED_TRACE(raw.substr(0, raw.find('\r')));
        // The redirect leads to itself until the redirect limit ends the exchange.
        TLoopbackServer server([&](TConnection& c) { c.Send(raw); });
        StartWithTwoItems(server.Host());
        RequestAndWait();
        EXPECT_EQ(ReadBytes(NewsPath()), OldDocument);
        EXPECT_EQ(Probe().NewsView().Items()->size(), 2u);
        ExpectIdleAgain();
        EXPECT_GE(server.Requests().size(), 1u);
        Desktop.reset();
    }
}

TEST_F(Refresh, ConnectionDroppedHalfWayKeepsTheLastGoodDocument) {
    const std::string record = NewsRecord("9", "cut short");
    TLoopbackServer server([&](TConnection& c) {
        // Promises far more than it sends, then hangs up.
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" + record);
    });
    StartWithTwoItems(server.Host());
    RequestAndWait();
    EXPECT_EQ(ReadBytes(NewsPath()), OldDocument);
    EXPECT_EQ(Probe().NewsView().Items()->size(), 2u);
    ExpectIdleAgain();
}

TEST_F(Refresh, UnwritableNewsFileEndsTheRequestAndKeepsTheList) {
    const std::string record = NewsRecord("9", "nowhere to go");
    TLoopbackServer server([&](TConnection& c) { c.Send(Answer("200 OK", record)); });
    StartWithTwoItems(server.Host());
    // A folder in the file's place cannot be replaced by the new document.
    std::filesystem::remove(NewsPath());
    std::filesystem::create_directory(NewsPath());
    RequestAndWait();
    EXPECT_TRUE(std::filesystem::is_directory(NewsPath()));
    EXPECT_EQ(Probe().NewsView().Items()->size(), 2u);
    ExpectIdleAgain();
}

TEST_F(Refresh, UpdateCommandDuringARequestChangesNothing) {
    TSite site;
    site.Put(NewsRequest, Answer("200 OK", ""));
    site.Hold(NewsRequest);
    StartWithTwoItems(site.Host());
    Probe().Refresher().StartNewsRequest();
    auto* cycle = Probe().Cycle();
    ASSERT_NE(cycle, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return site.Heads(NewsRequest).size() == 1; }));
    SendMessage(Handle, WM_COMMAND, app::CM_UPDATE, 0);
    EXPECT_EQ(Probe().Cycle(), cycle);
    EXPECT_FALSE(Probe().PollTimer()->Enabled());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    EXPECT_EQ(site.Heads(NewsRequest).size(), 1u);
    ExpectIdleAgain();
}

TEST_F(Refresh, PollTimerStartsTheNextRequestAFullIntervalAfterTheLast) {
    TSite site;
    site.Put(NewsRequest, Answer("200 OK", ""));
    StartWithTwoItems(site.Host());
    Probe().StartTimer()->Stop();
    RequestAndWait();
    // Five minutes, not the program's constant: the constant is what is under test.
    Elapse(5 * 60 * 1000 - 1);
    EXPECT_FALSE(Probe().Refresher().CycleInFlight());
    // Held, so that a quick answer cannot end the cycle before the test has seen it start.
    site.Hold(NewsRequest);
    Elapse(1);
    EXPECT_TRUE(Probe().Refresher().CycleInFlight());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    EXPECT_EQ(site.Heads(NewsRequest).size(), 2u);
}

TEST_F(Refresh, NewerVersionAsksAndYesOpensTheDownloadLink) {
    // The version the server names, and whether the widget offers it.
    for (const auto& [version, prompt] : {std::pair{"1.1", true}, std::pair{"1.00", true},
                                          std::pair{"1.0", false}, std::pair{"0.9", false}}) {
        SCOPED_TRACE(version);
        const std::string body = std::string("<data><version>") + version + "</version></data>";
        TLoopbackServer server([&](TConnection& conn) { conn.Send(Answer("200 OK", body)); });
        PointServersAt(server.Host());
        Links.clear();
        Start();
        CheckVersionAndAnswer('E');
        EXPECT_FALSE(Probe().Refresher().VersionCheckInFlight());
        if (prompt) {
            ASSERT_EQ(Links.size(), 1u);
            EXPECT_EQ(Links[0], Probe().Refresher().Servers().LinkUrl(news::DownloadLinkId));
            EXPECT_NE(Links[0].find("/?linkid=7951"), std::string::npos);
        } else {
            EXPECT_TRUE(Links.empty());
        }
        Desktop.reset();
    }
}

// The maker's servers have no built-in host: unnamed, the version server is not asked, and a
// newer version with no download page to open is not offered.
TEST_F(Refresh, WithoutTheMakersServersNothingIsAskedOrOffered) {
    TLoopbackServer server(
        [](TConnection& c) { c.Send(Answer("200 OK", "<data><version>2.0</version></data>")); });
    EditOptions([&](TOptions& o) { o.WriteString(u"server", u"news", Utf8ToWide(server.Host())); });
    Start();
    Probe().Refresher().StartVersionCheck();
    EXPECT_FALSE(Probe().Refresher().VersionCheckInFlight());
    EXPECT_TRUE(server.Requests().empty());
    Desktop.reset();

    EditOptions(
        [&](TOptions& o) { o.WriteString(u"server", u"version", Utf8ToWide(server.Host())); });
    Start();
    CheckVersionAndAnswer('E'); // a box that opened would take it and open the link
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(Links.empty());
    EXPECT_EQ(GetOpenMessageBox(), 0u);
}

TEST_F(Refresh, AnsweringNoOpensNothing) {
    TLoopbackServer server(
        [](TConnection& c) { c.Send(Answer("200 OK", "<data><version>2.0</version></data>")); });
    PointServersAt(server.Host());
    Start();
    CheckVersionAndAnswer('H');
    EXPECT_TRUE(Links.empty());
    EXPECT_EQ(GetOpenMessageBox(), 0u);
}

// After a resume from sleep (the clock that counts sleep jumped) the news is asked for once the
// network had a moment, not at the next poll: a second notice of the same resume makes no second
// request, and a resume while a cycle is in flight waits for it rather than being dropped.
TEST_F(Refresh, ResumeFromSleepRefreshesSoonAndOnce) {
    TSite site;
    site.Put(NewsRequest, Answer("200 OK", NewsRecord("9", "after the sleep")));
    // The version check asks the same server; only the news requests count here.
    auto newsRequests = [&] { return site.Heads(NewsRequest).size(); };
    StartWithTwoItems(site.Host());
    Screen->Advance(app::StartInterval);
    ASSERT_TRUE(PumpUntil([&] {
        return newsRequests() == 1 && !Probe().Refresher().CycleInFlight() &&
               !Probe().Refresher().VersionCheckInFlight();
    }));
    const std::size_t asked = newsRequests();

    Screen->Suspend(8 * 3600 * 1000);
    Pump();
    ASSERT_TRUE(Probe().ResumeTimer()->Enabled());
    PostMessage(Handle, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0); // logind says so too
    Pump();
    Elapse(app::ResumeRefreshDelay - 1);
    EXPECT_EQ(newsRequests(), asked);
    EXPECT_FALSE(Probe().Refresher().CycleInFlight());

    site.Hold(NewsRequest); // the cycle stays in flight until the test has looked
    Elapse(1);
    EXPECT_TRUE(Probe().Refresher().CycleInFlight());
    EXPECT_FALSE(Probe().ResumeTimer()->Enabled());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    EXPECT_EQ(newsRequests(), asked + 1);
    EXPECT_EQ(ReadBytes(NewsPath()),
              "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>\r\n"
              "  <n i=\"9\" si=\" Spor\" t=\"after the sleep\" s=\"summary of after the sleep\" "
              "cd=\"2024-01-02\" u=\"http%3A%2F%2Fexample.test%2F9\" />\r\n</r>");

    // Asleep again while a request hangs: the resume refresh waits for it to end.
    site.Hold(NewsRequest);
    Probe().Refresher().StartNewsRequest();
    ASSERT_TRUE(PumpUntil([&] { return newsRequests() == asked + 2; }));
    Screen->Suspend(60 * 1000);
    Pump();
    Elapse(app::ResumeRefreshDelay);
    EXPECT_TRUE(Probe().ResumeTimer()->Enabled());
    site.Release();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }));
    Elapse(app::ResumeRefreshDelay);
    ASSERT_TRUE(PumpUntil([&] { return newsRequests() == asked + 3; }));
    EXPECT_FALSE(Probe().ResumeTimer()->Enabled());
}

} // namespace
} // namespace app_test
