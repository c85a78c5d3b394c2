// TReflectionEx: the glass-floor mirror under another element, rebuilt from that element's
// current picture at every paint.
#pragma once

#include "widgets/controlex.h"

namespace elements {

class TReflectionEx : public widgets::TControlEx {
public:
    explicit TReflectionEx(widgets::TComponent* AOwner) : TControlEx(AOwner, u"TReflectionEx") {}

    // The element to mirror. Its canvas bitmap is taken afresh at each paint, so the mirror
    // stays valid when that element's canvas is rebuilt (a resize, a new window).
    void SetSource(widgets::TControlEx* Element) { FSource = Element; }
    widgets::TControlEx* Source() const { return FSource; }

    void Paint() override;

private:
    widgets::TControlEx* FSource = nullptr;
};

} // namespace elements
