#include "elements/checkbox.h"

namespace elements {

using namespace widgets;

void TCheckBoxEx::Paint() {
    TControlEx::Paint();
    platform::TRect r = ClientRect();
    if (const TBitmapEx* picture = FStateBitmaps.ForState(Checked)) {
        Canvas().Draw(*picture, 0, 0);
        r.Left += picture->Width();
    }
    Canvas().DrawText(r, Caption());
}

} // namespace elements
