// The refresh cycle (ask the alarm server, write "news.xml", reload the list) and the one
// update check per run.
#include "app/application.h"
#include "app/desktop_integration.h"
#include "app/mainwindow.h"

#include "news/feed.h"
#include "news/version.h"
#include "platform/shell/message_box.h"
#include "platform/sys/resources.h"
#include "settings/unicode.h"

#include <system_error>

namespace app {

using namespace platform;
using namespace widgets;

namespace {

// Flags of the update prompt: Yes/No, information icon, topmost.
constexpr UINT PromptFlags = MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST;

std::u16string FormatPrompt(const std::u16string& Pattern, const std::u16string& Title) {
    std::u16string text = Pattern;
    if (const auto at = text.find(u"%s"); at != std::u16string::npos)
        text.replace(at, 2, Title);
    return text;
}

} // namespace

void TMainWindow::StartNewsRequest() {
    if (NewsWorker)
        return;
    NewsText.clear();
    ShowBusy(true);
    EnableTimer(PollTimer, false);
    try {
        NewsWorker = std::make_unique<news::TInternetThread>(Handle(), news::WM_NEWSDONE,
                                                             news::InternetHandle);
        NewsWorker->Request->SetField(news::HostField, Servers.News);
        NewsWorker->Request->SetField(news::PathField, news::NewsRequestPath());
        NewsWorker->Resume();
    } catch (const std::exception&) {
        // The busy state stays on until a later "update" command gets through.
        NewsWorker.reset();
    }
}

void TMainWindow::WMNewsDone(TWidgetMessage& Message) {
    bool written = false;
    if (NewsWorker) {
        // A request that failed half-way may carry the start of a body; taking it would
        // replace the last good document with a truncated one.
        if (Message.LParam != news::SendFailed)
            NewsText = news::ResponseText(*NewsWorker->Request->Response);
        if (!NewsText.empty()) {
            NewsText = news::ConvertNews(NewsText);
            written = news::SaveTextFile(NewsFilePath(), NewsText);
        }
        NewsWorker.reset();
    }
    // A document that could not be written is not shown either: the list keeps the file's.
    if (written) {
        NewsList->Redraw = true;
        NewsList->LoadDocument(Utf8ToWide(NewsFilePath()));
        elements::UpdateScrollBar(*Viewport, ScrollState);
        if (Scaled) {
            Paint();
            UpdateLayer();
        }
        NewsList->Redraw = false;
    }
    ShowBusy(false);
    Update();
    EnableTimer(PollTimer, true);
    if (Scaled) {
        Paint();
        UpdateLayer();
    }
}

void TMainWindow::StartVersionCheck() {
    if (VersionWorker)
        return;
    try {
        VersionWorker = std::make_unique<news::TInternetThread>(Handle(), news::WM_VERSIONDONE,
                                                                news::InternetHandle);
        VersionWorker->Request->SetField(news::HostField, Servers.Version);
        VersionWorker->Request->SetField(news::PathField, news::VersionRequestPath);
        VersionWorker->Resume();
    } catch (const std::exception&) {
        VersionWorker.reset();
    }
}

void TMainWindow::WMVersionDone(TWidgetMessage&) {
    std::string text;
    if (VersionWorker) {
        text = news::ResponseText(*VersionWorker->Request->Response);
        VersionWorker.reset();
    }
    if (text.empty())
        return;
    const std::string version = news::ReadVersion(text);
    if (version.empty() || !news::IsNewerVersion(version))
        return;
    const std::u16string title = LoadStr(TitleString);
    const std::u16string prompt = FormatPrompt(LoadStr(NewVersionString), title);
    if (MessageBox(Handle(), prompt, title, PromptFlags) == IDYES)
        OpenLink(Servers.LinkUrl(news::DownloadLinkId));
}

} // namespace app
