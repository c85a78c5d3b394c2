// Picture elements of the skin: an image loaded by resource id, the window background and the
// busy animation.
#pragma once

#include <memory>

#include "elements/scrollbar.h"
#include "widgets/bitmap.h"
#include "widgets/controlex.h"

namespace elements {

// Skin pictures by resource id.
constexpr int ScrollTrackPicture = 5000;
constexpr int ScrollThumbPicture = 5001;
constexpr int BackgroundPicture = 5002;
constexpr int ThrobberPicture = 5003;
constexpr int HeaderPicture = 5004;
constexpr int OptionsPicture = 5005;
constexpr int SmallClosePicture = 5006;
constexpr int CheckOffPicture = 5007;
constexpr int CheckOnPicture = 5008;
constexpr int AboutPicture = 5009;
constexpr int ProgramPicture = 5010;
constexpr int ClosePicture = 5011;

// A picture loaded from the program's resources. Drawing uses a working copy, which the
// owner may change (the options sheet is faded and tinted); reloading starts a fresh copy.
// The copy is made when the owner first asks for it: until then the loaded picture is drawn,
// so a picture nobody changes is held once.
class TImageEx : public widgets::TControlEx {
public:
    explicit TImageEx(widgets::TComponent* AOwner);

    // Throws platform::EResNotFound for an id the program does not carry; the element then
    // keeps what it had.
    void LoadFromResource(int Id);
    // The picture as loaded and the working copy; null before the first load.
    const widgets::TBitmapEx* Picture() const { return FPicture.get(); }
    widgets::TBitmapEx* Bitmap() const;
    int ResourceId() const { return FResourceId; }

    bool AutoSize = true; // size the element to the picture when it loads
    bool Stretch = false;
    bool Tile = false;
    bool Center = false;
    // Fired after every load, also the one a new desktop scale brings, so an owner that changes
    // the working copy changes it again.
    widgets::TNotifyEvent OnPictureLoaded;

    void Paint() override;
    void ScaleChanged() override;

protected:
    void CreateParams(widgets::TWindowParams& Params) override;

private:
    // What Paint draws: the working copy once there is one.
    const widgets::TBitmapEx* Drawn() const { return FBitmap ? FBitmap.get() : FPicture.get(); }

    std::unique_ptr<widgets::TBitmapEx> FPicture;
    mutable std::unique_ptr<widgets::TBitmapEx> FBitmap;
    int FResourceId = 0;
};

class TBackgroundEx : public TPictureElement {
public:
    explicit TBackgroundEx(widgets::TComponent* AOwner)
        : TPictureElement(AOwner, u"TBackgroundEx") {}
};

// The busy ring: 18 frames of 18 x 18 stacked in one picture.
class TThrobberEx : public widgets::TControlEx {
public:
    static constexpr int FrameSize = 18;
    static constexpr int FrameCount = 18;

    explicit TThrobberEx(widgets::TComponent* AOwner);

    int Frame() const { return FFrame; }
    // Cycles 0..17; a frame outside that range (set from outside) restarts at 0.
    void NextFrame() { SetFrame(FFrame + 1); }
    // The wrap looks at the current frame, not at Value.
    void SetFrame(int Value);
    const widgets::TBitmapEx* Picture() const { return FPicture.get(); }

    void Paint() override;
    void ScaleChanged() override {
        widgets::RescalePicture(FPicture);
        TControlEx::ScaleChanged();
    }

private:
    std::unique_ptr<widgets::TBitmapEx> FPicture;
    int FFrame = 0;
};

} // namespace elements
