#include "news/inet_thread.h"

#include "loopback_server.h"
#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace news;
using testing_http::Answer;
using testing_http::TConnection;
using testing_http::TGate;
using testing_http::TLoopbackServer;
using namespace std::chrono_literals;

class Worker : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("no_proxy", "*", 1);
        ASSERT_TRUE(OpenInternet());
    }
    static void TearDownTestSuite() { CloseInternet(); }

    void SetUp() override {
        platform::InstallHeadlessDisplay();
        Window = platform::CreateWindowEx(0, u"STATIC", u"", 0, 0, 0, 10, 10, 0, 0, nullptr);
        ASSERT_TRUE(platform::IsWindow(Window));
    }

    std::unique_ptr<TInternetThread> Start(platform::UINT message, const TLoopbackServer& server,
                                           const std::string& path) {
        auto worker = std::make_unique<TInternetThread>(Window, message, InternetHandle);
        worker->Request->SetField(HostField, server.Host());
        worker->Request->SetField(PathField, path);
        worker->Request->StallTimeoutMs = 5000;
        worker->Resume();
        return worker;
    }

    // Everything the workers posted, once they are known to have finished.
    std::vector<platform::TMsg> Posted() {
        std::vector<platform::TMsg> messages;
        platform::TMsg msg{};
        while (platform::PeekMessage(&msg, 0, WM_VERSIONDONE, WM_NEWSDONE, platform::PM_REMOVE))
            messages.push_back(msg);
        return messages;
    }

    platform::HWND Window = 0;
};

TEST_F(Worker, PostsItsResultToTheWindowAndKeepsTheBody) {
    TLoopbackServer server([](TConnection& c) { c.Send(Answer("200 OK", "records")); });
    auto worker = Start(WM_NEWSDONE, server, "/news");
    worker->WaitFor();
    auto messages = Posted();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].hwnd, Window);
    EXPECT_EQ(messages[0].message, WM_NEWSDONE);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].lParam, SendSucceeded);
    EXPECT_EQ(ResponseText(*worker->Request->Response), "records");
}

TEST_F(Worker, AFailedRequestStillReportsWithMinusOne) {
    TInternetThread worker(Window, WM_VERSIONDONE, InternetHandle);
    worker.Request->SetField(HostField, testing_http::ClosedHost());
    worker.Request->SetField(PathField, "/minipelikora.xml");
    worker.Resume();
    worker.WaitFor();
    auto messages = Posted();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, WM_VERSIONDONE);
    EXPECT_EQ(messages[0].lParam, SendFailed);
    EXPECT_EQ(ResponseText(*worker.Request->Response), "");
}

TEST_F(Worker, ClosedSessionMeansFailureNotACrash) {
    TInternetThread worker(Window, WM_NEWSDONE, nullptr);
    worker.Resume();
    worker.WaitFor();
    auto messages = Posted();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, SendFailed);
}

TEST_F(Worker, AWindowDestroyedMeanwhileGetsNothing) {
    TGate gate;
    TLoopbackServer server([&](TConnection& c) {
        gate.WaitOpen();
        c.Send(Answer("200 OK", "late"));
    });
    auto worker = Start(WM_NEWSDONE, server, "/news");
    ASSERT_TRUE(platform::DestroyWindow(Window));
    gate.Open();
    worker->WaitFor();
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(ResponseText(*worker->Request->Response), "late");
}

TEST_F(Worker, NewsAndVersionRunTogetherOnOneSession) {
    TGate meeting;
    TLoopbackServer server(
        [&](TConnection& c) { c.Send(Answer("200 OK", meeting.Meet(2) ? "together" : "alone")); });
    auto newsWorker = Start(WM_NEWSDONE, server, "/news");
    auto versionWorker = Start(WM_VERSIONDONE, server, "/minipelikora.xml");
    newsWorker->WaitFor();
    versionWorker->WaitFor();
    auto messages = Posted();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].message, messages[1].message);
    EXPECT_EQ(ResponseText(*newsWorker->Request->Response), "together");
    EXPECT_EQ(ResponseText(*versionWorker->Request->Response), "together");
}

TEST_F(Worker, FreeingARunningWorkerWaitsForIt) {
    TGate gate;
    TLoopbackServer server([&](TConnection& c) {
        gate.WaitOpen();
        c.Send(Answer("200 OK", "done"));
    });
    auto worker = Start(WM_NEWSDONE, server, "/news");
    std::thread opener([&] {
        std::this_thread::sleep_for(100ms);
        gate.Open();
    });
    worker.reset();
    opener.join();
    EXPECT_EQ(Posted().size(), 1u);

    TInternetThread neverResumed(Window, WM_NEWSDONE, InternetHandle);
    EXPECT_FALSE(neverResumed.Started());
}

} // namespace
