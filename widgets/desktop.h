// TDesktop stands for the screen the widget lives on: it owns the main window (and through it
// everything else) and tells the work area, the part of the screen that docked bars leave free.
#pragma once

#include "platform/types.h"
#include "widgets/component.h"

namespace widgets {

class TDesktop : public TComponent {
public:
    explicit TDesktop(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    // Read afresh on every call, so a moved or resized panel is seen at once. On failure R
    // keeps what it held.
    bool WorkArea(platform::TRect& R) const;
};

} // namespace widgets
