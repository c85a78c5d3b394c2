// What a refresh keeps of each source: the rules that fold one answer into the source's record
// (its last good items, its validators, when it may be asked again), the header lines its next
// request carries, and the folder the records live in, one file per source. Plain work on the
// window thread; the requests themselves run on workers (inet_thread.h).
#pragma once

#include "news/feeds/cache.h"

#include <string>
#include <vector>

namespace news {

class TRequest;

// One exchange with a source, as its worker left it.
struct TSourceAnswer {
    // The body ended normally: no network error, time-out, abort or size cap.
    bool Completed = false;
    int Status = 0;
    std::string Body;
    std::string ContentType;
    std::string ETag;
    std::string LastModified;
    std::string RetryAfter;
    std::string CacheControl;
};

// The answer a finished request holds; SendResult is what its Send returned.
TSourceAnswer AnswerOf(TRequest& Request, int SendResult);

enum class TFetchResult {
    Updated,     // a good answer: its items replace the record's
    NotModified, // 304: the record's items are still current
    Failed,      // anything else: the record keeps its items
};

// A standard feed's answer folded into its record. Only a 2xx answer that parses as a feed
// replaces the items (and the validators); a failure keeps them. Whatever the outcome, a
// status that says when to come back (Retry-After, max-age) sets NextRequest.
TFetchResult ApplyFeedAnswer(feeds::TSourceCache& Cache, const TSourceAnswer& Answer,
                             feeds::TUnixTime Now);

// The alarm server's answer folded into its record: a 2xx answer with a body is good, and
// Document then receives what ConvertNews makes of it (the news document when the alarm server
// is the only source). An error page (any other status) or an empty body is a failure.
TFetchResult ApplyAlarmAnswer(feeds::TSourceCache& Cache, const TSourceAnswer& Answer,
                              feeds::TUnixTime Now, std::string& Document);

// The address the alarm server's record is kept under.
std::string AlarmSourceUrl(const std::string& Host);

// The header lines (each ending in CR LF) of the next request to the source: the User-Agent,
// the conditional headers of its last good answer and, for a feed, the formats it accepts.
std::string SourceRequestHeaders(const feeds::TSourceCache& Cache, bool Feed);

// The folder of source records, "sources" in the data folder.
class TSourceStore {
public:
    explicit TSourceStore(std::string Folder) : FFolder(std::move(Folder)) {}

    const std::string& Folder() const { return FFolder; }
    std::string PathOf(const std::string& Url) const;

    // The record of Url; a fresh one when there is none or the file holds no sound record of
    // that very address.
    feeds::TSourceCache Load(const std::string& Url) const;
    // Written atomically; the folder is made when missing.
    bool Save(const feeds::TSourceCache& Cache) const;
    // Removes the records of every source but these (and nothing that is not named as a record
    // is); returns how many went.
    int RemoveAllBut(const std::vector<std::string>& Urls) const;

private:
    std::string FFolder;
};

constexpr const char* SourcesFolderName = "sources";

} // namespace news
