// Image, background and busy-animation elements.
#include "elements/pictures.h"

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "platform/sys/resources.h"

using namespace elements;
using elements_test::ElementTest;

namespace {

class PicturesTest : public ElementTest {};

} // namespace

TEST_F(PicturesTest, LoadingSizesTheElementAndDrawsAWorkingCopy) {
    auto& image = Make<TImageEx>(*Background, 10, 10, 1, 1);
    image.LoadFromResource(SmallClosePicture);
    EXPECT_EQ(image.ResourceId(), SmallClosePicture);
    ASSERT_NE(image.Picture(), nullptr);
    ASSERT_NE(image.Bitmap(), nullptr);
    EXPECT_NE(static_cast<const void*>(image.Picture()), static_cast<const void*>(image.Bitmap()));
    EXPECT_EQ(image.Width(), 12);
    EXPECT_EQ(image.Height(), 12);

    // Changing the working copy leaves the loaded picture alone.
    const std::uint32_t original = image.Picture()->GetPixel(6, 6);
    ASSERT_NE(original, 0u);
    image.Bitmap()->Fade(0);
    EXPECT_EQ(image.Picture()->GetPixel(6, 6), original);
    image.Paint();
    EXPECT_EQ(image.Canvas().Bitmap().GetPixel(6, 6), 0u);
    // A reload starts a fresh copy.
    image.LoadFromResource(SmallClosePicture);
    EXPECT_EQ(image.Bitmap()->GetPixel(6, 6), original);
}

TEST_F(PicturesTest, AnUnknownResourceThrowsAndKeepsThePicture) {
    auto& image = Make<TImageEx>(*Background, 10, 10, 1, 1);
    image.LoadFromResource(ClosePicture);
    const widgets::TBitmapEx* before = image.Picture();
    EXPECT_THROW(image.LoadFromResource(4999), platform::EResNotFound);
    EXPECT_EQ(image.Picture(), before);
    EXPECT_EQ(image.ResourceId(), ClosePicture);
}

TEST_F(PicturesTest, CenteredPictureOverhangsEvenly) {
    auto& image = Make<TImageEx>(*Background, 10, 10, 100, 50);
    image.AutoSize = false;
    image.LoadFromResource(ProgramPicture); // 64 x 64
    image.Center = true;
    image.Paint();
    const auto& canvas = image.Canvas().Bitmap();
    // Drawn at (18, -7): canvas (18 + x, y) shows picture (x, y + 7).
    for (int y = 0; y < 50; y += 7)
        for (int x = 0; x < 64; x += 9)
            EXPECT_EQ(canvas.GetPixel(18 + x, y), image.Picture()->GetPixel(x, y + 7))
                << x << "," << y;
}

TEST_F(PicturesTest, BackgroundDrawsItsPictureWhenItHasOne) {
    auto& bg = Make<TBackgroundEx>(*Background, 0, 0, 20, 20);
    bg.Paint();
    EXPECT_EQ(bg.Canvas().Bitmap().GetPixel(5, 5), 0u);
    bg.SetPicture(elements_test::SolidBitmap(20, 20, 0, 0, 1));
    bg.Paint();
    EXPECT_EQ(bg.Canvas().Bitmap().GetPixel(5, 5), 0xFF0000FFu);
}

TEST_F(PicturesTest, ThrobberCyclesThroughEighteenFrames) {
    auto& t = Make<TThrobberEx>(*Background, 26, 301, 18, 18);
    ASSERT_NE(t.Picture(), nullptr);
    EXPECT_EQ(t.Picture()->Height(), 18 * 18);
    EXPECT_EQ(t.Frame(), 0);
    for (int i = 1; i <= 17; ++i) {
        t.NextFrame();
        EXPECT_EQ(t.Frame(), i);
    }
    t.NextFrame();
    EXPECT_EQ(t.Frame(), 0);

    // The wrap looks at the current frame, not at the requested one.
    for (int i = 0; i < 17; ++i)
        t.NextFrame();
    t.SetFrame(5);
    EXPECT_EQ(t.Frame(), 0);
    t.SetFrame(40);
    EXPECT_EQ(t.Frame(), 40);
    t.NextFrame();
    EXPECT_EQ(t.Frame(), 0);
}

TEST_F(PicturesTest, ThrobberPaintsOnlyItsCurrentFrame) {
    auto& t = Make<TThrobberEx>(*Background, 26, 301, 18, 18);
    for (int frame : {0, 17}) {
        while (t.Frame() != frame)
            t.NextFrame();
        t.Paint();
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 18; ++x)
                ASSERT_EQ(t.Canvas().Bitmap().GetPixel(x, y),
                          t.Picture()->GetPixel(x, 18 * frame + y))
                    << frame << ":" << x << "," << y;
    }
}
