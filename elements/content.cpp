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
    FLabelWidths.clear();
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
    FLabelWidths.clear();
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
        // and the clickable rectangles agree with the picture before the first paint. The
        // width waits until the item comes near the shown part (HeadlineWidth).
        const float top = y;
        y = y + c.TypographicHeight(item->Title);
        item->HitRect = {0, RoundEven(top), 0, RoundEven(static_cast<double>(y) + HeadlineGap)};
        y = y + HeadlineGap + RuleGap + RuleGap;
        c.Font().SetStyle(0);
        c.Font().SetSize(SummaryFontSize);
        y = y + c.TypographicHeight(item->Summary) + SummaryGap;
        y = y + ItemGap;
    }
    FItemTops.push_back(y);
    FWidthKnown.assign(FItems->size(), false);
}

int TContentEx::HeadlineWidth(std::size_t Index) {
    TElement& item = *(*FItems)[Index];
    // Items read but not laid out yet keep the rectangle they were read with.
    if (Index < FWidthKnown.size() && !FWidthKnown[Index]) {
        TCanvasEx& c = Canvas();
        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(HeadlineFontSize);
        item.HitRect.Right = item.HitRect.Left + c.TextWidth(item.Title);
        FWidthKnown[Index] = true;
    }
    return item.HitRect.Width();
}

int TContentEx::LabelWidth(const std::u16string& Label) {
    TCanvasEx& c = Canvas();
    if (FLabelFamily != c.Font().ResolvedFamily()) {
        FLabelWidths.clear();
        FLabelFamily = c.Font().ResolvedFamily();
    }
    for (const auto& [label, width] : FLabelWidths)
        if (label == Label)
            return width;
    const int width = c.TextWidth(Label);
    FLabelWidths.emplace_back(Label, width);
    return width;
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
        FWidthKnown.resize(kept);
    }
    SetHeight(RoundEven(FItemTops.back()));
    // The headlines that the first paint shows or keeps get their widths now, so the list can
    // be pointed at before it is painted.
    const auto [first, last] = ShownRows();
    const int shown = last - first;
    for (std::size_t i = FirstItemFrom(static_cast<float>(first - BandMargin * shown - 1));
         i < FItems->size() && FItemTops[i] < static_cast<float>(last + BandMargin * shown + 1);
         ++i)
        HeadlineWidth(i);
}

std::size_t TContentEx::FirstItemFrom(float Row) const {
    const auto i = static_cast<std::size_t>(
        std::upper_bound(FItemTops.begin(), FItemTops.end() - 1, Row) - FItemTops.begin());
    return i > 0 ? i - 1 : 0;
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
    const int before = FCanvasTop;
    FCanvasTop = std::max(0, std::min(Height() - rows, first - (rows - shown) / 2));
    Canvas().SetOrigin(0, FCanvasTop);
    // A picture that is up to date (no repaint asked for) keeps what the two places share.
    const int kept = rows - std::abs(FCanvasTop - before);
    if (FPainted && !Redraw && !Locked && kept > 0) {
        Canvas().ShiftRows(before - FCanvasTop);
        FMissingRows = FCanvasTop < before ? std::make_pair(FCanvasTop, before)
                                           : std::make_pair(before + rows, FCanvasTop + rows);
    } else {
        FPainted = false;
    }
    Redraw = true;
}

void TContentEx::Repaint() {
    if (HandleAllocated())
        PlaceBand();
    TControlEx::Repaint();
}

void TContentEx::Paint() {
    const auto [first, last] = FMissingRows;
    FMissingRows = {0, 0};
    if (FPainted && first < last && FItems && FItemTops.size() == FItems->size() + 1) {
        Canvas().ClearRect({0, first, Width(), last});
        TCairoSaveGuard guard(Canvas().Context());
        cairo_rectangle(Canvas().Context(), 0, first, Width(), last - first);
        cairo_clip(Canvas().Context());
        PaintRows(first, last);
        return;
    }
    TControlEx::Paint();
    FPainted = false;
    PaintRows(FCanvasTop, FCanvasTop + Canvas().Height());
}

void TContentEx::PaintRows(int First, int Last) {
    TCanvasEx& c = Canvas();
    c.Pen().SetColor(RuleColor);
    c.StringFormat().SetLineAlignment(StringAlignmentCenter);
    if (!FItems || FItems->empty())
        return;
    c.StringFormat().SetAlignment(StringAlignmentNear);
    if (FItemTops.size() != FItems->size() + 1)
        MeasureItems();
    // Only the items that reach into the rows are drawn; a pixel of slack on each side covers
    // the rounding of their rectangles.
    const float bottom = static_cast<float>(Last + 1);
    for (std::size_t i = FirstItemFrom(static_cast<float>(First - 1));
         i < FItems->size() && FItemTops[i] < bottom; ++i) {
        TElement& item = *(*FItems)[i];
        float y = FItemTops[i];
        const int top = RoundEven(y);

        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(LabelFontSize);
        const std::u16string label = LabelText(item);
        item.LabelRect = {Width() - LabelWidth(label), top + LabelDrop, Width(),
                          RoundEven(static_cast<double>(y) + c.TypographicHeight(label)) +
                              LabelDrop};
        DrawLabel(item);

        c.Font().SetStyle(FontStyleBold);
        c.Font().SetSize(HeadlineFontSize);
        y = y + c.TypographicHeight(item.Title);
        item.HitRect = {0, top, HeadlineWidth(i), RoundEven(static_cast<double>(y) + HeadlineGap)};
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

int TContentEx::ItemAt(int X, int Y) {
    if (!FItems)
        return -1;
    for (std::size_t i = 0; i < FItems->size(); ++i) {
        const platform::TRect& r = (*FItems)[i]->HitRect;
        if (Y >= r.Top && Y < r.Bottom && X >= r.Left && X < r.Left + HeadlineWidth(i))
            return static_cast<int>(i);
    }
    return -1;
}

int TContentEx::HeadlineAt(int X, int Y) {
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
