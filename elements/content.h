// elements/ holds the skinned elements the main window is built from: the news list, the
// scroll bar, texts, images, the busy indicator, check boxes and the reflection. Start with
// this file (the news list, fed by newsdocument.h and wrap.h) and scrollbar.h (the scroll bar
// and the scrolling operations the main window wires; the rules are in scrolling.h).
//
// TContentEx: the news list. It reads the local news document into items, lays them out one
// below the other (label, headline, rule, summary), paints them, shows the hand over a
// headline and opens the headline's link when it is clicked. It is as tall as its content; the
// main window shows a window of it inside a TContainerEx and scrolls it by moving its Top. Only
// a band around the shown part is painted and kept in pixels, so a long list costs no more
// memory or painting than a short one.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "elements/linkopener.h"
#include "elements/newsdocument.h"
#include "widgets/controlex.h"

namespace elements {

// Entries of the toolkit's cursor table.
constexpr int crDefault = 0;
constexpr int crHand = 13;

// How an item is drawn.
constexpr std::uint32_t LabelColor = 0xAF404040;
constexpr std::uint32_t HeadlineColor = 0xFF0000A0;
constexpr std::uint32_t RuleColor = 0x40000000;
constexpr std::uint32_t SummaryColor = 0xFF303030;
constexpr int LabelFontSize = 9;
constexpr int HeadlineFontSize = 10;
constexpr int SummaryFontSize = 9;
constexpr float MaxListHeight = 32000.0f; // below cairo's largest image side, 32767
constexpr int HeadlineGap = 4;            // below the headline's text
constexpr int RuleGap = 2;                // above and below the rule
constexpr int SummaryGap = 4;             // below the summary's text
constexpr int ItemGap = 15;               // between items
constexpr int LabelDrop = 6;              // the label sits this much lower than the headline
// The kept band reaches this many container heights beyond each edge of the shown part, so
// most scroll steps only move the band's picture.
constexpr int BandMargin = 1;

class TContentEx : public widgets::TControlEx {
public:
    explicit TContentEx(widgets::TComponent* AOwner);

    // Reads and lays out Path when such a file exists; otherwise the items stay as they are.
    void LoadDocument(const std::u16string& Path);
    // Replaces the items with those of DocumentPath; a document that does not load keeps them.
    void ReadDocument();
    // Positions the items and sets Height to the content's height. An empty list changes
    // nothing.
    void Layout();
    void Paint() override;
    void Repaint() override;
    // The rows of the list kept in pixels: [BandTop, BandTop + canvas height).
    int BandTop() const { return FCanvasTop; }
    // The first item whose headline contains the point, or -1.
    int ItemAt(int X, int Y);
    // The item whose headline text (one of its drawn lines, not the label over it) is under the
    // point, or -1: where the hand shows, the headline is underlined and a click opens it.
    int HeadlineAt(int X, int Y);
    // The item whose headline is underlined because the pointer is over it, or -1.
    int HotItem() const { return FHotItem; }
    void ClearItems();

    // Null until the first document has loaded.
    const TElementList* Items() const { return FItems.get(); }
    const std::u16string& DocumentPath() const { return FDocumentPath; }
    // The label the layout measures in front of a headline: the name of the item's section, or
    // empty for a section the table does not know.
    static std::u16string SectionName(const TElement& Item);
    static std::u16string LabelText(const TElement& Item);

    // Where a clicked headline's link goes. Only web links ever reach it; by default they are
    // handed to the desktop's browser.
    TLinkOpener OpenLink;

protected:
    void FitCanvas() override;
    void WMMouseMove(widgets::TWidgetMessage& Message) override;
    void WMMouseLeave(widgets::TWidgetMessage& Message) override;
    void WMButtonDown(widgets::TWidgetMessage& Message) override;
    void WMButtonUp(widgets::TWidgetMessage& Message) override;

private:
    void ContentClick(widgets::TObject* Sender, int Keys, int X, int Y);
    void DrawLabel(TElement& Item);
    void DrawHeadline(TElement& Item, bool Hot);
    // Underlines the headline at Index (-1: none) and takes the underline off the one before.
    void SetHotItem(int Index);
    // The top of each item and, last, the bottom of the list, as the layout accumulates them.
    void MeasureItems();
    // The width of the headline at Index, measured on first need and kept in its HitRect.
    int HeadlineWidth(std::size_t Index);
    // A label's width; the few section names are measured once per document and font.
    int LabelWidth(const std::u16string& Label);
    // The last item that starts at or above Row (the first item when none does).
    std::size_t FirstItemFrom(float Row) const;
    // The rows shown inside the container, clipped to the list.
    std::pair<int, int> ShownRows() const;
    // Moves the band around the shown rows when it does not hold them all. A painted band
    // keeps the rows the old and new places share and leaves the others to paint.
    void PlaceBand();
    // Draws the items that reach into rows [First, Last) of the list, within those rows.
    void PaintRows(int First, int Last);

    std::unique_ptr<TElementList> FItems;
    std::u16string FDocumentPath;
    int FHotItem = -1;
    // The canvas holds the picture of the items as they are: a hover may redraw one headline.
    bool FPainted = false;
    // Rows that the next Paint has to draw when only they are missing from the band; empty
    // when Paint draws it all.
    std::pair<int, int> FMissingRows{0, 0};
    std::vector<float> FItemTops;
    std::vector<bool> FWidthKnown;
    std::vector<std::pair<std::u16string, int>> FLabelWidths;
    std::string FLabelFamily;
};

} // namespace elements
