#include "app/source_list.h"

#include "app/news_refresher.h"
#include "news/feeds/sources.h"
#include "news/feeds/url.h"
#include "settings/options.h"
#include "settings/unicode.h"

#include <algorithm>
#include <cctype>

namespace app {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
    return Text.size() >= Prefix.size() &&
           std::equal(Prefix.begin(), Prefix.end(), Text.begin(), [](char p, char t) {
               return p == std::tolower(static_cast<unsigned char>(t));
           });
}

void Write(TOptions& Options, const std::vector<std::string>& Feeds) {
    std::vector<std::u16string> values;
    for (const std::string& feed : Feeds)
        values.push_back(Utf8ToWide(feed));
    Options.WriteFeeds(values);
}

} // namespace

std::string UserFeedAddress(std::string_view Text) {
    while (!Text.empty() && IsSpace(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsSpace(Text.back()))
        Text.remove_suffix(1);
    if (!StartsWithNoCase(Text, "http://") && !StartsWithNoCase(Text, "https://"))
        return {};
    if (std::any_of(Text.begin(), Text.end(),
                    [](char c) { return IsSpace(c) || static_cast<unsigned char>(c) < 0x20; }))
        return {};
    return news::feeds::WebLink({}, Text);
}

std::vector<std::string> EditableFeeds(const TOptions& Options) {
    return ConfiguredSources(Options).Feeds;
}

TFeedEdit AddFeed(TOptions& Options, const std::string& Url) {
    std::vector<std::string> feeds = EditableFeeds(Options);
    if (std::find(feeds.begin(), feeds.end(), Url) != feeds.end())
        return TFeedEdit::Exists;
    if (feeds.size() >= news::feeds::MaxSources)
        return TFeedEdit::Full;
    feeds.push_back(Url);
    Write(Options, feeds);
    return TFeedEdit::Added;
}

TFeedEdit RemoveFeed(TOptions& Options, const std::string& Url) {
    std::vector<std::string> feeds = EditableFeeds(Options);
    const auto it = std::find(feeds.begin(), feeds.end(), Url);
    if (it == feeds.end())
        return TFeedEdit::Missing;
    feeds.erase(it);
    Write(Options, feeds);
    return TFeedEdit::Removed;
}

} // namespace app
