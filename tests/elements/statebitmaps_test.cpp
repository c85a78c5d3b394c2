#include "elements/statebitmaps.h"

#include <gtest/gtest.h>

using namespace elements;
using widgets::TBitmapEx;

TEST(StateBitmaps, ReplacingOneSlotFreesOnlyItsPreviousPicture) {
    TStateBitmaps s;
    EXPECT_EQ(s.OffImage(), nullptr);
    EXPECT_EQ(s.OnImage(), nullptr);
    EXPECT_EQ(s.ForState(true), nullptr);

    auto off = std::make_unique<TBitmapEx>(20, 20);
    auto on1 = std::make_unique<TBitmapEx>(20, 20);
    auto on2 = std::make_unique<TBitmapEx>(21, 21);
    TBitmapEx* offRaw = off.get();
    TBitmapEx* on2Raw = on2.get();
    s.SetOffImage(std::move(off));
    s.SetOnImage(std::move(on1));
    s.SetOnImage(std::move(on2));
    EXPECT_EQ(s.OnImage(), on2Raw);
    EXPECT_EQ(s.OffImage(), offRaw);
    EXPECT_EQ(s.ForState(true), on2Raw);
    EXPECT_EQ(s.ForState(false), offRaw);
    // Still a whole picture: the off slot was not disturbed by the on slot's replacement.
    EXPECT_EQ(s.OffImage()->Width(), 20);
}
