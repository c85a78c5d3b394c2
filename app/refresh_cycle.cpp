#include "app/refresh_cycle.h"

#include "news/feed.h"
#include "news/feeds/merge.h"
#include "news/feeds/url.h"
#include "news/http.h"

#include <algorithm>
#include <exception>

namespace app {

using news::TFetchResult;

TRefreshCycle::TRefreshCycle(platform::HWND Window, unsigned Serial,
                             const news::feeds::TSourcePlan& Plan, const std::string& AlarmHost,
                             const news::TSourceStore& Store, news::feeds::TUnixTime Now)
    : FWindow(Window), FSerial(Serial & 0xFFFF), FAlarmHost(AlarmHost), FStore(Store), FNow(Now) {
    if (Plan.Alarm) {
        TFetch alarm;
        alarm.Url = news::AlarmSourceUrl(AlarmHost);
        FFetches.push_back(std::move(alarm));
    }
    for (const std::string& url : Plan.Feeds) {
        TFetch feed;
        feed.Url = url;
        feed.Feed = true;
        FFetches.push_back(std::move(feed));
    }
    for (TFetch& fetch : FFetches) {
        fetch.Cache = FStore.Load(fetch.Url);
        // A wait longer than any answer may ask for comes from a clock set back or a record
        // edited by hand, and is not kept to.
        const news::feeds::TUnixTime next = fetch.Cache.NextRequest;
        if (next > FNow && next <= FNow + news::feeds::MaxRequestDelay)
            fetch.State = TState::Resting;
    }
    StartWaiting();
}

TRefreshCycle::~TRefreshCycle() {
    // All asked to stop first, so the waits overlap instead of adding up.
    Abort();
    for (TFetch& fetch : FFetches)
        fetch.Worker.reset();
}

platform::WPARAM TRefreshCycle::TagOf(std::size_t Index) const {
    return (static_cast<platform::WPARAM>(FSerial) << 16) | static_cast<platform::WPARAM>(Index);
}

void TRefreshCycle::StartWaiting() {
    std::size_t running = static_cast<std::size_t>(
        std::count_if(FFetches.begin(), FFetches.end(),
                      [](const TFetch& f) { return f.State == TState::Running; }));
    for (std::size_t i = 0; i < FFetches.size() && running < MaxParallelFetches; ++i) {
        if (FFetches[i].State != TState::Waiting)
            continue;
        Start(FFetches[i], i);
        if (FFetches[i].State == TState::Running)
            ++running;
    }
}

void TRefreshCycle::Start(TFetch& Fetch, std::size_t Index) {
    try {
        Fetch.Worker = std::make_unique<news::TInternetThread>(FWindow, news::WM_NEWSDONE,
                                                               news::InternetHandle);
        Fetch.Worker->Tag = TagOf(Index);
        news::TRequest& request = *Fetch.Worker->Request;
        if (Fetch.Feed) {
            request.Url = Fetch.Url;
        } else {
            request.SetField(news::HostField, FAlarmHost);
            request.SetField(news::PathField, news::NewsRequestPath());
        }
        request.Headers = news::SourceRequestHeaders(Fetch.Cache, Fetch.Feed);
        Fetch.Worker->Resume();
        Fetch.State = TState::Running;
    } catch (const std::exception&) {
        // A worker that cannot start is a fetch that failed; the others go on.
        Fetch.Worker.reset();
        Fetch.State = TState::Ended;
        Fetch.Result = TFetchResult::Failed;
    }
}

bool TRefreshCycle::FetchDone(platform::WPARAM Tag, platform::LPARAM Result) {
    const std::size_t index = static_cast<std::size_t>(Tag & 0xFFFF);
    if ((Tag >> 16) != FSerial || index >= FFetches.size())
        return false;
    TFetch& fetch = FFetches[index];
    if (fetch.State != TState::Running || !fetch.Worker)
        return false;
    fetch.Worker->WaitFor();
    const news::TSourceAnswer answer =
        news::AnswerOf(*fetch.Worker->Request, static_cast<int>(Result));
    fetch.Worker.reset();
    if (fetch.Feed) {
        fetch.Result = news::ApplyFeedAnswer(fetch.Cache, answer, FNow);
    } else {
        fetch.Result = news::ApplyAlarmAnswer(fetch.Cache, answer, FNow, FAlarmDocument);
    }
    fetch.State = TState::Ended;
    // Written at once, so what came survives a crash before the cycle ends.
    FStore.Save(fetch.Cache);
    StartWaiting();
    return true;
}

bool TRefreshCycle::Done() const {
    return std::none_of(FFetches.begin(), FFetches.end(), [](const TFetch& f) {
        return f.State == TState::Waiting || f.State == TState::Running;
    });
}

void TRefreshCycle::Abort() {
    for (TFetch& fetch : FFetches)
        if (fetch.Worker)
            fetch.Worker->Abort();
}

bool TRefreshCycle::Answered(const TFetch& Fetch) {
    return Fetch.State == TState::Ended && Fetch.Result != TFetchResult::Failed;
}

bool TRefreshCycle::Answered() const {
    return std::any_of(FFetches.begin(), FFetches.end(),
                       [](const TFetch& f) { return Answered(f); });
}

bool TRefreshCycle::Failed() const {
    return std::none_of(FFetches.begin(), FFetches.end(),
                        [](const TFetch& f) { return Answered(f) || f.State == TState::Resting; });
}

std::string TRefreshCycle::TakeDocument() {
    const bool feeds =
        std::any_of(FFetches.begin(), FFetches.end(), [](const TFetch& f) { return f.Feed; });
    if (!feeds)
        return std::move(FAlarmDocument);
    if (!Answered())
        return {};
    std::vector<news::feeds::TSourceItems> sources;
    for (const TFetch& fetch : FFetches) {
        news::feeds::TSourceItems items;
        items.Key = fetch.Feed ? fetch.Url : news::feeds::AlarmSourceKey;
        items.Name = fetch.Cache.Name.empty() && fetch.Feed ? news::feeds::UrlHost(fetch.Url)
                                                            : fetch.Cache.Name;
        items.Items = fetch.Cache.Items;
        sources.push_back(std::move(items));
    }
    return news::feeds::WriteNewsDocument(news::feeds::MergeSources(sources));
}

} // namespace app
