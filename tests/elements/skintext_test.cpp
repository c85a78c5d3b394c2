// Text elements: fitting to the text and the drop shadow.
#include "elements/skintext.h"

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "widgets/text.h"

using namespace elements;
using elements_test::ElementTest;
using elements_test::SamePixels;

namespace {

class SkinTextTest : public ElementTest {
protected:
    TSkinText& MakeText(const std::u16string& data) {
        auto& t = Make<TSkinText>(*Background, 10, 10, 110, 18);
        t.Canvas().Font().SetName(u"Trebuchet MS");
        t.Canvas().Font().SetSize(12);
        t.SetData(data);
        return t;
    }
};

} // namespace

TEST_F(SkinTextTest, AutoSizeFitsTheTextExtentPlusOnePixel) {
    auto& t = MakeText(u"Güncelleniyor...");
    const widgets::TSize e = t.Canvas().TextExtent(u"Güncelleniyor...");
    EXPECT_EQ(t.Width(), e.cx + 1);
    EXPECT_EQ(t.Height(), e.cy + 1);
    // The canvas follows the new size.
    EXPECT_EQ(t.Canvas().Width(), t.Width());

    t.SetData(u"x");
    EXPECT_LT(t.Width(), e.cx + 1);

    // Without AutoSize the element keeps its size.
    t.SetAutoSize(false);
    t.SetSize(149, 46);
    t.SetData(u"A much longer text than before");
    EXPECT_EQ(t.Width(), 149);
    EXPECT_EQ(t.Height(), 46);
}

TEST_F(SkinTextTest, SettingTheCaptionRefitsToo) {
    auto& t = MakeText(u"ab");
    const int before = t.Width();
    t.SetCaption(u"a caption, longer");
    // The caption does not become Data, but the element refits to Data again.
    EXPECT_EQ(t.Data(), u"ab");
    EXPECT_EQ(t.Width(), before);
}

TEST_F(SkinTextTest, ShadowIsBuiltOnTextChangesOnly) {
    auto& t = MakeText(u"Shadowed");
    ASSERT_NE(t.ShadowBitmap(), nullptr);
    EXPECT_EQ(t.ShadowBitmap()->Width(), t.Width());
    EXPECT_GT(elements_test::InkPixels(*t.ShadowBitmap()), 0);
    const widgets::TBitmapEx* first = t.ShadowBitmap();

    // Same AutoSize value: no refit, no rebuild.
    t.SetAutoSize(true);
    EXPECT_EQ(t.ShadowBitmap(), first);
    // A font change alone does not rebuild it either.
    t.Canvas().Font().SetSize(20);
    EXPECT_EQ(t.ShadowBitmap(), first);

    t.SetData(u"Other");
    EXPECT_NE(t.ShadowBitmap(), nullptr);
}

TEST_F(SkinTextTest, AHiddenShadowPaintsOnlyTheText) {
    auto& shadowed = MakeText(u"Text");
    ASSERT_NE(shadowed.ShadowBitmap(), nullptr);
    shadowed.Shadow().Visible = false;
    shadowed.Paint();

    auto& plain = *Window->Make<TSkinText>();
    plain.Shadow().Visible = false; // before the window exists, which builds the first shadow
    plain.SetParent(Background);
    plain.SetTop(40);
    plain.Show();
    plain.Canvas().Font().SetName(u"Trebuchet MS");
    plain.Canvas().Font().SetSize(12);
    plain.SetData(u"Text");
    EXPECT_EQ(plain.ShadowBitmap(), nullptr);
    plain.Paint();
    EXPECT_TRUE(SamePixels(shadowed.Canvas().Bitmap(), plain.Canvas().Bitmap()));

    // Shown again, the old shadow adds pixels the plain text does not have.
    shadowed.Shadow().Visible = true;
    shadowed.Paint();
    EXPECT_FALSE(SamePixels(shadowed.Canvas().Bitmap(), plain.Canvas().Bitmap()));
}

TEST_F(SkinTextTest, TheWindowIsAStaticWithNotifyAndNoPrefix) {
    auto& t = MakeText(u"x");
    const auto style =
        static_cast<platform::DWORD>(platform::GetWindowLong(t.Handle(), platform::GWL_STYLE));
    EXPECT_EQ(style & SkinStaticStyles, SkinStaticStyles);
}
