// TNewsRefresher: keeps the news current. It runs refresh cycles (at start-up, on every poll
// tick and on the "update" command, never two at once) over the sources the options name (the
// alarm server, standard feeds, or the built-in feeds when they name none), shows the busy
// state while one is in flight, writes the news document when a cycle brings one and tells the
// window to show it; the footer says when the news last came, and the list is told what to say
// while it has nothing to show. It also makes the one update check per run, and holds the
// servers the widget talks to.
#pragma once

#include "app/ids.h"
#include "app/status_line.h"
#include "news/feeds/sources.h"
#include "news/servers.h"
#include "news/source_state.h"
#include "widgets/windowex.h"

#include <functional>
#include <memory>
#include <string>

class TOptions;

namespace elements {
class TSkinText;
class TThrobberEx;
} // namespace elements

namespace news {
class TInternetThread;
}

namespace app {

class TRefreshCycle;
class TWinTimer;

// The sources an options file puts in effect. Feeds is where an editor of the sources starts:
// the built-in defaults when the file names neither feeds nor a news server, so that writing the
// edited list back (TOptions::WriteFeeds) keeps the feeds the user was reading.
news::feeds::TSourcePlan ConfiguredSources(const TOptions& Options);

class TNewsRefresher {
    friend class TMainWindowProbe;

public:
    // Cycles report to Window; the news document and the sources folder live in DataFolder.
    TNewsRefresher(widgets::TWindowEx& Window, const std::string& DataFolder);
    TNewsRefresher(const TNewsRefresher&) = delete;
    TNewsRefresher& operator=(const TNewsRefresher&) = delete;
    // Waits for the workers still running.
    ~TNewsRefresher();

    // Setting up, in the window's order: the "server" and "feeds" sections of the options (a
    // server value that is not a host[:port] leaves the built-in server; the records of sources
    // no longer named are removed, after the cycle in flight if there is one), the busy
    // indicator's elements under Parent (hidden), then the throbber timer (off) and the poll
    // timer (on). ReadServers runs again whenever the options file's sources changed.
    void ReadServers(TOptions& Options);
    void BuildBusyIndicator(widgets::TControl& Parent);
    void CreateTimers();

    // Starts a cycle: busy state on, poll timer off. Does nothing while one is in flight (the
    // command is dropped, not queued). A cycle that cannot start leaves the busy state on and
    // the poll off until a later start gets through.
    void StartNewsRequest();
    // A cycle now, or right after the one in flight: the sources changed since it began.
    void RequestRefresh();
    bool CycleInFlight() const { return FCycle != nullptr; }
    // One source of the cycle in flight has answered (WM_NEWSDONE). When it was the last, the
    // cycle ends: a document that came is written and, once on disk, announced through
    // OnNewsWritten; then the busy state ends, the window repaints, the poll timer starts a
    // full interval and OnCycleDone fires.
    void WMNewsDone(widgets::TWidgetMessage& Message);

    std::function<void(const std::string& Path)> OnNewsWritten;
    std::function<void()> OnCycleDone;
    // What the list should say while it holds no news (empty: nothing); fired when that changes.
    std::function<void(const std::u16string& Text)> OnListMessage;
    std::u16string ListMessage() const;

    // The throbber, its timer and the footer's text together. The busy state shows while a
    // cycle runs or an address a user handed the widget is being looked at.
    void ShowBusy(bool On);
    void SetProbing(bool On);
    void ThrobberTick();
    // The footer's word on how an edit of the sources went, for five seconds (the busy text
    // still goes first); with RefreshAfter a refresh follows once it is gone.
    void ShowOutcome(const std::u16string& Text, bool RefreshAfter);
    void OutcomeTick();
    const TStatusLine& Status() const { return FStatus; }

    // One check per run, when a version server is configured; the answer (WM_VERSIONDONE)
    // asks the user to download a newer version, when there is a download page to open, and
    // opens it on yes.
    void StartVersionCheck();
    bool VersionCheckInFlight() const { return FVersionWorker != nullptr; }
    void WMVersionDone(widgets::TWidgetMessage& Message);

    const news::TServers& Servers() const { return FServers; }
    const news::feeds::TSourcePlan& Sources() const { return FPlan; }

    // Aborts the requests in flight, waits the moment their workers take to end and frees
    // them, then frees the poll and throbber timers, in that order. Safe to run again.
    void ShutDown();

private:
    void FinishCycle();
    void ShowStatus();
    void ApplyBusy();
    void PruneRecords();

    widgets::TWindowEx& FWindow;
    std::string FNewsFilePath;
    news::TSourceStore FStore;
    news::TServers FServers;
    news::feeds::TSourcePlan FPlan;
    int FPollInterval = DefaultPollInterval;

    std::unique_ptr<TRefreshCycle> FCycle;
    unsigned FCycleSerial = 0;
    bool FCycleBusy = false;
    bool FProbing = false;
    // The sources changed while a cycle was in flight: refresh, and drop the records of
    // sources no longer named, once it is over.
    bool FRefreshPending = false;
    bool FPrunePending = false;
    bool FRefreshAfterOutcome = false;
    // How the last finished cycle went; neither before the first one.
    bool FCycleEnded = false;
    bool FLastCycleFailed = false;
    TStatusLine FStatus;
    // The last cycle's document; emptied when a cycle starts.
    std::string FNewsText;
    std::unique_ptr<news::TInternetThread> FVersionWorker;

    std::unique_ptr<TWinTimer> FThrobberTimer;
    std::unique_ptr<TWinTimer> FPollTimer;
    std::unique_ptr<TWinTimer> FOutcomeTimer;
    elements::TThrobberEx* FThrobber = nullptr;
    elements::TSkinText* FStatusText = nullptr;
};

} // namespace app
