// What a dropped, pasted or given address turns out to be, from the answers it and the feed it
// advertises give.
#include "news/source_probe.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace news;

const std::string Rss = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kanal RSS"
                        "</title><item><title>Bir</title><guid>1</guid></item></channel></rss>";
const std::string Atom = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Kanal Atom</title>"
                         "<entry><title>Bir</title><id>urn:1</id></entry></feed>";

std::string Page(const std::string& Links) {
    return "<!DOCTYPE html><html><head><title>Site</title>" + Links +
           "</head><body><p>haber</p></body></html>";
}

TSourceAnswer Ok(std::string Body, std::string Type = "") {
    TSourceAnswer a;
    a.Completed = true;
    a.Status = 200;
    a.Body = std::move(Body);
    a.ContentType = std::move(Type);
    return a;
}

// A case's site: its answers by address.
std::map<std::string, TSourceAnswer>
Site(std::initializer_list<std::pair<const std::string, TSourceAnswer>> Answers) {
    return Answers;
}

// The addresses a case expects to be asked, in order.
template <class... T> std::vector<std::string> Asked(T... Url) {
    return {Url...};
}

TSourceAnswer Status(int Code) {
    TSourceAnswer a = Ok("<html><body>error</body></html>", "text/html");
    a.Status = Code;
    return a;
}

struct TProbeCase {
    const char* Name;
    std::map<std::string, TSourceAnswer> Site; // by address; others fail to connect
    TProbeOutcome Outcome;
    std::string FeedUrl;
    std::string Name_;
    std::vector<std::string> Asked;
};

TEST(ProbeSource, FeedsPagesAndEverythingElse) {
    const std::string page = "https://site.example/";
    const std::string rss = "https://site.example/rss.xml";
    const std::string atom = "https://site.example/atom.xml";
    const std::string two = Page(
        "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"R\" href=\"/rss.xml\">"
        "<link rel=\"alternate\" type=\"application/atom+xml\" title=\"A\" href=\"atom.xml\">");
    const std::vector<TProbeCase> cases = {
        {"a feed is itself", Site({{page, Ok(Rss, "application/rss+xml")}}), TProbeOutcome::Feed,
         page, "Kanal RSS", Asked(page)},
        {"a page with two feeds stands for the first",
         Site({{page, Ok(two, "text/html")}, {rss, Ok(Rss)}, {atom, Ok(Atom)}}),
         TProbeOutcome::Feed, rss, "Kanal RSS", Asked(page, rss)},
        {"a page whose first feed is down", Site({{page, Ok(two, "text/html")}, {atom, Ok(Atom)}}),
         TProbeOutcome::Unreachable, "", "", Asked(page, rss)},
        {"a page whose first feed is an HTML page", Site({{page, Ok(two)}, {rss, Ok(Page(""))}}),
         TProbeOutcome::NotFound, "", "", Asked(page, rss)},
        {"a page that advertises nothing", Site({{page, Ok(Page(""), "text/html")}}),
         TProbeOutcome::NotFound, "", "", Asked(page)},
        {"a page that advertises only itself",
         Site({{page,
                Ok(Page("<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/\">"))}}),
         TProbeOutcome::NotFound, "", "", Asked(page)},
        {"not there", Site({{page, Status(404)}}), TProbeOutcome::NotFound, "", "", Asked(page)},
        {"a server error says nothing of the address", Site({{page, Status(503)}}),
         TProbeOutcome::Unreachable, "", "", Asked(page)},
        {"no answer at all", Site({}), TProbeOutcome::Unreachable, "", "", Asked(page)},
        {"plain text", Site({{page, Ok("just words", "text/plain")}}), TProbeOutcome::NotFound, "",
         "", Asked(page)},
    };
    for (const TProbeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> asked;
        const TProbeResult result = ProbeSource(page, [&](const std::string& Url) {
            asked.push_back(Url);
            const auto it = c.Site.find(Url);
            return it != c.Site.end() ? it->second : TSourceAnswer{};
        });
        EXPECT_EQ(result.Outcome, c.Outcome);
        EXPECT_EQ(result.FeedUrl, c.FeedUrl);
        EXPECT_EQ(result.Name, c.Name_);
        EXPECT_EQ(asked, c.Asked);
        if (c.Outcome == TProbeOutcome::Feed) {
            EXPECT_FALSE(result.Answer.Body.empty());
        }
    }
}

} // namespace
