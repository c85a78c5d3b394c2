// TRefreshCycle: one refresh of the news, from the moment it is started to the moment every
// source has answered or failed. It asks the sources on worker threads, a few at once; each
// worker posts WM_NEWSDONE to the window with its fetch's tag as wParam, and the window thread
// hands the message to FetchDone, which folds the answer into that source's record (saved in
// the sources folder at once) and starts the next waiting source. A source that asked to be
// left alone for a while is not asked and keeps its items. Once every fetch has ended,
// TakeDocument gives the news document to write. A cycle that exists is in flight.
#pragma once

#include "news/feeds/item.h"
#include "news/feeds/sources.h"
#include "news/inet_thread.h"
#include "news/source_state.h"
#include "platform/types.h"

#include <memory>
#include <string>
#include <vector>

namespace app {

// At most this many sources are asked at the same time.
constexpr std::size_t MaxParallelFetches = 4;

class TRefreshCycle {
public:
    // Starts asking the sources of Plan (the alarm server at AlarmHost), loading each source's
    // record from Store; completions are posted to Window tagged with Serial, which tells this
    // cycle's messages from those of an earlier one. Now is the wall-clock time in seconds.
    TRefreshCycle(platform::HWND Window, unsigned Serial, const news::feeds::TSourcePlan& Plan,
                  const std::string& AlarmHost, const news::TSourceStore& Store,
                  news::feeds::TUnixTime Now);
    TRefreshCycle(const TRefreshCycle&) = delete;
    TRefreshCycle& operator=(const TRefreshCycle&) = delete;
    // Aborts the fetches still running and waits for their workers, which takes a moment only.
    ~TRefreshCycle();

    // The answer of WM_NEWSDONE (its wParam and lParam). False for a message that is not for a
    // running fetch of this cycle, which changes nothing.
    bool FetchDone(platform::WPARAM Tag, platform::LPARAM Result);
    // Every source has answered, failed or was left alone.
    bool Done() const;
    // Asks every running fetch to end now; each still reports, as a failure.
    void Abort();

    // Once Done: the news document to write, or empty to leave the file as it is. With the alarm
    // server alone it is what ConvertNews made of a good answer; with standard feeds it is the
    // merged list of every source's items, made when at least one source answered.
    std::string TakeDocument();
    // Once Done: some source answered, with news or "not modified".
    bool Answered() const;
    // Once Done: no source answered and none was left alone.
    bool Failed() const;

private:
    enum class TState { Waiting, Running, Ended, Resting };
    struct TFetch {
        std::string Url;
        bool Feed = false;
        news::feeds::TSourceCache Cache;
        std::unique_ptr<news::TInternetThread> Worker;
        TState State = TState::Waiting;
        news::TFetchResult Result = news::TFetchResult::Failed;
    };

    platform::WPARAM TagOf(std::size_t Index) const;
    void StartWaiting();
    void Start(TFetch& Fetch, std::size_t Index);
    static bool Answered(const TFetch& Fetch);

    platform::HWND FWindow;
    unsigned FSerial;
    std::string FAlarmHost;
    const news::TSourceStore& FStore;
    news::feeds::TUnixTime FNow;
    std::vector<TFetch> FFetches;
    // The alarm server's answer made into the document, when it was its only source's answer.
    std::string FAlarmDocument;
};

} // namespace app
