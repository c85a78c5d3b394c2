// TNewsView: the news list in its clipping frame with the skinned scroll bar beside it. It
// shows the local news document, reloads it when a refresh has written a new one, and scrolls
// by wheel, keys, track and thumb; presses and drags on the list go to the window's handlers.
#pragma once

#include "elements/newsdocument.h"
#include "elements/scrolling.h"
#include "widgets/events.h"
#include "widgets/windowex.h"

#include <functional>
#include <string>

namespace elements {
class TContainerEx;
class TContentEx;
class TScrollerEx;
class TSkinText;
class TThumbEx;
} // namespace elements

namespace app {

class TNewsView {
    friend class TMainWindowProbe;

public:
    // Builds the frame under Parent and loads DocumentPath when that file exists. ContentDrag
    // and ContentMouseDown receive the list's drags and presses.
    TNewsView(widgets::TWindowEx& Window, widgets::TControl& Parent,
              const std::u16string& DocumentPath, widgets::TMouseEvent ContentDrag,
              widgets::TMouseEvent ContentMouseDown);
    TNewsView(const TNewsView&) = delete;
    TNewsView& operator=(const TNewsView&) = delete;

    // Reloads the list from Path and fits the scroll bar to it. Present runs while the list
    // may still redraw itself, for a picture that must show the new list at once.
    void ShowDocument(const std::u16string& Path, const std::function<void()>& Present);
    void WheelScroll(int WheelDelta);
    // What the list says while it holds no items (that the news is on its way, or cannot be
    // reached); empty says nothing. It shows only while the list is empty.
    void SetMessage(const std::u16string& Text);
    // Gives the list the keyboard, so the scroll keys work without a click into it first.
    void TakeFocus();

    // Sees the keys of the list and the thumb before they scroll; setting Key to 0 keeps a key
    // from scrolling.
    widgets::TKeyEvent OnKeyDown;

    // The items shown; null until a document has loaded.
    const elements::TElementList* Items() const;
    // The frame the views lock while they slide over it.
    elements::TContainerEx& Viewport() const { return *FViewport; }

private:
    void ShowMessageIfEmpty();

    elements::TContainerEx* FViewport = nullptr;
    elements::TContentEx* FNewsList = nullptr;
    elements::TScrollerEx* FScroller = nullptr;
    elements::TThumbEx* FThumb = nullptr;
    elements::TSkinText* FMessage = nullptr;
    elements::TScrollState FScrollState;
};

} // namespace app
