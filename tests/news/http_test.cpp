#include "news/http.h"

#include "loopback_server.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace {

using namespace news;
using testing_http::Answer;
using testing_http::TConnection;
using testing_http::TLoopbackServer;
using namespace std::chrono_literals;

std::string Gzip(const std::string& text) {
    z_stream z{};
    // 16 + 15 window bits: a gzip wrapper around the deflate stream.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + 15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

class HttpSend : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A proxy configured on the machine must not see loopback test traffic.
        ::setenv("no_proxy", "*", 1);
        ASSERT_TRUE(OpenInternet());
    }
    static void TearDownTestSuite() { CloseInternet(); }

    static TRequest Make(const TLoopbackServer& server, const std::string& path = "/") {
        TRequest request;
        request.SetField(HostField, server.Host());
        request.SetField(PathField, path);
        request.ConnectTimeoutMs = 5000;
        request.StallTimeoutMs = 5000;
        request.TotalTimeoutMs = 30000;
        return request;
    }
};

TEST(Request, FieldsOutsideTheTwelveSlotsAreIgnored) {
    TRequest request;
    EXPECT_EQ(request.GetField(MethodField), "GET");
    EXPECT_EQ(request.GetField(VersionField), "HTTP/1.1");
    request.SetField(12, "x");
    request.SetField(-1, "x");
    request.SetField(11, "last");
    EXPECT_EQ(request.GetField(12), "");
    EXPECT_EQ(request.GetField(-1), "");
    EXPECT_EQ(request.GetField(11), "last");
    for (int i = 0; i < FieldCount; ++i) {
        if (i != MethodField && i != VersionField && i != 11) {
            EXPECT_EQ(request.GetField(i), "") << i;
        }
    }

    TResponse response;
    response.SetHeader(12, "x");
    response.SetHeader(SetCookieSlot, "c=1");
    EXPECT_EQ(response.GetHeader(12), "");
    EXPECT_EQ(response.GetHeader(SetCookieSlot), "c=1");
}

TEST(Request, AddHeaderFormatsOnlyNonEmptyValues) {
    TRequest request;
    request.AddHeader("", "Accept: %s\r\n");
    EXPECT_EQ(request.Headers, "");
    request.AddHeader("text/xml", "Accept: %s\r\n");
    request.AddHeader("a=1", "Cookie: %s\r\n");
    EXPECT_EQ(request.Headers, "Accept: text/xml\r\nCookie: a=1\r\n");
}

TEST(Request, FlagsAndAddress) {
    TRequest request;
    EXPECT_EQ(request.RequestFlags(), 0x00000400u);
    request.Secure = true;
    request.AutoRedirect = false;
    EXPECT_EQ(request.RequestFlags(), 0x00A00400u);

    EXPECT_EQ(platform::HttpUrl("news.example", 80, false, "/a?b=%2C"),
              "http://news.example:80/a?b=%2C");
    EXPECT_EQ(platform::HttpUrl("news.example", 443, true, ""), "https://news.example:443/");
    EXPECT_EQ(platform::HttpUrl("127.0.0.1:8080", 80, false, "/x"), "http://127.0.0.1:8080/x");
    EXPECT_EQ(platform::HttpUrl("[::1]:81", 80, false, "/"), "http://[::1]:81/");
    EXPECT_FALSE(platform::HttpUrl("host", 80, false, "/a b"));
    EXPECT_FALSE(platform::HttpUrl("host", 80, false, "/a\r\nX: 1"));
    EXPECT_FALSE(platform::HttpUrl("", 80, false, "/"));
}

TEST_F(HttpSend, WithoutASessionFails) {
    TRequest request;
    request.SetField(HostField, "127.0.0.1:1");
    EXPECT_EQ(request.Send(nullptr), SendFailed);
}

TEST_F(HttpSend, RequestLineAndHeaderOrder) {
    TLoopbackServer server([](TConnection& c) { c.Send(Answer("200 OK", "ok")); });
    TRequest plain = Make(server, "/HashtableControl.aspx?a=1%2C&rand=2147483647");
    ASSERT_EQ(plain.Send(InternetHandle), SendSucceeded);

    TRequest full = Make(server);
    full.SetField(AcceptField, "text/xml");
    full.SetField(CookieField, "k=v");
    full.SetField(RefererField, "http://r.example/");
    full.SetField(ConnectionField, "close");
    full.SetField(ContentTypeField, "text/plain");
    ASSERT_EQ(full.Send(InternetHandle), SendSucceeded);

    auto heads = server.Requests();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[0].rfind("GET /HashtableControl.aspx?a=1%2C&rand=2147483647 HTTP/1.1\r\n", 0),
              0u)
        << heads[0];
    EXPECT_NE(heads[0].find("Host: " + server.Host() + "\r\n"), std::string::npos);
    EXPECT_EQ(heads[0].find("Cookie:"), std::string::npos);

    const auto at = [&](const char* line) { return heads[1].find(line); };
    ASSERT_NE(at("Content-Type: text/plain\r\n"), std::string::npos) << heads[1];
    EXPECT_LT(at("Accept: text/xml\r\n"), at("Cookie: k=v\r\n"));
    EXPECT_LT(at("Cookie: k=v\r\n"), at("Referer: http://r.example/\r\n"));
    EXPECT_LT(at("Referer: http://r.example/\r\n"), at("Connection: close\r\n"));
    EXPECT_LT(at("Connection: close\r\n"), at("Content-Type: text/plain\r\n"));
}

TEST_F(HttpSend, BodiesAreDeliveredWhateverTheStatus) {
    const std::string html = "<html><body><h1>404 Not Found</h1></body></html>";
    std::string big(100000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    struct Case {
        const char* name;
        std::string raw;
        std::string body;
    } cases[] = {
        {"no content", "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n", ""},
        {"zero length", Answer("200 OK", ""), ""},
        {"not found page", Answer("404 Not Found", html), html},
        {"server error page", Answer("500 Internal Server Error", html), html},
        {"many chunks", Answer("200 OK", big), big},
        {"chunked encoding",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
         "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
         "hello world"},
        {"ends with the connection", "HTTP/1.0 200 OK\r\n\r\nuntil close", "until close"},
    };
    for (const auto& c : cases) {
        TLoopbackServer server([&](TConnection& conn) { conn.Send(c.raw); });
        TRequest request = Make(server);
        EXPECT_EQ(request.Send(InternetHandle), SendSucceeded) << c.name;
        EXPECT_EQ(ResponseText(*request.Response), c.body) << c.name;
    }
}

TEST_F(HttpSend, RedirectsAreFollowedUnlessSwitchedOff) {
    TLoopbackServer server([](TConnection& c) {
        if (c.RequestHead().rfind("GET /old ", 0) == 0)
            c.Send(Answer("302 Found", "moved", "Location: /new\r\nSet-Cookie: first=1\r\n"));
        else
            c.Send(Answer("200 OK", "arrived", "Set-Cookie: second=2; Path=/\r\n"));
    });
    TRequest follow = Make(server, "/old");
    ASSERT_EQ(follow.Send(InternetHandle), SendSucceeded);
    EXPECT_EQ(ResponseText(*follow.Response), "arrived");
    EXPECT_EQ(follow.Response->GetHeader(SetCookieSlot), "second=2; Path=/");
    EXPECT_EQ(follow.Response->RawHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(follow.Response->RawHeaders.find("302"), std::string::npos);
    EXPECT_EQ(server.Requests().size(), 2u);

    TRequest stay = Make(server, "/old");
    stay.AutoRedirect = false;
    ASSERT_EQ(stay.Send(InternetHandle), SendSucceeded);
    EXPECT_EQ(ResponseText(*stay.Response), "moved");
    EXPECT_EQ(stay.Response->GetHeader(SetCookieSlot), "first=1");
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(HttpSend, OversizedHeaderAnswersAreLeftEmpty) {
    std::string cookie(1100, 'c');
    TLoopbackServer server(
        [&](TConnection& c) { c.Send(Answer("200 OK", "x", "Set-Cookie: " + cookie + "\r\n")); });
    TRequest request = Make(server);
    ASSERT_EQ(request.Send(InternetHandle), SendSucceeded);
    EXPECT_EQ(request.Response->GetHeader(SetCookieSlot), "");
    EXPECT_EQ(request.Response->RawHeaders, "");
    EXPECT_EQ(ResponseText(*request.Response), "x");
}

TEST_F(HttpSend, BrokenConnectionFailsAndKeepsWhatArrived) {
    std::string part(20000, 'p');
    TLoopbackServer server([&](TConnection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + part);
    });
    TRequest request = Make(server);
    EXPECT_EQ(request.Send(InternetHandle), SendFailed);
    EXPECT_EQ(ResponseText(*request.Response), part);
}

TEST_F(HttpSend, UnreachableOrUnusableServerFails) {
    for (std::string host :
         {testing_http::ClosedHost(), std::string("bad/host"), std::string("")}) {
        TRequest request;
        request.SetField(HostField, host);
        request.SetField(PathField, "/");
        request.ConnectTimeoutMs = 5000;
        EXPECT_EQ(request.Send(InternetHandle), SendFailed) << host;
        EXPECT_EQ(ResponseText(*request.Response), "") << host;
    }
}

// A server that stops sending must not hold the worker (and with it the poll cycle) forever.
TEST_F(HttpSend, StalledServerFailsAfterTheStallTimeout) {
    TLoopbackServer server([](TConnection& c) {
        if (c.RequestHead().rfind("GET /mid ", 0) == 0)
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nstart");
        c.WaitClosed(20s);
    });
    for (const char* path : {"/mid", "/silent"}) {
        TRequest request = Make(server, path);
        request.StallTimeoutMs = 500;
        EXPECT_EQ(request.Send(InternetHandle), SendFailed) << path;
        EXPECT_EQ(ResponseText(*request.Response), path == std::string("/mid") ? "start" : "")
            << path;
    }
}

TEST_F(HttpSend, BodyOverTheLimitFailsWithoutGrowingPastIt) {
    const size_t limit = DefaultMaxBodySize;
    TLoopbackServer server([&](TConnection& c) {
        std::string chunk(1 << 16, 'z');
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(limit + chunk.size()) +
               "\r\n\r\n");
        for (size_t sent = 0; sent < limit + chunk.size(); sent += chunk.size())
            if (!c.Send(chunk))
                break;
    });
    TRequest request = Make(server);
    EXPECT_EQ(request.Send(InternetHandle), SendFailed);
    EXPECT_LE(request.Response->BodyStream.size(), limit);
    EXPECT_GT(request.Response->BodyStream.size(), limit / 2);
}

TEST_F(HttpSend, ABodyExactlyAtTheLimitIsAccepted) {
    std::string body(4096, 'b');
    TLoopbackServer server([&](TConnection& c) { c.Send(Answer("200 OK", body)); });
    TRequest request = Make(server);
    request.MaxBodySize = body.size();
    EXPECT_EQ(request.Send(InternetHandle), SendSucceeded);
    EXPECT_EQ(ResponseText(*request.Response), body);

    TRequest smaller = Make(server);
    smaller.MaxBodySize = body.size() - 1;
    EXPECT_EQ(smaller.Send(InternetHandle), SendFailed);
}

// Workers share one session: two requests in flight at once must both complete, each with its
// own answer. The server answers only once both have arrived, so serialised requests would show.
TEST_F(HttpSend, TwoRequestsShareTheSessionAtOnce) {
    testing_http::TGate meeting;
    TLoopbackServer server([&](TConnection& c) {
        const bool together = meeting.Meet(2);
        std::string path = c.RequestHead().substr(4, c.RequestHead().find(' ', 4) - 4);
        c.Send(Answer("200 OK", (together ? "together " : "alone ") + path));
    });
    TRequest first = Make(server, "/news");
    TRequest second = Make(server, "/version");
    int firstResult = SendFailed, secondResult = SendFailed;
    std::thread a([&] { firstResult = first.Send(InternetHandle); });
    std::thread b([&] { secondResult = second.Send(InternetHandle); });
    a.join();
    b.join();
    EXPECT_EQ(firstResult, SendSucceeded);
    EXPECT_EQ(secondResult, SendSucceeded);
    EXPECT_EQ(ResponseText(*first.Response), "together /news");
    EXPECT_EQ(ResponseText(*second.Response), "together /version");
}

// The refresh cycle judges an answer by its status and a few headers, so they come back with
// the body; compressed bodies are asked for, unpacked and capped on what they unpack to.
TEST_F(HttpSend, StatusHeadersAndCompressedBodies) {
    const std::string feed = "<rss version=\"2.0\"><channel><title>T</title></channel></rss>";
    const std::string bomb(DefaultMaxBodySize + (4u << 20), '\0');
    const std::string validators =
        "ETag: \"v1\"\r\nLast-Modified: Tue, 04 Mar 2025 10:00:00 GMT\r\n"
        "Cache-Control: max-age=600\r\nRetry-After: 120\r\n";
    struct Case {
        const char* name;
        std::string raw;
        int result;
        int status;
        std::string body;
    } cases[] = {
        {"gzip feed with validators",
         Answer("200 OK", Gzip(feed),
                "Content-Type: application/rss+xml; charset=utf-8\r\nContent-Encoding: gzip\r\n" +
                    validators),
         SendSucceeded, 200, feed},
        {"not modified", "HTTP/1.1 304 Not Modified\r\n" + validators + "Connection: close\r\n\r\n",
         SendSucceeded, 304, ""},
        {"throttled", Answer("429 Too Many Requests", "slow down", validators), SendSucceeded, 429,
         "slow down"},
        {"broken gzip", Answer("200 OK", "not gzip at all", "Content-Encoding: gzip\r\n"),
         SendFailed, 200, ""},
        {"decompression bomb", Answer("200 OK", Gzip(bomb), "Content-Encoding: gzip\r\n"),
         SendFailed, 200, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server([&](TConnection& conn) { conn.Send(c.raw); });
        TRequest request = Make(server);
        EXPECT_EQ(request.Send(InternetHandle), c.result);
        const TResponse& r = *request.Response;
        EXPECT_EQ(r.StatusCode, c.status);
        const std::string head = server.Requests().at(0);
        EXPECT_NE(head.find("Accept-Encoding: "), std::string::npos) << head;
        EXPECT_NE(head.find("gzip"), std::string::npos) << head;
        if (std::string(c.name) == "decompression bomb") {
            // Cut at the cap on the unpacked bytes, though only some kilobytes came.
            EXPECT_LE(r.BodyStream.size(), DefaultMaxBodySize);
            EXPECT_GT(r.BodyStream.size(), DefaultMaxBodySize / 2);
            EXPECT_LT(Gzip(bomb).size(), 100000u);
            continue;
        }
        if (c.result == SendSucceeded) {
            EXPECT_EQ(ResponseText(r), c.body);
        }
        if (c.status == 304 || c.status == 429 || std::string(c.name).rfind("gzip", 0) == 0) {
            EXPECT_EQ(r.ETag, "\"v1\"");
            EXPECT_EQ(r.LastModified, "Tue, 04 Mar 2025 10:00:00 GMT");
            EXPECT_EQ(r.CacheControl, "max-age=600");
            EXPECT_EQ(r.RetryAfter, "120");
        }
    }
}

// The stall limit is about silence, not length: an answer that keeps trickling in is read to
// its end however long it takes, and only the total limit cuts it.
TEST_F(HttpSend, ATricklingAnswerOutlivesTheStallLimit) {
    const std::string body = "slow but steady";
    TLoopbackServer server([&](TConnection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
        for (char ch : body) {
            std::this_thread::sleep_for(100ms);
            if (!c.Send(std::string(1, ch)))
                return;
        }
        c.WaitClosed(5s);
    });
    TRequest steady = Make(server);
    steady.StallTimeoutMs = 400; // well under the 1.5 s the answer takes
    EXPECT_EQ(steady.Send(InternetHandle), SendSucceeded);
    EXPECT_EQ(ResponseText(*steady.Response), body);

    TRequest bounded = Make(server);
    bounded.StallTimeoutMs = 400;
    bounded.TotalTimeoutMs = 700;
    EXPECT_EQ(bounded.Send(InternetHandle), SendFailed);
    EXPECT_LT(ResponseText(*bounded.Response).size(), body.size());
}

// The test suite runs with the guard on (its log is checked after the last test); here it gets a
// log of its own, and a non-routable documentation address stands for the world outside.
TEST_F(HttpSend, TheLoopbackGuardRefusesAndRecordsEveryOtherHost) {
    const char* suiteLog = std::getenv(platform::NetworkGuardVariable);
    const std::string saved = suiteLog ? suiteLog : "";
    const testsupport::TTempDir scratch;
    ASSERT_FALSE(scratch.Path().empty());
    const std::string log = scratch.File("guard.log");
    ::setenv(platform::NetworkGuardVariable, log.c_str(), 1);

    TLoopbackServer local([](TConnection& c) { c.Send(Answer("200 OK", "here")); });
    TLoopbackServer redirecting([](TConnection& c) {
        c.Send(Answer("302 Found", "", "Location: http://192.0.2.1/x\r\n"));
    });
    const std::vector<std::pair<std::string, std::string>> outside = {
        {"192.0.2.1:80", ""},                    // host and path, as the alarm server's
        {"", "http://192.0.2.1:8080/feed"},      // a feed's address
        {"", "http://news.example.invalid/rss"}, // a name: refused before any look-up
        {redirecting.Host(), ""},                // loopback, but sent away from it
    };
    for (const auto& [host, url] : outside) {
        TRequest request = Make(local);
        request.SetField(HostField, host);
        request.Url = url;
        request.ConnectTimeoutMs = 20000;
        EXPECT_EQ(request.Send(InternetHandle), SendFailed) << host << url;
    }
    TRequest allowed = Make(local);
    EXPECT_EQ(allowed.Send(InternetHandle), SendSucceeded);

    if (suiteLog)
        ::setenv(platform::NetworkGuardVariable, saved.c_str(), 1);
    else
        ::unsetenv(platform::NetworkGuardVariable);
    const std::string recorded = testsupport::ReadBytes(log);
    EXPECT_NE(recorded.find("192.0.2.1"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("news.example.invalid"), std::string::npos) << recorded;
    // Three refused at the start, and the redirect's connection.
    EXPECT_EQ(std::count(recorded.begin(), recorded.end(), '\n'), 4) << recorded;
}

} // namespace
