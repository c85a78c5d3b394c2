#include "news/source_state.h"

#include "news/feed.h"
#include "news/feeds/merge.h"
#include "news/feeds/parser.h"
#include "news/http.h"
#include "platform/sys/atomic_file.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace news {

namespace {

namespace fs = std::filesystem;

// A record's file: sixteen lower-case hexadecimal digits and ".json".
bool IsRecordName(const std::string& name) {
    const std::string ext = ".json";
    if (name.size() != 16 + ext.size() || name.compare(16, ext.size(), ext) != 0)
        return false;
    return std::all_of(name.begin(), name.begin() + 16,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsSuccess(int status) {
    return status >= 200 && status < 300;
}

// Retry-After and max-age speak whatever the outcome; a response with nothing to say about
// it leaves the source free to be asked at the next cycle.
void NoteNextRequest(feeds::TSourceCache& cache, const TSourceAnswer& answer,
                     feeds::TUnixTime now) {
    if (answer.Status != 0)
        cache.NextRequest =
            feeds::NextRequestTime(answer.Status, answer.RetryAfter, answer.CacheControl, now);
}

void KeepValidators(feeds::TSourceCache& cache, const TSourceAnswer& answer) {
    cache.ETag = answer.ETag;
    cache.LastModified = answer.LastModified;
}

} // namespace

TSourceAnswer AnswerOf(TRequest& Request, int SendResult) {
    TSourceAnswer answer;
    TResponse& response = *Request.Response;
    answer.Completed = SendResult == SendSucceeded;
    answer.Status = response.StatusCode;
    answer.Body = std::move(response.BodyStream);
    answer.ContentType = response.ContentType;
    answer.ETag = response.ETag;
    answer.LastModified = response.LastModified;
    answer.RetryAfter = response.RetryAfter;
    answer.CacheControl = response.CacheControl;
    return answer;
}

TFetchResult ApplyFeedAnswer(feeds::TSourceCache& Cache, const TSourceAnswer& Answer,
                             feeds::TUnixTime Now) {
    NoteNextRequest(Cache, Answer, Now);
    if (!Answer.Completed)
        return TFetchResult::Failed;
    if (Answer.Status == 304) {
        // A 304 may bring fresher validators; one without them leaves the stored ones.
        if (!Answer.ETag.empty() || !Answer.LastModified.empty())
            KeepValidators(Cache, Answer);
        return TFetchResult::NotModified;
    }
    if (!IsSuccess(Answer.Status))
        return TFetchResult::Failed;
    feeds::TFeed feed = feeds::ParseFeed(Answer.Body, Cache.Url, Answer.ContentType);
    if (feed.Status != feeds::TFeedStatus::Ok)
        return TFetchResult::Failed;
    Cache.Items = std::move(feed.Items);
    Cache.Name = std::move(feed.Title);
    KeepValidators(Cache, Answer);
    return TFetchResult::Updated;
}

TFetchResult ApplyAlarmAnswer(feeds::TSourceCache& Cache, const TSourceAnswer& Answer,
                              feeds::TUnixTime Now, std::string& Document) {
    Document.clear();
    NoteNextRequest(Cache, Answer, Now);
    if (!Answer.Completed)
        return TFetchResult::Failed;
    if (Answer.Status == 304)
        return TFetchResult::NotModified;
    // An error page is not news, whatever its body holds; an empty body means nothing came.
    if (!IsSuccess(Answer.Status) || Answer.Body.empty())
        return TFetchResult::Failed;
    Document = ConvertNews(Answer.Body);
    Cache.Items = feeds::AlarmItems(Answer.Body);
    if (Cache.Items.size() > feeds::MaxFeedItems)
        Cache.Items.resize(feeds::MaxFeedItems);
    KeepValidators(Cache, Answer);
    return TFetchResult::Updated;
}

std::string AlarmSourceUrl(const std::string& Host) {
    return std::string(feeds::AlarmSourceKey) + Host;
}

std::string SourceRequestHeaders(const feeds::TSourceCache& Cache, bool Feed) {
    std::string lines;
    for (const auto& [name, value] : feeds::RequestHeaders(&Cache)) {
        // The alarm server's answer is no feed; it keeps the HTTP library's own Accept line.
        if (!Feed && name == "Accept")
            continue;
        lines += name + ": " + value + "\r\n";
    }
    return lines;
}

std::string TSourceStore::PathOf(const std::string& Url) const {
    return FFolder + "/" + feeds::SourceCacheFileName(Url);
}

feeds::TSourceCache TSourceStore::Load(const std::string& Url) const {
    std::string bytes;
    if (platform::ReadRegularFile(PathOf(Url), bytes, feeds::MaxFeedBytes) ==
        platform::TReadResult::Read) {
        if (auto cache = feeds::LoadSourceCache(bytes); cache && cache->Url == Url)
            return std::move(*cache);
    }
    feeds::TSourceCache fresh;
    fresh.Url = Url;
    return fresh;
}

bool TSourceStore::Save(const feeds::TSourceCache& Cache) const {
    std::error_code ec;
    fs::create_directories(FFolder, ec);
    return platform::WriteFileAtomically(PathOf(Cache.Url), feeds::SaveSourceCache(Cache));
}

int TSourceStore::RemoveAllBut(const std::vector<std::string>& Urls) const {
    std::set<std::string> keep;
    for (const std::string& url : Urls)
        keep.insert(feeds::SourceCacheFileName(url));
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(FFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (!IsRecordName(name) || keep.count(name) || !it->is_regular_file(typeError))
            continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

} // namespace news
