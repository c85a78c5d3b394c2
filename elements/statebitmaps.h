// TStateBitmaps: the two pictures a check box switches between. It owns both; giving it a new
// picture for a slot frees the one that was there.
#pragma once

#include <memory>

#include "widgets/bitmap.h"

namespace elements {

class TStateBitmaps {
public:
    // Either may be null: a missing state picture draws nothing.
    widgets::TBitmapEx* OffImage() const { return FOffImage.get(); }
    widgets::TBitmapEx* OnImage() const { return FOnImage.get(); }

    void SetOffImage(std::unique_ptr<widgets::TBitmapEx> Bitmap) { FOffImage = std::move(Bitmap); }
    void SetOnImage(std::unique_ptr<widgets::TBitmapEx> Bitmap) { FOnImage = std::move(Bitmap); }

    widgets::TBitmapEx* ForState(bool Checked) const { return Checked ? OnImage() : OffImage(); }

    void Rescale() {
        widgets::RescalePicture(FOffImage);
        widgets::RescalePicture(FOnImage);
    }

private:
    std::unique_ptr<widgets::TBitmapEx> FOffImage;
    std::unique_ptr<widgets::TBitmapEx> FOnImage;
};

} // namespace elements
