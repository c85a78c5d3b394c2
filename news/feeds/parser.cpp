#include "news/feeds/parser.h"

#include "news/feeds/charset.h"
#include "news/feeds/dates.h"
#include "news/feeds/hash.h"
#include "news/feeds/parser_internal.h"
#include "news/feeds/text.h"
#include "news/feeds/url.h"

namespace news::feeds {

namespace detail {

namespace {

// Identities longer than this are kept as their fingerprint.
constexpr std::size_t MaxIdBytes = 512;

std::string Identity(const TRawItem& raw, const TFeedItem& item) {
    std::string id = CleanText(raw.Id.substr(0, 4 * MaxIdBytes));
    if (id.size() > MaxIdBytes)
        id = "h:" + FingerprintHex(id);
    if (!id.empty())
        return id;
    if (!item.Link.empty())
        return item.Link;
    return "h:" + FingerprintHex(item.Title + '\n' + CleanText(raw.Date));
}

std::string Text(const std::string& text, bool isHtml) {
    return isHtml ? HtmlToText(text) : CleanText(text.substr(0, MaxHtmlInput));
}

} // namespace

bool FinishItem(const TRawItem& raw, std::string_view base, TFeedItem& item) {
    item = TFeedItem();
    std::string title = Text(raw.Title, raw.TitleIsHtml);
    std::string summary = Text(raw.Summary, raw.SummaryIsHtml);
    // Many publishers repeat the headline as the description; showing it twice says nothing.
    if (summary == title)
        summary.clear();
    // A headline-less item (microblog-style JSON Feed) leads with its text instead.
    if (title.empty())
        title.swap(summary);
    if (title.empty())
        return false;
    item.Title = CutText(title, MaxTitleChars);
    item.Summary = CutText(summary, MaxSummaryChars);
    item.Link = WebLink(base, raw.Link);
    item.Date = ParseFeedDate(raw.Date);
    item.Id = Identity(raw, item);
    return true;
}

std::string FeedTitle(std::string_view title, bool isHtml, std::string_view feedUrl) {
    std::string text = Text(std::string(title.substr(0, MaxHtmlInput)), isHtml);
    if (text.empty())
        text = CleanText(UrlHost(feedUrl));
    return CutText(text, MaxTitleChars);
}

} // namespace detail

namespace {

// Characters XML forbids anywhere are dropped before parsing, so one stray byte cannot cost
// the whole feed; JSON may only hold them escaped, and the texts lose them later anyway.
void DropControlBytes(std::string& text) {
    std::size_t out = 0;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 || u == '\t' || u == '\n' || u == '\r')
            text[out++] = c;
    }
    text.resize(out);
}

char FirstMark(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t\r\n");
    return at == std::string::npos ? '\0' : text[at];
}

std::string Prepared(std::string_view body, std::string_view contentType) {
    std::string text = ToUtf8(body, contentType);
    DropControlBytes(text);
    return text;
}

} // namespace

TFeed ParseFeed(std::string_view body, std::string_view feedUrl, std::string_view contentType) {
    TFeed feed;
    if (body.size() > MaxFeedBytes) {
        feed.Status = TFeedStatus::TooLarge;
        return feed;
    }
    std::string text = Prepared(body, contentType);
    switch (FirstMark(text)) {
    case '<':
        return detail::ParseXmlFeed(text, feedUrl);
    case '{':
        return detail::ParseJsonFeed(text, feedUrl);
    default:
        return feed;
    }
}

TFeedFormat DetectFeedFormat(std::string_view body, std::string_view contentType) {
    TFeed feed = ParseFeed(body, {}, contentType);
    return feed.Status == TFeedStatus::Ok ? feed.Format : TFeedFormat::None;
}

} // namespace news::feeds
