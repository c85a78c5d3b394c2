// TSkinText: a line or block of text on the skin, sized to its text unless told otherwise, with
// an optional soft drop shadow rendered once per text change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "widgets/bitmap.h"
#include "widgets/controlex.h"

namespace elements {

// Window styles of the text-like elements: notify, and no '&' prefix processing.
constexpr platform::DWORD SkinStaticStyles = 0x180;

class TDropShadow {
public:
    bool Visible = true;
    int OffsetY = 2;
    int OffsetX = 2;
    int BlurPasses = 2;
    std::uint32_t Color = 0xFF000000;
};

class TSkinText : public widgets::TControlEx {
public:
    explicit TSkinText(widgets::TComponent* AOwner);

    const std::u16string& Data() const { return FData; }
    void SetData(const std::u16string& Text);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TDropShadow& Shadow() { return FShadow; }
    // Null until a shadow has been built.
    const widgets::TBitmapEx* ShadowBitmap() const { return FShadowBitmap.get(); }

    // Kept for the element's users; drawing does not depend on it.
    bool Transparent = true;

    // Refits (with AutoSize) and rebuilds the shadow. Later font or colour changes do not
    // rebuild it by themselves.
    void TextChanged();
    // Sizes the element to its text's extent plus one pixel each way.
    void FitToText();
    void Paint() override;
    void ScaleChanged() override;

protected:
    void CreateParams(widgets::TWindowParams& Params) override;
    void CreateWnd() override;
    void WMSetText(widgets::TWidgetMessage& Message) override;

private:
    void BuildShadow();

    std::unique_ptr<widgets::TBitmapEx> FShadowBitmap;
    TDropShadow FShadow;
    bool FAutoSize = true;
    std::u16string FData;
};

} // namespace elements
