#include "elements/skintext.h"

#include "widgets/text.h"

namespace elements {

using namespace widgets;

TSkinText::TSkinText(TComponent* AOwner) : TControlEx(AOwner, u"TSkinText") {}

void TSkinText::SetData(const std::u16string& Text) {
    FData = Text;
    TextChanged();
}

void TSkinText::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    TextChanged();
}

void TSkinText::TextChanged() {
    if (FAutoSize)
        FitToText();
    BuildShadow();
}

void TSkinText::FitToText() {
    const TSize extent = Canvas().TextExtent(FData);
    SetSize(extent.cx + 1, extent.cy + 1);
}

// The shadow is the text drawn once in the shadow colour and softened; painting then only
// composites it, so a shadowed label costs no more to repaint than a plain one.
void TSkinText::BuildShadow() {
    if (!FShadow.Visible)
        return;
    FShadowBitmap.reset();
    TCanvasEx& own = Canvas();
    TCanvasEx shadow(Width(), Height());
    shadow.SetTextRenderingHint(own.TextRenderingHint());
    shadow.StringFormat().Assign(own.StringFormat());
    shadow.Font().Assign(own.Font());
    shadow.Font().SetColor(FShadow.Color);
    shadow.DrawText(platform::TRect{0, 0, Width(), Height()}, FData);
    FShadowBitmap = shadow.Bitmap().Clone();
    FShadowBitmap->Blur(FShadow.BlurPasses);
}

void TSkinText::ScaleChanged() {
    TControlEx::ScaleChanged();
    BuildShadow();
}

void TSkinText::Paint() {
    TControlEx::Paint();
    if (FShadow.Visible && FShadowBitmap)
        Canvas().Draw(*FShadowBitmap, FShadow.OffsetX, FShadow.OffsetY);
    Canvas().DrawText(ClientRect(), FData);
}

void TSkinText::CreateParams(TWindowParams& Params) {
    TControlEx::CreateParams(Params);
    UsePlatformClass(Params, u"STATIC");
    Params.Style |= SkinStaticStyles;
}

void TSkinText::CreateWnd() {
    TControlEx::CreateWnd();
    TextChanged();
}

void TSkinText::WMSetText(TWidgetMessage& Message) {
    TControlEx::WMSetText(Message);
    if (FAutoSize)
        FitToText();
}

} // namespace elements
