#include "app/source_editor.h"

#include "app/ids.h"
#include "app/news_refresher.h"
#include "app/source_list.h"
#include "news/http.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"
#include "settings/options.h"
#include "settings/unicode.h"

#include <algorithm>
#include <ctime>

namespace app {

namespace {

// A feed's title in the footer is cut to fit beside the words around it.
constexpr std::size_t MaxOutcomeName = 40;

std::u16string Fit(std::u16string Name) {
    if (Name.size() > MaxOutcomeName) {
        Name.resize(MaxOutcomeName - 1);
        while (!Name.empty() && Name.back() == u' ')
            Name.pop_back();
        Name += u"\u2026";
    }
    return Name;
}

} // namespace

TSourceEditor::TSourceEditor(widgets::TWindowEx& Window, TNewsRefresher& Refresher,
                             std::function<TOptions*()> Store, const std::string& DataFolder)
    : FWindow(Window), FRefresher(Refresher), FStore(std::move(Store)),
      FRecordsFolder(DataFolder + "/" + news::SourcesFolderName) {}

TSourceEditor::~TSourceEditor() {
    ShutDown();
}

void TSourceEditor::ShutDown() {
    FProbe.reset();
}

void TSourceEditor::Outcome(platform::UINT StringId, const std::u16string& Name, bool Refresh) {
    std::u16string text = platform::LoadStr(StringId);
    if (const auto at = text.find(u"%s"); at != std::u16string::npos)
        text.replace(at, 2, Fit(Name));
    FRefresher.ShowOutcome(text, Refresh);
}

void TSourceEditor::Paste() {
    if (FWindow.HandleAllocated())
        platform::RequestClipboardText(FWindow.WindowHandle());
}

void TSourceEditor::AddText(const std::u16string& Text) {
    TOptions* store = FStore();
    if (FProbe || store == nullptr)
        return;
    const std::string url = UserFeedAddress(WideToUtf8(Text));
    if (url.empty()) {
        Outcome(SourceNotFoundString, {}, false);
        return;
    }
    // Known already: nothing to ask. The file may have changed behind the store's back.
    store->LoadValues();
    const std::vector<std::string> feeds = EditableFeeds(*store);
    if (std::find(feeds.begin(), feeds.end(), url) != feeds.end()) {
        Outcome(SourceExistsString, {}, false);
        return;
    }
    FProbe = std::make_unique<news::TSourceProbe>(FWindow.WindowHandle(), WM_SOURCEPROBED,
                                                  ++FSerial, url, news::InternetHandle);
    FRefresher.SetProbing(true);
}

void TSourceEditor::ProbeDone(platform::WPARAM Tag) {
    if (!FProbe || Tag != FSerial)
        return;
    const news::TProbeResult result = FProbe->Result();
    FProbe.reset();
    FRefresher.SetProbing(false);
    TOptions* store = FStore();
    if (store == nullptr)
        return;
    if (result.Outcome == news::TProbeOutcome::Unreachable) {
        Outcome(SourceUnreachableString, {}, false);
        return;
    }
    if (result.Outcome == news::TProbeOutcome::NotFound) {
        Outcome(SourceNotFoundString, {}, false);
        return;
    }
    TFeedEdit added = TFeedEdit::Added;
    const TOptionsSave saved = SaveOptionsLocked(*store, [&](TOptions& o) {
        added = AddFeed(o, result.FeedUrl);
        return added == TFeedEdit::Added;
    });
    if (added == TFeedEdit::Exists) {
        Outcome(SourceExistsString, {}, false);
        return;
    }
    if (added == TFeedEdit::Full) {
        Outcome(SourceListFullString, {}, false);
        return;
    }
    if (saved != TOptionsSave::Written)
        return;
    // What the look read is the feed's first record, so its headlines come with the refresh
    // even if the feed answers it with "not modified".
    const news::TSourceStore records(FRecordsFolder);
    news::feeds::TSourceCache record = records.Load(result.FeedUrl);
    news::ApplyFeedAnswer(record, result.Answer, std::time(nullptr));
    records.Save(record);
    if (OnSourcesChanged)
        OnSourcesChanged();
    Outcome(SourceAddedString, Utf8ToWide(result.Name), true);
}

bool TSourceEditor::RemoveFeeds(const std::vector<std::string>& Urls) {
    TOptions* store = FStore();
    if (store == nullptr || Urls.empty())
        return false;
    const TOptionsSave saved = SaveOptionsLocked(*store, [&](TOptions& o) {
        bool any = false;
        for (const std::string& url : Urls)
            any = RemoveFeed(o, url) == TFeedEdit::Removed || any;
        return any;
    });
    if (saved == TOptionsSave::Busy || saved == TOptionsSave::Failed)
        return false;
    if (OnSourcesChanged)
        OnSourcesChanged();
    return true;
}

} // namespace app
