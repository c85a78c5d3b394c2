#include "elements/pictures.h"

#include "elements/skintext.h"
#include "platform/window_manager.h"

namespace elements {

using namespace widgets;

TImageEx::TImageEx(TComponent* AOwner) : TControlEx(AOwner, u"TImageEx") {}

void TImageEx::LoadFromResource(int Id) {
    auto picture = TBitmapEx::CreateFromResource(Id);
    FResourceId = Id;
    FPicture = std::move(picture);
    FBitmap.reset();
    if (AutoSize) {
        SetWidth(FPicture->Width());
        SetHeight(FPicture->Height());
    }
    if (OnPictureLoaded)
        OnPictureLoaded(this);
}

TBitmapEx* TImageEx::Bitmap() const {
    if (!FBitmap && FPicture)
        FBitmap = FPicture->Clone();
    return FBitmap.get();
}

void TImageEx::ScaleChanged() {
    if (FResourceId != 0 && FPicture && FPicture->Scale() != platform::GetRenderScale())
        LoadFromResource(FResourceId);
    TControlEx::ScaleChanged();
}

void TImageEx::Paint() {
    TControlEx::Paint();
    const TBitmapEx* drawn = Drawn();
    if (!drawn)
        return;
    TCanvasEx& c = Canvas();
    if (Stretch) {
        c.StretchDraw(*drawn, 0, 0, Width(), Height());
    } else if (Tile) {
        c.TileRect(*drawn, 0, 0, Width(), Height());
    } else if (Center) {
        // C++ division truncates towards zero, so a picture larger than the element overhangs
        // evenly (rounded towards the origin).
        const int w = drawn->Width();
        const int h = drawn->Height();
        c.StretchDraw(*drawn, (Width() - w) / 2, (Height() - h) / 2, w, h);
    } else {
        c.Draw(*drawn, 0, 0);
    }
}

void TImageEx::CreateParams(TWindowParams& Params) {
    TControlEx::CreateParams(Params);
    UsePlatformClass(Params, u"STATIC");
    Params.Style |= SkinStaticStyles;
}

TThrobberEx::TThrobberEx(TComponent* AOwner)
    : TControlEx(AOwner, u"TThrobberEx"), FPicture(TBitmapEx::CreateFromResource(ThrobberPicture)) {
}

void TThrobberEx::SetFrame(int Value) {
    if (FFrame < 0 || FFrame > FrameCount - 2)
        FFrame = 0;
    else
        FFrame = Value;
}

void TThrobberEx::Paint() {
    TControlEx::Paint();
    if (FPicture)
        Canvas().DrawPart(*FPicture, 0, 0, 0, FrameSize * FFrame, FrameSize, FrameSize);
}

} // namespace elements
