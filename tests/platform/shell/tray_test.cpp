// Tray icons on the headless screen: input on an icon as callback messages (double clicks
// included), the tip after the hover time, icons that wait for a tray to appear, and the
// program's icon with a picture drawn for each size.
#include "platform/shell/icons.h"
#include "platform/shell/tray.h"

#include "tests/platform/wm/wm_fixture.h"
#include <cairo.h>

namespace {

using namespace wmtest;

constexpr UINT CALLBACK_MSG = WM_USER + 1;
constexpr UINT ICON_ID = 7;

class TrayTest : public WmTest {
protected:
    void SetUp() override {
        WmTest::SetUp();
        Owner = Top(0, 0, 1, 1);
        Screen->SetDoubleClickTime(500);
        Screen->SetHoverTime(400);
    }
    bool Add(const std::u16string& tip) {
        return TrayAddIcon(Owner, ICON_ID, CALLBACK_MSG, View(), tip);
    }
    TFrameView View() { return TFrameView{Icon.data(), 16, 16, 64}; }
    // The pointer messages the icon's owner was told about, in order.
    std::vector<LPARAM> Callbacks() const {
        std::vector<LPARAM> out;
        for (const auto& e : Rec.Log)
            if (e.Hwnd == Owner && e.Msg == CALLBACK_MSG && e.LParam != WM_MOUSEMOVE)
                out.push_back(e.LParam);
        return out;
    }
    // The pointer comes to rest over the icon for the given time.
    void Hover(int x = 100, std::uint64_t ms = 400) {
        Screen->TrayMove(Owner, ICON_ID, x, 10);
        Screen->Advance(ms);
        Pump();
    }
    void Press(TMouseButton button) {
        Screen->TrayButton(Owner, ICON_ID, button, true);
        Screen->TrayButton(Owner, ICON_ID, button, false);
        Pump();
    }

    HWND Owner = 0;
    std::vector<std::uint32_t> Icon = std::vector<std::uint32_t>(16 * 16, 0xFF000000u);
};

TEST_F(TrayTest, SecondPressSoonAndCloseIsADoubleClick) {
    using B = TMouseButton;
    struct TStep {
        B Button;
        int Wait; // ms before the click
        int X;    // where the pointer is on the icon
    };
    struct TCase {
        const char* Name;
        std::vector<TStep> Steps;
        std::vector<LPARAM> Expected;
    };
    const std::vector<LPARAM> left{WM_LBUTTONDOWN, WM_LBUTTONUP},
        right{WM_RBUTTONDOWN, WM_RBUTTONUP};
    const std::vector<LPARAM> leftPair{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                       WM_LBUTTONUP};
    const std::vector<LPARAM> rightPair{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK,
                                        WM_RBUTTONUP};
    const std::vector<LPARAM> middlePair{WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK,
                                         WM_MBUTTONUP};
    const auto then = [](std::vector<LPARAM> a, const std::vector<LPARAM>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const TCase cases[] = {
        {"left pair", {{B::Left, 0, 10}, {B::Left, 100, 10}}, leftPair},
        {"right pair", {{B::Right, 0, 10}, {B::Right, 500, 10}}, rightPair},
        {"middle pair", {{B::Middle, 0, 10}, {B::Middle, 1, 11}}, middlePair},
        {"too slow", {{B::Left, 0, 10}, {B::Left, 501, 10}}, then(left, left)},
        {"too far", {{B::Left, 0, 10}, {B::Left, 10, 14}}, then(left, left)},
        {"other button", {{B::Left, 0, 10}, {B::Right, 10, 10}}, then(left, right)},
        {"third press starts a new pair",
         {{B::Left, 0, 10}, {B::Left, 10, 10}, {B::Left, 10, 10}},
         then(leftPair, left)},
    };
    ASSERT_TRUE(Add(u""));
    for (const auto& c : cases) {
        Screen->Advance(10000); // forget the previous case's press
        Clear();
        for (const auto& step : c.Steps) {
            Screen->Advance(static_cast<std::uint64_t>(step.Wait));
            Screen->TrayMove(Owner, ICON_ID, step.X, 5);
            Press(step.Button);
        }
        EXPECT_EQ(Callbacks(), c.Expected) << c.Name;
    }
}

// Icons are told apart by owner and id: each callback names its icon, and presses on two icons
// do not pair.
TEST_F(TrayTest, PressesOnAnotherIconDoNotPair) {
    ASSERT_TRUE(Add(u""));
    EXPECT_FALSE(Add(u"")) << "the same owner and id twice";
    ASSERT_TRUE(TrayAddIcon(Owner, ICON_ID + 1, CALLBACK_MSG, View(), u""));
    Press(TMouseButton::Left);
    Screen->TrayButton(Owner, ICON_ID + 1, TMouseButton::Left, true);
    Pump();
    ASSERT_EQ(Callbacks().size(), 3u);
    EXPECT_EQ(Callbacks().back(), static_cast<LPARAM>(WM_LBUTTONDOWN));
    std::vector<WPARAM> ids;
    for (const auto& e : Entries({CALLBACK_MSG}))
        ids.push_back(e.WParam);
    EXPECT_EQ(ids, (std::vector<WPARAM>{ICON_ID, ICON_ID, ICON_ID + 1}));
}

TEST_F(TrayTest, TipShowsAfterTheHoverTimeAndHidesOnLeave) {
    ASSERT_TRUE(Add(u"Mini Pelikora"));
    Hover(100, 0);
    Wait(399);
    EXPECT_EQ(GetTrayTipWindow(), 0u) << "not before the hover time";
    // Moving over the same icon does not start the wait again.
    Screen->TrayMove(Owner, ICON_ID, 102, 11);
    Pump();
    Wait(1);
    const HWND tip = GetTrayTipWindow();
    ASSERT_NE(tip, 0u);
    EXPECT_TRUE(IsWindowVisible(tip));
    TRect r;
    GetWindowRect(tip, &r);
    EXPECT_EQ(r.Left, 102);
    EXPECT_GT(r.Top, 11) << "below the pointer";
    const auto frame = Screen->LastFrame(tip);
    ASSERT_GT(frame.Width, 2);
    EXPECT_EQ(frame.Pixels[static_cast<std::size_t>(frame.Width) * 2 + 2], 0xFFFFFFE1u)
        << "the pale yellow of info tips";

    Screen->TrayLeave(Owner, ICON_ID);
    Pump();
    EXPECT_EQ(GetTrayTipWindow(), 0u);
    EXPECT_FALSE(IsWindow(tip));
    Wait(1000);
    EXPECT_EQ(GetTrayTipWindow(), 0u) << "nothing shows again without the pointer";
}

TEST_F(TrayTest, PressHidesTheTipUntilThePointerComesBack) {
    ASSERT_TRUE(Add(u"tip"));
    Hover();
    ASSERT_NE(GetTrayTipWindow(), 0u);
    Press(TMouseButton::Right);
    EXPECT_EQ(GetTrayTipWindow(), 0u);
    Hover(101, 1000);
    EXPECT_EQ(GetTrayTipWindow(), 0u);
    Screen->TrayLeave(Owner, ICON_ID);
    Hover();
    EXPECT_NE(GetTrayTipWindow(), 0u);
}

TEST_F(TrayTest, TipFollowsTheIconsText) {
    ASSERT_TRUE(Add(u""));
    Hover();
    EXPECT_EQ(GetTrayTipWindow(), 0u) << "an empty text shows no tip";

    ASSERT_TRUE(TrayModifyIcon(Owner, ICON_ID, View(), u"short"));
    Screen->TrayLeave(Owner, ICON_ID);
    Hover();
    const HWND first = GetTrayTipWindow();
    ASSERT_NE(first, 0u);
    TRect before;
    GetWindowRect(first, &before);
    ASSERT_TRUE(TrayModifyIcon(Owner, ICON_ID, View(), u"a much longer text than before"));
    const HWND second = GetTrayTipWindow();
    ASSERT_NE(second, 0u) << "a shown tip takes the new text at once";
    TRect after;
    GetWindowRect(second, &after);
    EXPECT_GT(after.Right - after.Left, before.Right - before.Left);
    ASSERT_TRUE(TrayModifyIcon(Owner, ICON_ID, View(), u""));
    EXPECT_EQ(GetTrayTipWindow(), 0u);
}

TEST_F(TrayTest, TipGoesWithTheIconOrItsOwner) {
    ASSERT_TRUE(Add(u"tip"));
    Hover();
    ASSERT_NE(GetTrayTipWindow(), 0u);
    ASSERT_TRUE(TrayDeleteIcon(Owner, ICON_ID));
    EXPECT_EQ(GetTrayTipWindow(), 0u);
    EXPECT_FALSE(TrayDeleteIcon(Owner, ICON_ID)) << "already gone";
    EXPECT_FALSE(TrayModifyIcon(Owner, ICON_ID, View(), u"tip"))
        << "a gone icon is not brought back";

    ASSERT_TRUE(Add(u"tip"));
    Hover();
    const HWND tip = GetTrayTipWindow();
    ASSERT_NE(tip, 0u);
    DestroyWindow(Owner);
    EXPECT_EQ(GetTrayTipWindow(), 0u);
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_TRUE(Screen->TrayIcons().empty());
    EXPECT_FALSE(Add(u"tip")) << "a dead owner takes no icon";
}

TEST_F(TrayTest, IconWaitsForATrayThatAppearsLater) {
    Screen->SetTrayAvailable(false);
    EXPECT_FALSE(Add(u"old")) << "no tray took it now";
    EXPECT_FALSE(Add(u"old")) << "it is already known";
    EXPECT_FALSE(TrayModifyIcon(Owner, ICON_ID, View(), u"new"));
    EXPECT_TRUE(Screen->TrayIcons().empty());
    Screen->SetTrayAvailable(true);
    const auto icons = Screen->TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].Tip, u"new");
    Press(TMouseButton::Left);
    EXPECT_EQ(Callbacks(), (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    TPoint at;
    EXPECT_FALSE(TrayGetEventPoint(Owner, ICON_ID, &at))
        << "a docked icon's press has no host point";

    // A deleted icon does not come back with the next tray, nor does its input.
    Screen->SetTrayAvailable(false);
    ASSERT_TRUE(TrayDeleteIcon(Owner, ICON_ID));
    Screen->SetTrayAvailable(true);
    EXPECT_TRUE(Screen->TrayIcons().empty());
    Clear();
    Press(TMouseButton::Left);
    EXPECT_TRUE(Callbacks().empty());
}

// The program's icon carries its mark drawn for each size: every slot a desktop gives a tray icon
// gets the picture made for it (the very pixels of the icon theme's files), the tray's slot shows
// that one, and the window's icon lists them all.
TEST_F(TrayTest, TheProgramsIconShowsThePictureDrawnForEachSize) {
    const HICON icon = LoadIconSizes(0, 101);
    std::vector<TFrameView> frames;
    ASSERT_TRUE(GetIconFrames(icon, &frames));
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const int best = BestPictureFor(frames, size);
        ASSERT_GE(best, 0) << size;
        const TFrameView& f = frames[static_cast<std::size_t>(best)];
        ASSERT_EQ(f.Width, size);
        ASSERT_EQ(f.Height, size);
        const std::string file = std::string(MP_ICONS_DIR) + "/" + std::to_string(size) + "x" +
                                 std::to_string(size) + ".png";
        cairo_surface_t* drawn = cairo_image_surface_create_from_png(file.c_str());
        ASSERT_EQ(cairo_surface_status(drawn), CAIRO_STATUS_SUCCESS) << file;
        const auto* data = cairo_image_surface_get_data(drawn);
        const int stride = cairo_image_surface_get_stride(drawn);
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                differing += f.Pixel(x, y) !=
                             *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
        cairo_surface_destroy(drawn);
        EXPECT_EQ(differing, 0) << size;
    }
    // Between the sizes: the next bigger picture, to be reduced; beyond them, the biggest.
    const std::pair<int, int> between[] = {{8, 16}, {20, 22}, {40, 48}, {100, 128}, {512, 128}};
    for (const auto& [slot, side] : between)
        EXPECT_EQ(frames[static_cast<std::size_t>(BestPictureFor(frames, slot))].Width, side)
            << slot;

    ASSERT_TRUE(TrayAddIcon(Owner, ICON_ID, CALLBACK_MSG, frames, u"tip"));
    ASSERT_EQ(Screen->TrayIcons().size(), 1u);
    EXPECT_EQ(Screen->TrayIcons()[0].Width, THeadlessDisplay::TraySlot);

    const HWND window = Top(10, 10, 50, 50);
    SendMessage(window, WM_SETICON, ICON_BIG, static_cast<LPARAM>(icon));
    std::vector<int> sides;
    for (const auto& image : Screen->Surface(window).Icon)
        sides.push_back(image.Width);
    EXPECT_EQ(sides, (std::vector<int>{16, 22, 24, 32, 48, 64, 128}));
    DestroyIcon(icon);
}

} // namespace
