// How long one refresh of three standard sources takes once their answers are in: an RSS 2.0,
// an Atom and a JSON Feed answer of 100 items each parsed, merged and written as the news
// document.
#include "news/feeds/merge.h"
#include "news/feeds/parser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string Headline =
    "Merkez Bankas\xC4\xB1 faiz karar\xC4\xB1n\xC4\xB1 a\xC3\xA7\xC4\xB1klad\xC4\xB1"
    " &amp; piyasalar \"hareketlendi\"";
const std::string Summary =
    "&lt;p&gt;Kurul toplant\xC4\xB1s\xC4\xB1 sonras\xC4\xB1 &lt;b&gt;enflasyon"
    "&lt;/b&gt; beklentileri g\xC3\xB6zden ge\xC3\xA7irildi. Analistler "
    "karar\xC4\xB1n piyasalara etkisini de\xC4\x9F"
    "erlendirdi.&lt;/p&gt;";

std::string Two(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string Rss() {
    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
                       "<title>RSS Haber</title>";
    for (int i = 0; i < 100; ++i)
        body += "<item><title><![CDATA[" + Headline + " " + std::to_string(i) +
                "]]></title><link>https://rss.example/haber/" + std::to_string(i) +
                ".html</link><description>" + Summary + "</description><pubDate>Fri, 14 Mar 2025 " +
                Two(i / 60) + ":" + Two(i % 60) +
                ":00 +0300</pubDate><guid isPermaLink=\"false\">" + std::to_string(i) +
                "</guid></item>";
    return body + "</channel></rss>";
}

std::string Atom() {
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed "
                       "xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"https://atom.example/\">"
                       "<title>Atom Haber</title>";
    for (int i = 0; i < 100; ++i)
        body += "<entry><title type=\"html\">" + Headline + " " + std::to_string(i) +
                "</title><link rel=\"alternate\" href=\"haber/" + std::to_string(i) +
                "\"/><id>tag:atom.example,2025:" + std::to_string(i) + "</id><updated>2025-03-14T" +
                Two(i / 60 + 10) + ":" + Two(i % 60) + ":30Z</updated><summary type=\"html\">" +
                Summary + "</summary></entry>";
    return body + "</feed>";
}

std::string Json() {
    std::string body = "{\"version\":\"https://jsonfeed.org/version/1.1\",\"title\":\"JSON Haber\","
                       "\"items\":[";
    for (int i = 0; i < 100; ++i)
        body += std::string(i ? "," : "") + "{\"id\":\"j" + std::to_string(i) +
                "\",\"url\":\"https://json.example/" + std::to_string(i) + "\",\"title\":\"" +
                "Borsa g\xC3\xBCne rekorla ba\xC5\x9Flad\xC4\xB1 " + std::to_string(i) +
                "\",\"content_html\":\"<p>Bankac\xC4\xB1l\xC4\xB1k ve <b>sanayi</b> hisseleri "
                "endeksi yukar\xC4\xB1 ta\xC5\x9F\xC4\xB1"
                "d\xC4\xB1.</p>\",\"date_published\":"
                "\"2025-03-14T" +
                Two(i / 60 + 9) + ":" + Two(i % 60) + ":15+03:00\"}";
    return body + "]}";
}

void BM_ParseAndMergeThreeFeeds(benchmark::State& state) {
    const std::string rss = Rss(), atom = Atom(), json = Json();
    std::size_t items = 0;
    for (auto _ : state) {
        news::feeds::TFeed a = news::feeds::ParseFeed(rss, "https://rss.example/rss.xml");
        news::feeds::TFeed b = news::feeds::ParseFeed(atom, "https://atom.example/feed.atom");
        news::feeds::TFeed c = news::feeds::ParseFeed(json, "https://json.example/feed.json");
        std::vector<news::feeds::TMergedItem> merged = news::feeds::MergeSources({
            {"https://rss.example/rss.xml", a.Title, std::move(a.Items)},
            {"https://atom.example/feed.atom", b.Title, std::move(b.Items)},
            {"https://json.example/feed.json", c.Title, std::move(c.Items)},
        });
        std::string doc = news::feeds::WriteNewsDocument(merged);
        items = merged.size();
        benchmark::DoNotOptimize(doc.data());
    }
    if (items != news::feeds::MaxListItems)
        state.SkipWithError("the merged list is not full");
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * (rss.size() + atom.size() + json.size())));
}
BENCHMARK(BM_ParseAndMergeThreeFeeds)->Unit(benchmark::kMillisecond);

void BM_ParseRss100(benchmark::State& state) {
    const std::string rss = Rss();
    for (auto _ : state) {
        news::feeds::TFeed feed = news::feeds::ParseFeed(rss, "https://rss.example/rss.xml");
        benchmark::DoNotOptimize(feed.Items.data());
    }
}
BENCHMARK(BM_ParseRss100)->Unit(benchmark::kMicrosecond);

} // namespace
