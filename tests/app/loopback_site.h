// A small web site on loopback for the widget's tests: each path answers what the test last put
// there, and every request head is kept.
#pragma once

#include "tests/news/loopback_server.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace app_test {

using testing_http::Answer;
using testing_http::TConnection;
using testing_http::TLoopbackServer;

class TSite {
public:
    TSite() : Server([this](TConnection& c) { Serve(c); }) {}
    ~TSite() { Release(); }
    TSite(const TSite&) = delete;
    TSite& operator=(const TSite&) = delete;

    void Put(const std::string& Path, std::string Raw) {
        std::lock_guard<std::mutex> lock(Mutex);
        Answers[Path] = std::move(Raw);
    }
    // Requests for Path wait until Release, so a test can look at what happens meanwhile.
    void Hold(const std::string& Path) {
        std::lock_guard<std::mutex> lock(Mutex);
        Held = Path;
    }
    void Release() {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            Held.clear();
        }
        Released.notify_all();
    }
    std::string Host() const { return Server.Host(); }
    std::string Url(const std::string& Path) const { return "http://" + Host() + Path; }
    // The request heads that asked for Path, in order.
    std::vector<std::string> Heads(const std::string& Path) {
        std::vector<std::string> heads;
        for (const std::string& head : Server.Requests())
            if (PathOf(head) == Path)
                heads.push_back(head);
        return heads;
    }
    static std::string PathOf(const std::string& Head) {
        const std::string target = Head.substr(4, Head.find(' ', 4) - 4);
        return target.substr(0, target.find('?'));
    }

private:
    void Serve(TConnection& c) {
        std::string raw = Answer("404 Not Found", "");
        {
            std::unique_lock<std::mutex> lock(Mutex);
            Released.wait(lock, [&] { return Held.empty() || Held != PathOf(c.RequestHead()); });
            if (auto it = Answers.find(PathOf(c.RequestHead())); it != Answers.end())
                raw = it->second;
        }
        c.Send(raw);
    }

    // Before the server, whose threads read them until it is gone.
    std::mutex Mutex;
    std::map<std::string, std::string> Answers;
    std::string Held;
    std::condition_variable Released;
    TLoopbackServer Server;
};

// A news site as a user meets it: a front page that advertises an RSS and an Atom feed (in that
// order), the two feeds with one story each, and a page that advertises none.
inline void PutNewsSite(TSite& Site) {
    Site.Put("/", Answer("200 OK",
                         "<!DOCTYPE html><html><head><title>Site</title>"
                         "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss\">"
                         "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"/atom\">"
                         "</head><body><p>Haberler</p></body></html>",
                         "Content-Type: text/html; charset=utf-8\r\n"));
    Site.Put("/rss", Answer("200 OK",
                            "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kanal RSS"
                            "</title><item><title>RSS haberi</title><guid>r1</guid></item>"
                            "</channel></rss>",
                            "ETag: \"r1\"\r\n"));
    Site.Put("/atom", Answer("200 OK", "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Kanal "
                                       "Atom</title><entry><title>Atom haberi</title><id>urn:a1"
                                       "</id></entry></feed>"));
    Site.Put("/plain", Answer("200 OK", "<html><body>yok</body></html>"));
}

} // namespace app_test
