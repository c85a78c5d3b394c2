#include "news/source_probe.h"

#include "news/feeds/discovery.h"
#include "news/feeds/parser.h"
#include "news/http.h"
#include "platform/window_manager.h"

namespace news {

namespace {

// A user waits for the answer, so the probe gives up sooner than a refresh would.
constexpr long ProbeTotalTimeoutMs = 30000;
constexpr long ProbeConnectTimeoutMs = 15000;

bool Reached(const TSourceAnswer& Answer) {
    // A server error says nothing about what the address holds; a 4xx says it holds nothing.
    return Answer.Completed && Answer.Status >= 200 && Answer.Status < 500;
}

bool IsSuccess(int Status) {
    return Status >= 200 && Status < 300;
}

// The answer as a feed, when it is one.
bool AsFeed(const std::string& Url, const TSourceAnswer& Answer, TProbeResult& Result) {
    if (!IsSuccess(Answer.Status))
        return false;
    const feeds::TFeed feed = feeds::ParseFeed(Answer.Body, Url, Answer.ContentType);
    if (feed.Status != feeds::TFeedStatus::Ok)
        return false;
    Result.Outcome = TProbeOutcome::Feed;
    Result.FeedUrl = Url;
    Result.Name = feed.Title;
    Result.Answer = Answer;
    return true;
}

} // namespace

TProbeResult ProbeSource(const std::string& Url, const TProbeFetch& Fetch) {
    TProbeResult result;
    const TSourceAnswer page = Fetch(Url);
    if (!Reached(page))
        return result;
    result.Outcome = TProbeOutcome::NotFound;
    if (!IsSuccess(page.Status) || AsFeed(Url, page, result))
        return result;
    const std::vector<feeds::TDiscoveredFeed> found =
        feeds::DiscoverFeeds(page.Body, Url, page.ContentType);
    if (found.empty() || found.front().Url == Url)
        return result;
    const std::string& feedUrl = found.front().Url;
    const TSourceAnswer feed = Fetch(feedUrl);
    if (!Reached(feed)) {
        result.Outcome = TProbeOutcome::Unreachable;
        return result;
    }
    AsFeed(feedUrl, feed, result);
    return result;
}

TProbeResult ProbeSource(const std::string& Url, const platform::HINTERNET& Internet,
                         const std::atomic<bool>* Abort) {
    return ProbeSource(Url, [&Internet, Abort](const std::string& Address) {
        TRequest request;
        request.Url = Address;
        request.Headers = SourceRequestHeaders(feeds::TSourceCache{}, true);
        request.AbortFlag = Abort;
        request.ConnectTimeoutMs = ProbeConnectTimeoutMs;
        request.TotalTimeoutMs = ProbeTotalTimeoutMs;
        const int sent = request.Send(Internet);
        return AnswerOf(request, sent);
    });
}

TSourceProbe::TSourceProbe(platform::HWND Window, platform::UINT MessageId, platform::WPARAM Tag,
                           std::string Url, platform::HINTERNET Internet)
    : FUrl(std::move(Url)) {
    FThread = std::thread([this, Window, MessageId, Tag, Internet = std::move(Internet)] {
        FResult = ProbeSource(FUrl, Internet, &FAbort);
        // Posted, never sent: the window thread may itself be waiting for this thread.
        if (platform::IsWindow(Window))
            platform::PostMessage(Window, MessageId, Tag, 0);
    });
}

TSourceProbe::~TSourceProbe() {
    FAbort = true;
    if (FThread.joinable())
        FThread.join();
}

const TProbeResult& TSourceProbe::Result() {
    if (FThread.joinable())
        FThread.join();
    return FResult;
}

} // namespace news
