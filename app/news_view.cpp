#include "app/news_view.h"

#include "app/element_helpers.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/scrollbar.h"

namespace app {

using namespace widgets;
using namespace elements;

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
    FNewsList->OnDrag = std::move(ContentDrag);
    FNewsList->OnMouseDown = std::move(ContentMouseDown);
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
    UpdateScrollBar(*FViewport, FScrollState);
    if (Present)
        Present();
    FNewsList->Redraw = false;
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
