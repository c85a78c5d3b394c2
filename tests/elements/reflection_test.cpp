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
    EXPECT_EQ(elements_test::InkPixels(Mirror->Canvas().Bitmap()), 0);
}

TEST_F(ReflectionTest, MirrorsWhatTheIconPaintedThisCycle) {
    Mirror->SetSource(Icon);
    Window->Update();
    auto expected = BuildMirror(Icon->Canvas().Bitmap());
    ASSERT_TRUE(expected);
    EXPECT_TRUE(elements_test::SamePixels(Mirror->Canvas().Bitmap(), *expected));
    EXPECT_GT(elements_test::InkPixels(*expected), 0);

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
    const auto& shown = Mirror->Canvas().Bitmap();
    EXPECT_EQ(
        elements_test::CountPixels(
            *expected, [&](int x, int y, std::uint32_t p) { return p != shown.GetPixel(x, y); }),
        0);
}
