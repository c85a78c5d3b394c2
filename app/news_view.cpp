#include "app/news_view.h"

#include "app/element_helpers.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/scrollbar.h"
#include "elements/skintext.h"
#include "widgets/text.h"

namespace app {

using namespace widgets;
using namespace elements;

namespace {

constexpr std::uint32_t MessageColor = 0xFF707070;
// Below the top of the list, in its middle, two lines high.
constexpr int MessageTop = 70;
constexpr int MessageHeight = 44;

} // namespace

TNewsView::TNewsView(TWindowEx& Window, TControl& Parent, const std::u16string& DocumentPath,
                     TMouseEvent ContentDrag, TMouseEvent ContentMouseDown) {
    FViewport = MakeElement<TContainerEx>(Window, &Parent, 30, 75);
    FViewport->SetSize(415, 213);
    FViewport->Show();

    FNewsList = MakeElement<TContentEx>(Window, FViewport, 0, 0);
    FNewsList->SetSize(FViewport->Width() - 25, FViewport->Height());
    FNewsList->Canvas().SetAntialias(false);
    FNewsList->Font().SetName(ListFont);
    FNewsList->Font().SetSize(9);
    FNewsList->LoadDocument(DocumentPath);
    FNewsList->Show();
    FNewsList->Cached = true;
    FNewsList->OnDrag = ContentDrag;
    FNewsList->OnMouseDown = ContentMouseDown;

    // Over the empty list, it takes the list's presses: a right click opens the menu, a left
    // press drags the window.
    FMessage = MakeElement<TSkinText>(Window, FViewport, 0, MessageTop);
    FMessage->SetAutoSize(false);
    FMessage->SetSize(FNewsList->Width(), MessageHeight);
    SetTextLook(*FMessage, ListFont, 9, MessageColor, true);
    FMessage->Canvas().StringFormat().SetAlignment(StringAlignmentCenter);
    FMessage->OnMouseDown = [Down = std::move(ContentMouseDown),
                             Drag = std::move(ContentDrag)](TObject* S, int K, int X, int Y) {
        if (Down)
            Down(S, K, X, Y);
        if (Drag)
            Drag(S, K, X, Y);
    };
    const auto keys = [this](TObject* Sender, std::uint16_t& Key, TShiftState Shift) {
        if (OnKeyDown)
            OnKeyDown(Sender, Key, Shift);
        if (Key != 0)
            ScrollKeyDown(*FViewport, FScrollState, Key);
    };
    FNewsList->OnKeyDown = keys;

    FScroller = MakeElement<TScrollerEx>(Window, FViewport, FViewport->Width() - 20, 0);
    FScroller->SetSize(20, 213);
    FScroller->SetPicture(TBitmapEx::CreateFromResource(ScrollTrackPicture));
    FScroller->OnMouseDown = [this](TObject*, int, int, int Y) {
        TrackMouseDown(*FViewport, FScrollState, Y);
    };
    FScroller->Show();

    FThumb = MakeElement<TThumbEx>(Window, FScroller, 1, 0);
    FThumb->SetSize(18, 70);
    FThumb->SetPicture(TBitmapEx::CreateFromResource(ScrollThumbPicture));
    FThumb->OnKeyDown = keys;
    FThumb->Show();
    FThumb->OnMouseDown = [this](TObject*, int K, int, int) {
        ThumbMouseDown(*FViewport, FScrollState, K);
    };
    FThumb->OnDrag = [this](TObject*, int K, int, int) { ThumbDrag(*FViewport, FScrollState, K); };
    FThumb->OnMouseUp = [](TObject*, int, int, int) {};

    FViewport->Scroller = FScroller;
    FViewport->List = FNewsList;
    FViewport->Thumb = FThumb;
    UpdateScrollBar(*FViewport, FScrollState);
}

void TNewsView::ShowDocument(const std::u16string& Path, const std::function<void()>& Present) {
    FNewsList->Redraw = true;
    FNewsList->LoadDocument(Path);
    ShowMessageIfEmpty();
    UpdateScrollBar(*FViewport, FScrollState);
    if (Present)
        Present();
    FNewsList->Redraw = false;
}

void TNewsView::SetMessage(const std::u16string& Text) {
    if (Text != FMessage->Data())
        FMessage->SetData(Text);
    ShowMessageIfEmpty();
}

void TNewsView::ShowMessageIfEmpty() {
    const TElementList* items = FNewsList->Items();
    FMessage->SetVisible(!FMessage->Data().empty() && (items == nullptr || items->empty()));
}

void TNewsView::TakeFocus() {
    FNewsList->SetFocus();
}

void TNewsView::WheelScroll(int WheelDelta) {
    elements::WheelScroll(*FViewport, FScrollState, WheelDelta);
}

const TElementList* TNewsView::Items() const {
    return FNewsList->Items();
}

} // namespace app
