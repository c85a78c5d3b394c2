// TSourcesPage: the second page of the options sheet. It lists the widget's sources by name, a
// few rows at a time with arrows to scroll a longer list: the alarm server (when the options
// name one) without a button, since it is a setting of the installation, and each standard feed
// with "Kaldır". Removing asks nothing: the row stays, greyed, with "Geri al" until the options
// view closes, and only then are the marked feeds taken out of the file. Below the list, "Panodan
// ekle" adds the link on the clipboard and "Seçenekler" leads back to the check boxes.
#pragma once

#include "widgets/events.h"
#include "widgets/windowex.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace elements {
class TSkinText;
} // namespace elements

namespace app {

struct TSourceRow {
    std::string Url;
    std::u16string Name;
    bool Alarm = false; // listed, not removable here
    bool Removed = false;
};

class TSourcesPage {
    friend class TMainWindowProbe;

public:
    static constexpr int VisibleRows = 5;

    explicit TSourcesPage(widgets::TWindowEx& Window) : FWindow(Window) {}
    TSourcesPage(const TSourcesPage&) = delete;
    TSourcesPage& operator=(const TSourcesPage&) = delete;

    // The page's elements on Sheet, hidden.
    void Build(widgets::TControl& Sheet);
    void SetVisible(bool Visible);
    bool Visible() const { return FVisible; }

    // The list to show. Feeds marked for removal stay marked while they are listed.
    void SetSources(std::vector<TSourceRow> Rows);
    const std::vector<TSourceRow>& Rows() const { return FRows; }
    // The feeds marked for removal, in list order.
    std::vector<std::string> PendingRemovals() const;
    void ClearRemovals();

    // Moves the list by Rows (negative: up), within its ends.
    void Scroll(int Rows);
    int FirstRow() const { return FFirst; }
    // The "Kaldır" / "Geri al" of the row shown in Slot.
    void ToggleRemoval(int Slot);

    std::function<void()> OnPaste;
    std::function<void()> OnBack;

private:
    void ShowRows();

    widgets::TWindowEx& FWindow;
    bool FVisible = false;
    std::vector<TSourceRow> FRows;
    int FFirst = 0;
    std::array<elements::TSkinText*, VisibleRows> FNames{};
    std::array<elements::TSkinText*, VisibleRows> FActions{};
    elements::TSkinText* FUp = nullptr;
    elements::TSkinText* FDown = nullptr;
    elements::TSkinText* FEmpty = nullptr;
    elements::TSkinText* FPaste = nullptr;
    elements::TSkinText* FBack = nullptr;
};

} // namespace app
