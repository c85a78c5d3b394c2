// What the parts of the main window share when they build their elements: every element is
// owned by the main window (so the window frees the whole tree), placed under its parent, and
// the skin's texts use a few fonts and looks.
#pragma once

#include "elements/skintext.h"
#include "widgets/windowex.h"

#include <cstdint>

namespace app {

constexpr const char16_t* ListFont = u"Trebuchet MS";
constexpr const char16_t* TitleFont = u"Impact";

// Made with the window as owner, then given its parent and position, in that order.
template <class T>
T* MakeElement(widgets::TWindowEx& Window, widgets::TControl* Parent, int Left, int Top) {
    T* element = Window.Make<T>();
    element->SetParent(Parent);
    element->SetLeft(Left);
    element->SetTop(Top);
    return element;
}

inline void SetTextLook(elements::TSkinText& Text, const char16_t* Family, int Size,
                        std::uint32_t Color, bool Antialias) {
    Text.Shadow().Visible = false;
    Text.Canvas().SetAntialias(Antialias);
    Text.Font().SetName(Family);
    Text.Font().SetSize(Size);
    Text.Font().SetColor(Color);
}

} // namespace app
