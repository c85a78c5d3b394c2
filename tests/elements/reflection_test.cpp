// The mirror under the about icon, rebuilt from the icon's picture at every paint.
#include "elements/reflection.h"

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "elements/mirror.h"
#include "elements/pictures.h"

using namespace elements;
using elements_test::ElementTest;

namespace {

class ReflectionTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        Icon = &Make<TImageEx>(*Background, 35, 35, 64, 64);
        Icon->LoadFromResource(ProgramPicture);
        Mirror = &Make<TReflectionEx>(*Background, 35, 99, 64, 21);
    }
    TImageEx* Icon = nullptr;
    TReflectionEx* Mirror = nullptr;
};

} // namespace

TEST_F(ReflectionTest, WithoutASourceNothingIsDrawn) {
    Window->Update();
    const auto& b = Mirror->Canvas().Bitmap();
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            ASSERT_EQ(b.GetPixel(x, y), 0u);
}

TEST_F(ReflectionTest, MirrorsWhatTheIconPaintedThisCycle) {
    Mirror->SetSource(Icon);
    Window->Update();
    auto expected = BuildMirror(Icon->Canvas().Bitmap());
    ASSERT_TRUE(expected);
    int ink = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(Mirror->Canvas().Bitmap().GetPixel(x, y), expected->GetPixel(x, y));
            ink += expected->GetPixel(x, y) != 0;
        }
    EXPECT_GT(ink, 0);

    // The icon's picture changes: the next paint follows it.
    Icon->Bitmap()->Fade(0);
    Window->Update();
    EXPECT_EQ(Mirror->Canvas().Bitmap().GetPixel(32, 0), 0u);
}

TEST_F(ReflectionTest, SurvivesTheIconsCanvasBeingRebuilt) {
    Mirror->SetSource(Icon);
    Window->Update();
    // A resize gives the icon a new canvas bitmap; the old one is gone.
    Icon->SetSize(30, 30);
    Window->Update();
    auto expected = BuildMirror(Icon->Canvas().Bitmap());
    ASSERT_TRUE(expected);
    EXPECT_EQ(expected->Width(), 30);
    for (int y = 0; y < expected->Height(); ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(Mirror->Canvas().Bitmap().GetPixel(x, y), expected->GetPixel(x, y));
}
