#include "elements/reflection.h"

#include "elements/mirror.h"
#include "widgets/bitmap.h"

namespace elements {

void TReflectionEx::Paint() {
    TControlEx::Paint();
    if (!FSource)
        return;
    if (auto mirror = BuildMirror(FSource->Canvas().Bitmap()))
        Canvas().Draw(*mirror, 0, 0);
}

} // namespace elements
