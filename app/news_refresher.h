// TNewsRefresher: keeps the news current. It runs refresh cycles (at start-up, on every poll
// tick and on the "update" command, never two at once), shows the busy state while one is in
// flight, writes the news document when an answer brings one and tells the window to show it;
// it also makes the one update check per run. It holds the servers the widget talks to.
#pragma once

#include "app/ids.h"
#include "news/servers.h"
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

class TNewsRefresher {
    friend class TMainWindowProbe;

public:
    // Cycles report to Window; the news document lives at NewsFilePath.
    TNewsRefresher(widgets::TWindowEx& Window, std::string NewsFilePath);
    TNewsRefresher(const TNewsRefresher&) = delete;
    TNewsRefresher& operator=(const TNewsRefresher&) = delete;
    // Waits for the workers still running.
    ~TNewsRefresher();

    // Setting up, in the window's order: the "server" section of the options (a value that
    // is not a host[:port] leaves the built-in server), the busy indicator's elements under
    // Parent (hidden), then the throbber timer (off) and the poll timer (on).
    void ReadServers(TOptions& Options);
    void BuildBusyIndicator(widgets::TControl& Parent);
    void CreateTimers();

    // Starts a cycle: busy state on, poll timer off. Does nothing while one is in flight (the
    // command is dropped, not queued). A cycle that cannot start leaves the busy state on and
    // the poll off until a later start gets through.
    void StartNewsRequest();
    bool CycleInFlight() const { return FCycle != nullptr; }
    // Ends the cycle in flight (WM_NEWSDONE): a document that came is written and, once on
    // disk, announced through OnNewsWritten; then the busy state ends, the window repaints,
    // the poll timer starts a full interval and OnCycleDone fires.
    void WMNewsDone(widgets::TWidgetMessage& Message);

    std::function<void(const std::string& Path)> OnNewsWritten;
    std::function<void()> OnCycleDone;

    // The throbber, its timer and the status text together.
    void ShowBusy(bool On);
    void ThrobberTick();

    // One check per run, when a version server is configured; the answer (WM_VERSIONDONE)
    // asks the user to download a newer version, when there is a download page to open, and
    // opens it on yes.
    void StartVersionCheck();
    bool VersionCheckInFlight() const { return FVersionWorker != nullptr; }
    void WMVersionDone(widgets::TWidgetMessage& Message);

    const news::TServers& Servers() const { return FServers; }

    // Waits for and frees the workers, then frees the poll and throbber timers, in that
    // order. Safe to run again.
    void ShutDown();

private:
    widgets::TWindowEx& FWindow;
    std::string FNewsFilePath;
    news::TServers FServers;
    int FPollInterval = DefaultPollInterval;

    std::unique_ptr<TRefreshCycle> FCycle;
    // The last cycle's document; emptied when a cycle starts.
    std::string FNewsText;
    std::unique_ptr<news::TInternetThread> FVersionWorker;

    std::unique_ptr<TWinTimer> FThrobberTimer;
    std::unique_ptr<TWinTimer> FPollTimer;
    elements::TThrobberEx* FThrobber = nullptr;
    elements::TSkinText* FStatusText = nullptr;
};

} // namespace app
