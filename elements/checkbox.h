// TCheckBoxEx: a check box drawn from two state pictures with its caption after the picture.
// It does not flip itself; the main window's click handlers do.
#pragma once

#include "elements/statebitmaps.h"
#include "widgets/controlex.h"

namespace elements {

class TCheckBoxEx : public widgets::TControlEx {
public:
    explicit TCheckBoxEx(widgets::TComponent* AOwner) : TControlEx(AOwner, u"TCheckBoxEx") {}

    TStateBitmaps& StateBitmaps() { return FStateBitmaps; }
    bool Checked = false;

    void Paint() override;
    void ScaleChanged() override {
        FStateBitmaps.Rescale();
        TControlEx::ScaleChanged();
    }

private:
    TStateBitmaps FStateBitmaps;
};

} // namespace elements
