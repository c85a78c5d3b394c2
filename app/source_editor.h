// TSourceEditor: changes the widget's sources the way a user asks for it on the card. A link
// dropped on the card or pasted into it is looked at on a worker (news/source_probe.h): a feed
// is added, a page's first advertised feed is added, anything else is refused; the footer says
// how it went for five seconds and, when a source came, a refresh follows. Sources removed on
// the options view's sources page go the same way. Every change is written into the options
// file at once, under its lock, starting from the file as it is on disk.
#pragma once

#include "news/source_probe.h"
#include "widgets/windowex.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOptions;

namespace app {

class TNewsRefresher;

class TSourceEditor {
    friend class TMainWindowProbe;

public:
    // Store gives the window's options store (null once it is freed at shutdown); the
    // sources' records live in DataFolder.
    TSourceEditor(widgets::TWindowEx& Window, TNewsRefresher& Refresher,
                  std::function<TOptions*()> Store, const std::string& DataFolder);
    TSourceEditor(const TSourceEditor&) = delete;
    TSourceEditor& operator=(const TSourceEditor&) = delete;
    // Aborts a look in flight and waits the moment its worker takes to end.
    ~TSourceEditor();

    // Text a user handed the widget (dropped, pasted). Ignored while an earlier one is being
    // looked at.
    void AddText(const std::u16string& Text);
    // Asks for the clipboard's text, which comes back as a drop from the clipboard.
    void Paste();
    // The worker's WM_SOURCEPROBED.
    void ProbeDone(platform::WPARAM Tag);
    bool Probing() const { return FProbe != nullptr; }

    // Takes these feeds out of the list (the caller refreshes when it sees fit); false when the
    // file could not be written.
    bool RemoveFeeds(const std::vector<std::string>& Urls);

    // The options store now holds a changed list of sources.
    std::function<void()> OnSourcesChanged;

    void ShutDown();

private:
    void Outcome(platform::UINT StringId, const std::u16string& Name, bool Refresh);

    widgets::TWindowEx& FWindow;
    TNewsRefresher& FRefresher;
    std::function<TOptions*()> FStore;
    std::string FRecordsFolder;
    std::unique_ptr<news::TSourceProbe> FProbe;
    platform::WPARAM FSerial = 0;
};

} // namespace app
