#include "app/news_refresher.h"

#include "app/desktop_integration.h"
#include "app/element_helpers.h"
#include "app/refresh_cycle.h"
#include "app/wintimer.h"
#include "elements/pictures.h"
#include "elements/skintext.h"
#include "news/feed.h"
#include "news/inet_thread.h"
#include "news/version.h"
#include "platform/shell/message_box.h"
#include "platform/sys/atomic_file.h"
#include "platform/sys/resources.h"
#include "settings/options.h"
#include "settings/unicode.h"
#include "widgets/text.h"

#include <ctime>
#include <exception>

namespace app {

using namespace platform;
using namespace widgets;

namespace {

constexpr std::uint32_t StatusColor = 0xAFFFFFFF;
// Room for "Son güncelleme 00:00", the busy text and a word on an added source.
constexpr int StatusWidth = 300;
// Flags of the update prompt: Yes/No, information icon, topmost.
constexpr UINT PromptFlags = MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST;

std::u16string FormatPrompt(const std::u16string& Pattern, const std::u16string& Title) {
    std::u16string text = Pattern;
    if (const auto at = text.find(u"%s"); at != std::u16string::npos)
        text.replace(at, 2, Title);
    return text;
}

} // namespace

news::feeds::TSourcePlan ConfiguredSources(const TOptions& Options) {
    const std::u16string news =
        Options.ReadString(Utf8ToWide(news::ServerSection), Utf8ToWide(news::NewsServerKey), u"");
    std::optional<std::vector<std::string>> feeds;
    if (const auto listed = Options.ReadFeeds()) {
        feeds.emplace();
        for (const std::u16string& value : *listed)
            feeds->push_back(WideToUtf8(value));
    }
    return news::feeds::PlanSources(news::IsServerAddress(WideToUtf8(news)), feeds);
}

TNewsRefresher::TNewsRefresher(TWindowEx& Window, const std::string& DataFolder)
    : FWindow(Window), FNewsFilePath(news::NewsFilePath(DataFolder)),
      FStore(DataFolder + "/" + news::SourcesFolderName) {}

// In the shutdown's order, also when the window object goes without a shutdown.
TNewsRefresher::~TNewsRefresher() {
    ShutDown();
}

void TNewsRefresher::ReadServers(TOptions& Options) {
    for (const char* key : {news::NewsServerKey, news::VersionServerKey, news::LinksServerKey}) {
        const std::u16string value =
            Options.ReadString(Utf8ToWide(news::ServerSection), Utf8ToWide(key), u"");
        if (!value.empty())
            FServers.Set(key, WideToUtf8(value));
    }
    FPlan = ConfiguredSources(Options);
    // A cycle in flight still writes the records of the sources it asks.
    if (FCycle)
        FPrunePending = true;
    else
        PruneRecords();
}

// A source the options no longer name takes its record with it.
void TNewsRefresher::PruneRecords() {
    FPrunePending = false;
    std::vector<std::string> kept = FPlan.Feeds;
    if (FPlan.Alarm)
        kept.push_back(news::AlarmSourceUrl(FServers.News));
    FStore.RemoveAllBut(kept);
    platform::RemoveStaleTemporaries(FStore.Folder());
}

void TNewsRefresher::BuildBusyIndicator(TControl& Parent) {
    FStatusText = MakeElement<elements::TSkinText>(FWindow, &Parent, 44, 301);
    FStatusText->SetSize(StatusWidth, 18);
    SetTextLook(*FStatusText, ListFont, 8, StatusColor, false);
    FStatusText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    FStatusText->SetData(FStatus.Text());

    // Not shown here: its window is made, above its siblings, when the busy state first shows.
    FThrobber = MakeElement<elements::TThrobberEx>(FWindow, &Parent, 26, 301);
    FThrobber->SetSize(elements::TThrobberEx::FrameSize, elements::TThrobberEx::FrameSize);
}

void TNewsRefresher::CreateTimers() {
    const HWND window = FWindow.Handle();
    FThrobberTimer = std::make_unique<TWinTimer>(window, ThrobberTimerId, ThrobberInterval);
    FThrobberTimer->SetEnabled(false);
    FPollTimer = std::make_unique<TWinTimer>(window, PollTimerId, FPollInterval);
    FPollTimer->SetEnabled(true);
    FOutcomeTimer = std::make_unique<TWinTimer>(window, OutcomeTimerId, OutcomeInterval);
}

// --- the refresh cycle ------------------------------------------------------------------------

void TNewsRefresher::StartNewsRequest() {
    if (FCycle)
        return;
    FNewsText.clear();
    ShowBusy(true);
    EnableTimer(FPollTimer, false);
    try {
        FCycle = std::make_unique<TRefreshCycle>(FWindow.Handle(), ++FCycleSerial, FPlan,
                                                 FServers.News, FStore, std::time(nullptr));
    } catch (const std::exception&) {
        // The busy state stays on until a later "update" command gets through.
        FCycle.reset();
        return;
    }
    // Every source may be resting: then nothing is asked and the cycle is over at once.
    if (FCycle->Done())
        FinishCycle();
}

void TNewsRefresher::RequestRefresh() {
    if (FCycle)
        FRefreshPending = true;
    else
        StartNewsRequest();
}

void TNewsRefresher::WMNewsDone(TWidgetMessage& Message) {
    if (!FCycle || !FCycle->FetchDone(Message.WParam, Message.LParam) || !FCycle->Done())
        return;
    FinishCycle();
}

void TNewsRefresher::FinishCycle() {
    FNewsText = FCycle->TakeDocument();
    FLastCycleFailed = FCycle->Failed();
    const bool answered = FCycle->Answered();
    FCycle.reset();
    FCycleEnded = true;
    const bool written = !FNewsText.empty() && news::SaveTextFile(FNewsFilePath, FNewsText);
    // A document that could not be written is not shown either: the list keeps the file's.
    if (written && OnNewsWritten)
        OnNewsWritten(FNewsFilePath);
    // News that came but could not be kept is no successful refresh.
    if (answered && (FNewsText.empty() || written))
        FStatus.SetLastUpdate(std::time(nullptr));
    if (OnListMessage)
        OnListMessage(ListMessage());
    ShowBusy(false);
    FWindow.Update();
    EnableTimer(FPollTimer, true);
    if (FPrunePending)
        PruneRecords();
    if (OnCycleDone)
        OnCycleDone();
    if (FRefreshPending) {
        FRefreshPending = false;
        StartNewsRequest();
    }
}

std::u16string TNewsRefresher::ListMessage() const {
    if (!FCycleEnded)
        return LoadStr(LoadingString);
    return FLastCycleFailed ? LoadStr(UnreachableString) : std::u16string();
}

// --- busy state and footer --------------------------------------------------------------------

void TNewsRefresher::ShowBusy(bool On) {
    FCycleBusy = On;
    ApplyBusy();
}

void TNewsRefresher::SetProbing(bool On) {
    FProbing = On;
    ApplyBusy();
    FWindow.Update();
}

void TNewsRefresher::ApplyBusy() {
    const bool on = FCycleBusy || FProbing;
    FThrobber->SetVisible(on);
    EnableTimer(FThrobberTimer, on);
    FStatus.SetBusy(on);
    ShowStatus();
}

void TNewsRefresher::ShowOutcome(const std::u16string& Text, bool RefreshAfter) {
    FStatus.SetOutcome(Text);
    FRefreshAfterOutcome = FRefreshAfterOutcome || RefreshAfter;
    ShowStatus();
    FWindow.Update();
    // A fresh five seconds for every word.
    EnableTimer(FOutcomeTimer, false);
    EnableTimer(FOutcomeTimer, true);
}

void TNewsRefresher::OutcomeTick() {
    EnableTimer(FOutcomeTimer, false);
    FStatus.ClearOutcome();
    ShowStatus();
    FWindow.Update();
    if (FRefreshAfterOutcome) {
        FRefreshAfterOutcome = false;
        RequestRefresh();
    }
}

void TNewsRefresher::ShowStatus() {
    const std::u16string text = FStatus.Text();
    if (text != FStatusText->Data())
        FStatusText->SetData(text);
    FStatusText->SetVisible(!text.empty());
}

void TNewsRefresher::ThrobberTick() {
    EnableTimer(FThrobberTimer, false);
    FThrobber->NextFrame();
    FWindow.Update();
    EnableTimer(FThrobberTimer, true);
}

// --- update check -----------------------------------------------------------------------------

void TNewsRefresher::StartVersionCheck() {
    if (FVersionWorker || FServers.Version.empty())
        return;
    try {
        FVersionWorker = std::make_unique<news::TInternetThread>(
            FWindow.Handle(), news::WM_VERSIONDONE, news::InternetHandle);
        FVersionWorker->Request->SetField(news::HostField, FServers.Version);
        FVersionWorker->Request->SetField(news::PathField, news::VersionRequestPath);
        FVersionWorker->Resume();
    } catch (const std::exception&) {
        FVersionWorker.reset();
    }
}

void TNewsRefresher::WMVersionDone(TWidgetMessage&) {
    std::string text;
    if (FVersionWorker) {
        text = news::ResponseText(*FVersionWorker->Request->Response);
        FVersionWorker.reset();
    }
    if (text.empty())
        return;
    const std::string version = news::ReadVersion(text);
    // Without a download page to open there is nothing to offer.
    const std::string download = FServers.LinkUrl(news::DownloadLinkId);
    if (version.empty() || !news::IsNewerVersion(version) || download.empty())
        return;
    const std::u16string title = LoadStr(TitleString);
    const std::u16string prompt = FormatPrompt(LoadStr(NewVersionString), title);
    if (MessageBox(FWindow.Handle(), prompt, title, PromptFlags) == IDYES)
        OpenLink(download);
}

// --- shutdown ---------------------------------------------------------------------------------

void TNewsRefresher::ShutDown() {
    // Both asked to stop before either is waited for.
    if (FCycle)
        FCycle->Abort();
    if (FVersionWorker)
        FVersionWorker->Abort();
    FCycle.reset();
    FVersionWorker.reset();
    FPollTimer.reset();
    FThrobberTimer.reset();
    FOutcomeTimer.reset();
}

} // namespace app
