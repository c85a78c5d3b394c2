// Check boxes: the state picture, then the caption after it.
#include "elements/checkbox.h"

#include <gtest/gtest.h>

#include "element_fixture.h"
#include "elements/pictures.h"
#include "widgets/text.h"

using namespace elements;
using elements_test::ElementTest;

namespace {

// Leftmost column holding any pixel, or -1.
int LeftmostInk(const widgets::TBitmapEx& b) {
    for (int x = 0; x < b.Width(); ++x)
        for (int y = 0; y < b.Height(); ++y)
            if (b.GetPixel(x, y) != 0)
                return x;
    return -1;
}

class CheckBoxTest : public ElementTest {
protected:
    TCheckBoxEx& MakeBox() {
        auto& box = Make<TCheckBoxEx>(*Background, 40, 20, 300, 20);
        box.Canvas().Font().SetName(u"Trebuchet MS");
        box.Canvas().Font().SetSize(9);
        box.Canvas().StringFormat().SetLineAlignment(widgets::StringAlignmentCenter);
        box.SetCaption(u"Oturum açıldığında otomatik olarak başlat.");
        return box;
    }
};

} // namespace

TEST_F(CheckBoxTest, TheCaptionFollowsTheStatePicture) {
    auto& box = MakeBox();
    // A blank 20-pixel on picture: whatever ink there is must be the caption.
    box.StateBitmaps().SetOnImage(std::make_unique<widgets::TBitmapEx>(20, 20));
    box.Checked = true;
    box.Paint();
    EXPECT_GE(LeftmostInk(box.Canvas().Bitmap()), 20);
    EXPECT_LT(LeftmostInk(box.Canvas().Bitmap()), 30);
    // Unchecked with no off picture: the caption starts at the left edge.
    box.Checked = false;
    box.Paint();
    EXPECT_LT(LeftmostInk(box.Canvas().Bitmap()), 10);
}

TEST_F(CheckBoxTest, EachStateDrawsItsOwnPicture) {
    auto& box = MakeBox();
    box.StateBitmaps().SetOffImage(widgets::TBitmapEx::CreateFromResource(CheckOffPicture));
    box.StateBitmaps().SetOnImage(widgets::TBitmapEx::CreateFromResource(CheckOnPicture));
    box.Paint();
    const std::uint32_t off = box.Canvas().Bitmap().GetPixel(10, 10);
    EXPECT_EQ(off, box.StateBitmaps().OffImage()->GetPixel(10, 10));
    box.Checked = true;
    box.Paint();
    EXPECT_EQ(box.Canvas().Bitmap().GetPixel(10, 10),
              box.StateBitmaps().OnImage()->GetPixel(10, 10));
    EXPECT_NE(box.Canvas().Bitmap().GetPixel(10, 10), off);

    // Replacing the on picture leaves the off picture in place.
    const widgets::TBitmapEx* offBefore = box.StateBitmaps().OffImage();
    box.StateBitmaps().SetOnImage(elements_test::SolidBitmap(20, 20, 0, 1, 0));
    box.Paint();
    EXPECT_EQ(box.Canvas().Bitmap().GetPixel(10, 10), 0xFF00FF00u);
    EXPECT_EQ(box.StateBitmaps().OffImage(), offBefore);
}
