#include "elements/content.h"

#include <sys/stat.h>

#include <algorithm>

#include "elements/scrolling.h"
#include "elements/textconv.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"
#include "widgets/text.h"

namespace elements {

using namespace widgets;

TContentEx::TContentEx(TComponent* AOwner)
    : TControlEx(AOwner, u"TContentEx"),
      OpenLink([](const std::string& Url) { OpenInBrowser(Url); }) {
    OnClick = [this](TObject* Sender, int Keys, int X, int Y) { ContentClick(Sender, Keys, X, Y); };
}

void TContentEx::LoadDocument(const std::u16string& Path) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(Path).c_str(), &st) != 0)
        return;
    FDocumentPath = Path;
    ReadDocument();
    Layout();
}

void TContentEx::ReadDocument() {
    FHotItem = -1;
    FPainted = false;
    FItemTops.clear();
    if (!FItems) {
        auto items = std::make_unique<TElementList>();
        if (ReadNewsDocument(FDocumentPath, *items))
            FItems = std::move(items);
        return;
    }
    ReadNewsDocument(FDocumentPath, *FItems);
}

void TContentEx::ClearItems() {
    FItems = std::make_unique<TElementList>();
    FHotItem = -1;
    FPainted = false;
    FItemTops.clear();
}

std::u16string TContentEx::SectionName(const TElement& Item) {
    const int index = SectionIndex(Item.Section);
    if (index < 0)
        return {};
    return platform::LoadStr(static_cast<platform::UINT>(SectionNameBaseId + index));
}

// The label names the section; a section we have no name for shows the feed's own text.
std::u16string TContentEx::LabelText(const TElement& Item) {
    std::u16string name = SectionName(Item);
    return name.empty() ? Utf8ToUtf16(Item.Section) : name;
}

// Positions accumulate in single precision and are rounded (halves to even) only where a
// rectangle or the height needs whole pixels.
void TContentEx::MeasureItems() {
    FItemTops.clear();
    if (!FItems)
        return;
    TCanvasEx& c = Canvas();
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    float y = 0.0f;
    FItemTops.reserve(FItems->size() + 1);
    for (auto& item : *FItems) {
        FItemTops.push_back(y);
        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(HeadlineFontSize);
        // Measured as painted (the label sits apart at the right edge), so the list's height
        // and the clickable rectangles agree with the picture before the first paint.
        const float top = y;
        y = y + c.TypographicHeight(item->Title);
        item->HitRect = {0, RoundEven(top), c.TextWidth(item->Title),
                         RoundEven(static_cast<double>(y) + HeadlineGap)};
        y = y + HeadlineGap + RuleGap + RuleGap;
        c.Font().SetStyle(0);
        c.Font().SetSize(SummaryFontSize);
        y = y + c.TypographicHeight(item->Summary) + SummaryGap;
        y = y + ItemGap;
    }
    FItemTops.push_back(y);
}

void TContentEx::Layout() {
    if (!FItems || FItems->empty())
        return;
    MeasureItems();
    // The list's height stays within what a window's coordinates and a picture of the whole
    // list could hold: an oversized feed loses its tail rather than the whole list.
    const auto over = std::upper_bound(FItemTops.begin(), FItemTops.end(), MaxListHeight);
    if (over != FItemTops.end()) {
        const auto kept = static_cast<std::size_t>(over - FItemTops.begin()) - 1;
        FItems->erase(FItems->begin() + static_cast<std::ptrdiff_t>(kept), FItems->end());
        FItemTops.resize(kept + 1);
    }
    SetHeight(RoundEven(FItemTops.back()));
}

std::pair<int, int> TContentEx::ShownRows() const {
    const int shown = Parent() ? Parent()->Height() : Height();
    const int top = std::max(0, -Top());
    return {top, std::max(top, std::min(Height(), -Top() + shown))};
}

void TContentEx::FitCanvas() {
    const int shown = Parent() ? Parent()->Height() : Height();
    const int rows = std::min(Height(), shown * (1 + 2 * BandMargin));
    if (Canvas().Width() != Width() || Canvas().Height() != rows) {
        Canvas().SetSize(Width(), rows);
        FPainted = false;
        Redraw = true;
    }
    PlaceBand();
}

void TContentEx::PlaceBand() {
    const auto [first, last] = ShownRows();
    const int rows = Canvas().Height();
    if (first >= FCanvasTop && last <= FCanvasTop + rows)
        return;
    const int shown = last - first;
    FCanvasTop = std::max(0, std::min(Height() - rows, first - (rows - shown) / 2));
    Canvas().SetOrigin(0, FCanvasTop);
    FPainted = false;
    Redraw = true;
}

void TContentEx::Repaint() {
    if (HandleAllocated())
        PlaceBand();
    TControlEx::Repaint();
}

void TContentEx::Paint() {
    TControlEx::Paint();
    FPainted = false;
    TCanvasEx& c = Canvas();
    c.Pen().SetColor(RuleColor);
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    if (!FItems || FItems->empty())
        return;
    c.StringFormat().SetAlignment(StringAlignmentNear);
    if (FItemTops.size() != FItems->size() + 1)
        MeasureItems();
    // Only the items that reach into the band are drawn; a pixel of slack on each side covers
    // the rounding of their rectangles.
    const float bandTop = static_cast<float>(FCanvasTop - 1);
    const float bandBottom = static_cast<float>(FCanvasTop + c.Height() + 1);
    std::size_t i = static_cast<std::size_t>(
        std::upper_bound(FItemTops.begin(), FItemTops.end() - 1, bandTop) - FItemTops.begin());
    i = i > 0 ? i - 1 : 0;
    for (; i < FItems->size() && FItemTops[i] < bandBottom; ++i) {
        TElement& item = *(*FItems)[i];
        float y = FItemTops[i];
        const int top = RoundEven(y);

        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(LabelFontSize);
        const std::u16string label = LabelText(item);
        item.LabelRect = {Width() - c.TextWidth(label), top + LabelDrop, Width(),
                          RoundEven(static_cast<double>(y) + c.TypographicHeight(label)) +
                              LabelDrop};
        DrawLabel(item);

        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(HeadlineFontSize);
        y = y + c.TypographicHeight(item.Title);
        item.HitRect = {0, top, c.TextWidth(item.Title),
                        RoundEven(static_cast<double>(y) + HeadlineGap)};
        y = y + HeadlineGap;
        DrawHeadline(item, static_cast<int>(i) == FHotItem);

        y = y + RuleGap;
        c.Line(0, RoundEven(y), Width(), RoundEven(y));
        y = y + RuleGap;

        c.Font().SetStyle(0);
        c.Font().SetSize(SummaryFontSize);
        c.Font().SetColor(SummaryColor);
        const float summaryHeight = c.TypographicHeight(item.Summary);
        const platform::TRect summary{
            0, RoundEven(y), Width(),
            RoundEven(static_cast<double>(y) + summaryHeight + SummaryGap)};
        y = y + summaryHeight + SummaryGap;
        c.DrawText(summary, item.Summary);
    }
    FPainted = true;
}

void TContentEx::DrawLabel(TElement& Item) {
    TCanvasEx& c = Canvas();
    c.Font().SetStyle(FontStyleBold);
    c.Font().SetSize(LabelFontSize);
    c.Font().SetColor(LabelColor);
    c.DrawText(Item.LabelRect, LabelText(Item));
}

void TContentEx::DrawHeadline(TElement& Item, bool Hot) {
    TCanvasEx& c = Canvas();
    c.Font().SetStyle(FontStyleBold | (Hot ? FontStyleUnderline : 0));
    c.Font().SetSize(HeadlineFontSize);
    c.Font().SetColor(HeadlineColor);
    c.DrawText(Item.HitRect, Item.Title, &Item.HeadlineLines);
}

int TContentEx::ItemAt(int X, int Y) const {
    if (!FItems)
        return -1;
    for (std::size_t i = 0; i < FItems->size(); ++i)
        if ((*FItems)[i]->HitRect.Contains(X, Y))
            return static_cast<int>(i);
    return -1;
}

int TContentEx::HeadlineAt(int X, int Y) const {
    const int index = ItemAt(X, Y);
    if (index < 0)
        return -1;
    const TElement& item = *(*FItems)[index];
    // Until the list has been painted only the headline's rectangle is known.
    if (item.HeadlineLines.empty())
        return index;
    if (item.LabelRect.Contains(X, Y))
        return -1;
    for (const platform::TRect& line : item.HeadlineLines)
        if (line.Contains(X, Y))
            return index;
    return -1;
}

void TContentEx::SetHotItem(int Index) {
    if (Index == FHotItem)
        return;
    const int before = FHotItem;
    FHotItem = Index;
    if (!FPainted) {
        Redraw = true;
    } else {
        // Only the two headlines change: each is redrawn in place, with the label that may
        // overlap its rectangle, and the rest of the kept picture stays as it is.
        TCanvasEx& c = Canvas();
        c.StringFormat().SetAlignment(StringAlignmentNear);
        c.StringFormat().SetLineAlignment(StringAlignmentCenter);
        for (const int i : {before, Index}) {
            if (i < 0 || i >= static_cast<int>(FItems->size()))
                continue;
            TElement& item = *(*FItems)[i];
            const platform::TRect& a = item.HitRect;
            const platform::TRect& b = item.LabelRect;
            c.ClearRect({std::min(a.Left, b.Left), std::min(a.Top, b.Top),
                         std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)});
            DrawLabel(item);
            DrawHeadline(item, i == Index);
        }
    }
    Update();
}

void TContentEx::WMMouseMove(TWidgetMessage& Message) {
    TControlEx::WMMouseMove(Message);
    const int x = platform::GetXLParam(Message.LParam);
    const int y = platform::GetYLParam(Message.LParam);
    const int hot = HeadlineAt(x, y);
    SetCursor(hot >= 0 ? crHand : crDefault);
    SetHotItem(hot);
}

void TContentEx::WMMouseLeave(TWidgetMessage& Message) {
    TControlEx::WMMouseLeave(Message);
    SetHotItem(-1);
}

void TContentEx::WMButtonDown(TWidgetMessage& Message) {
    platform::SetCapture(Handle());
    SetFocus();
    TControlEx::WMButtonDown(Message);
}

void TContentEx::WMButtonUp(TWidgetMessage& Message) {
    platform::ReleaseCapture();
    TControlEx::WMButtonUp(Message);
}

// The link comes from the news feed: anything but a web address (a local file, a program, a
// script) is not ours to open.
void TContentEx::ContentClick(TObject*, int, int X, int Y) {
    const int index = HeadlineAt(X, Y);
    if (index < 0)
        return;
    const std::string& link = (*FItems)[index]->Link;
    if (IsWebLink(link) && OpenLink)
        OpenLink(link);
}

} // namespace elements
