#include "app/sources_page.h"

#include "app/element_helpers.h"
#include "app/ids.h"
#include "elements/content.h"
#include "elements/skintext.h"
#include "platform/sys/resources.h"
#include "widgets/text.h"

#include <algorithm>
#include <set>

namespace app {

using namespace widgets;
using namespace elements;

namespace {

constexpr std::uint32_t NameColor = 0xCF000000;
constexpr std::uint32_t RemovedColor = 0x60000000;
constexpr std::uint32_t LinkColor = 0xFF4040FF;
constexpr int FontStyleBold = 1;
constexpr int RowTop = 16;
constexpr int RowHeight = 22;
constexpr int NameLeft = 40;
constexpr int NameWidth = 235;
constexpr int ActionLeft = 282;
constexpr int ActionWidth = 52;
constexpr int ArrowLeft = 338;
constexpr int LinkTop = 146;
// A name is cut to what fits beside its button.
constexpr std::size_t MaxNameChars = 38;

std::u16string Shortened(std::u16string Name) {
    if (Name.size() > MaxNameChars) {
        Name.resize(MaxNameChars - 1);
        Name += u"\u2026";
    }
    return Name;
}

TSkinText* MakeText(TWindowEx& Window, TControl& Parent, int Left, int Top, int Width,
                    std::uint32_t Color, bool Link) {
    TSkinText* text = MakeElement<TSkinText>(Window, &Parent, Left, Top);
    text->SetAutoSize(false);
    text->SetSize(Width, RowHeight - 2);
    SetTextLook(*text, ListFont, 9, Color, false);
    text->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    if (Link) {
        text->Font().SetStyle(FontStyleBold);
        text->SetCursor(crHand);
    }
    return text;
}

} // namespace

void TSourcesPage::Build(TControl& Sheet) {
    for (int slot = 0; slot < VisibleRows; ++slot) {
        const int top = RowTop + slot * RowHeight;
        FNames[slot] = MakeText(FWindow, Sheet, NameLeft, top, NameWidth, NameColor, false);
        FNames[slot]->SetEnabled(false);
        FActions[slot] = MakeText(FWindow, Sheet, ActionLeft, top, ActionWidth, LinkColor, true);
        FActions[slot]->OnClick = [this, slot](TObject*, int, int, int) { ToggleRemoval(slot); };
    }
    const auto wheel = [this](TObject*, int, int Delta, int, int) { Scroll(Delta > 0 ? -1 : 1); };
    FUp = MakeText(FWindow, Sheet, ArrowLeft, RowTop, 20, LinkColor, true);
    FUp->SetData(u"\u25B2");
    FUp->OnClick = [this](TObject*, int, int, int) { Scroll(-1); };
    FDown = MakeText(FWindow, Sheet, ArrowLeft, RowTop + (VisibleRows - 1) * RowHeight, 20,
                     LinkColor, true);
    FDown->SetData(u"\u25BC");
    FDown->OnClick = [this](TObject*, int, int, int) { Scroll(1); };
    for (TSkinText* text : FActions)
        text->OnMouseWheel = wheel;
    FUp->OnMouseWheel = wheel;
    FDown->OnMouseWheel = wheel;

    FEmpty = MakeText(FWindow, Sheet, NameLeft, RowTop, 300, NameColor, false);
    FEmpty->SetSize(300, 2 * RowHeight);
    FEmpty->SetData(platform::LoadStr(NoSourcesString));
    FEmpty->SetEnabled(false);

    FBack = MakeText(FWindow, Sheet, NameLeft, LinkTop, 100, LinkColor, true);
    FBack->SetData(u"\u2039 " + platform::LoadStr(OptionsPageString));
    FBack->OnClick = [this](TObject*, int, int, int) {
        if (OnBack)
            OnBack();
    };
    FPaste = MakeText(FWindow, Sheet, NameLeft + 110, LinkTop, 120, LinkColor, true);
    FPaste->SetData(platform::LoadStr(PasteSourceString));
    FPaste->OnClick = [this](TObject*, int, int, int) {
        if (OnPaste)
            OnPaste();
    };
}

void TSourcesPage::SetVisible(bool Visible) {
    FVisible = Visible;
    FBack->SetVisible(Visible);
    FPaste->SetVisible(Visible);
    ShowRows();
}

void TSourcesPage::SetSources(std::vector<TSourceRow> Rows) {
    std::set<std::string> removed;
    for (const TSourceRow& row : FRows)
        if (row.Removed)
            removed.insert(row.Url);
    for (TSourceRow& row : Rows)
        row.Removed = !row.Alarm && (row.Removed || removed.count(row.Url) != 0);
    FRows = std::move(Rows);
    Scroll(0);
}

std::vector<std::string> TSourcesPage::PendingRemovals() const {
    std::vector<std::string> urls;
    for (const TSourceRow& row : FRows)
        if (row.Removed)
            urls.push_back(row.Url);
    return urls;
}

void TSourcesPage::ClearRemovals() {
    for (TSourceRow& row : FRows)
        row.Removed = false;
    ShowRows();
}

void TSourcesPage::Scroll(int Rows) {
    const int last = std::max(0, static_cast<int>(FRows.size()) - VisibleRows);
    FFirst = std::clamp(FFirst + Rows, 0, last);
    ShowRows();
}

void TSourcesPage::ToggleRemoval(int Slot) {
    const std::size_t index = static_cast<std::size_t>(FFirst + Slot);
    if (Slot < 0 || Slot >= VisibleRows || index >= FRows.size() || FRows[index].Alarm)
        return;
    FRows[index].Removed = !FRows[index].Removed;
    ShowRows();
}

void TSourcesPage::ShowRows() {
    for (int slot = 0; slot < VisibleRows; ++slot) {
        const std::size_t index = static_cast<std::size_t>(FFirst + slot);
        const bool shown = FVisible && index < FRows.size();
        TSkinText& name = *FNames[slot];
        TSkinText& action = *FActions[slot];
        if (shown) {
            const TSourceRow& row = FRows[index];
            name.Font().SetColor(row.Removed ? RemovedColor : NameColor);
            name.SetData(Shortened(row.Name));
            name.TextChanged();
            action.SetData(row.Alarm     ? std::u16string()
                           : row.Removed ? platform::LoadStr(UndoRemoveString)
                                         : platform::LoadStr(RemoveSourceString));
        }
        name.SetVisible(shown);
        action.SetVisible(shown && !FRows[index].Alarm);
    }
    const bool longList = FRows.size() > static_cast<std::size_t>(VisibleRows);
    FUp->SetVisible(FVisible && longList && FFirst > 0);
    FDown->SetVisible(FVisible && longList &&
                      FFirst + VisibleRows < static_cast<int>(FRows.size()));
    FEmpty->SetVisible(FVisible && FRows.empty());
    FWindow.Update();
}

} // namespace app
