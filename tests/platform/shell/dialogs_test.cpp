// The popup menu and the message box, driven by injected input on the headless screen: what they
// choose, what they post, where they appear, what they draw.
#include "platform/display/headless/headless_display.h"
#include "tests/platform/shell/dialog_scene.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace dialogtest;

namespace {

class HeadlessDialogs : public testing::Test {
protected:
    void SetUp() override {
        Screen = &InstallHeadlessDisplay();
        Screen->SetScreenSize(800, 600);
        OwnerSeen.clear();
        OnTick = nullptr;
        Owner = MakeOwner(100, 100);
        SetForegroundWindow(Owner);
        Bar = BuildMenu();
        ProcessPendingMessages();
    }
    void Type(const std::vector<std::pair<UINT, std::u16string>>& keys) {
        for (const auto& [vk, text] : keys) {
            Screen->KeyDown(vk, text);
            Screen->KeyUp(vk);
        }
    }
    void TearDown() override {
        OnTick = nullptr;
        DestroyMenu(Bar);
        InstallHeadlessDisplay();
    }
    // The last frame of a window other than the owner: the menu or the box.
    THeadlessDisplay::TFrame Painted() const {
        THeadlessDisplay::TFrame last;
        for (auto& f : Screen->Frames())
            if (f.Window != Owner)
                last = f;
        return last;
    }
    THeadlessDisplay* Screen = nullptr;
    HWND Owner = 0;
    HMENU Bar = 0;
};

TEST_F(HeadlessDialogs, MenuKeysChooseTheCommandThatIsPostedToTheOwner) {
    struct TCase {
        std::vector<std::pair<UINT, std::u16string>> Keys;
        UINT Expected;
    };
    const TCase cases[] = {
        {{{VK_DOWN, u""}, {VK_RETURN, u"\r"}}, ID_ABOUT},
        {{{VK_DOWN, u""}, {VK_DOWN, u""}, {VK_RETURN, u"\r"}}, ID_OPTIONS},
        {{{VK_UP, u""}, {VK_RETURN, u"\r"}}, ID_CLOSE}, // wraps to the last item
        {{{VK_DOWN, u""}, {VK_ESCAPE, u"\x1b"}}, 0},
        {{{'G', u"g"}}, ID_UPDATE}, // mnemonics, either case
        {{{'K', u"K"}}, ID_CLOSE},
        {{{'S', u"ş"}}, 0}, // "ş" is not "s"
        {{{'S', u"s"}}, ID_OPTIONS},
        {{{VK_RETURN, u"\r"}, {VK_ESCAPE, u"\x1b"}}, 0}, // Enter with nothing lit does nothing
    };
    for (const auto& c : cases) {
        Screen->MovePointer(300, 200);
        Type(c.Keys);
        if (c.Expected == 0 && c.Keys.back().first != VK_ESCAPE)
            Screen->KeyDown(VK_ESCAPE, u"\x1b");
        EXPECT_EQ(TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 300, 200, Owner, nullptr), 1);
        EXPECT_EQ(GetOpenMenuWindow(), 0u);
        EXPECT_EQ(PostedCommand(), c.Expected) << c.Keys.size();
    }
}

TEST_F(HeadlessDialogs, MenuReturnsTheCommandInsteadWhenAsked) {
    Screen->KeyDown('H', u"h");
    EXPECT_EQ(TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_RETURNCMD, 300, 200, Owner, nullptr),
              static_cast<LRESULT>(ID_ABOUT));
    EXPECT_EQ(PostedCommand(), 0u);
}

TEST_F(HeadlessDialogs, MenuClickOnAnItemChoosesItAndAClickElsewhereDismisses) {
    Screen->MovePointer(300, 200);
    Screen->Click(320, 200 + TOP + ROW * 2 + ROW / 2); // the third item
    TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 300, 200, Owner, nullptr);
    EXPECT_EQ(PostedCommand(), ID_UPDATE);

    Screen->MovePointer(300, 200);
    Screen->Click(150, 150); // on the owner: closes the menu and does not reach the owner
    TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 300, 200, Owner, nullptr);
    EXPECT_EQ(PostedCommand(), 0u);
}

TEST_F(HeadlessDialogs, ReleaseOfTheOpeningPressOnTheSpotChoosesNothing) {
    // Opened from a right press; its release comes on the menu's first item, unmoved.
    Screen->MovePointer(300, 200);
    Screen->PressButton(TMouseButton::Right);
    ProcessPendingMessages();
    Screen->ReleaseButton(TMouseButton::Right);
    Screen->KeyDown(VK_ESCAPE, u"\x1b");
    TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 300 - 10, 200 - TOP - 5, Owner, nullptr);
    EXPECT_EQ(PostedCommand(), 0u);
}

TEST_F(HeadlessDialogs, MenuStaysOnTheScreenAndDrawsItsAcceleratorRightAligned) {
    Screen->MovePointer(790, 590);
    Screen->KeyDown(VK_UP, u"");
    Screen->KeyDown(VK_ESCAPE, u"\x1b");
    TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 790, 590, Owner, nullptr);
    const auto f = Painted();
    ASSERT_GT(f.Width, 0);
    // Flipped to the other side of the point on both axes.
    EXPECT_EQ(f.Bounds.Right, 790);
    EXPECT_EQ(f.Bounds.Bottom, 590);
    EXPECT_GE(f.Bounds.Left, 0);
    // The last row is lit, and its "Alt+F4" ends near the right edge, far from the label.
    const int y0 = TOP + ROW * 3;
    EXPECT_EQ(f.Pixel(f.Width / 2, y0 + 2), PAINT_HOT);
    int rightmostInk = -1;
    for (int y = y0; y < y0 + ROW; ++y)
        for (int x = 0; x < f.Width; ++x) {
            const std::uint32_t p = f.Pixel(x, y);
            if ((p & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60)
                rightmostInk = std::max(rightmostInk, x);
        }
    EXPECT_GT(rightmostInk, f.Width - 40);
    EXPECT_LT(rightmostInk, f.Width - 10);
}

TEST_F(HeadlessDialogs, QueueIsServedWhileTheMenuIsOpen) {
    bool servedWhileOpen = false;
    SetTimer(Owner, 1, 10);
    OnTick = [&] {
        KillTimer(Owner, 1);
        servedWhileOpen = GetOpenMenuWindow() != 0;
        Screen->KeyDown(VK_ESCAPE, u"\x1b");
    };
    TrackPopupMenuEx(GetSubMenu(Bar, 0), TPM_VERTICAL, 300, 200, Owner, nullptr);
    EXPECT_TRUE(servedWhileOpen);
}

TEST_F(HeadlessDialogs, MenuRefusesBadArguments) {
    EXPECT_EQ(TrackPopupMenuEx(0x999, 0, 0, 0, Owner, nullptr), 0);
    EXPECT_EQ(TrackPopupMenuEx(GetSubMenu(Bar, 0), 0, 0, 0, 0x999, nullptr), 0);
    const HMENU empty = CreatePopupMenu();
    EXPECT_EQ(TrackPopupMenuEx(empty, 0, 0, 0, Owner, nullptr), 0);
    EXPECT_FALSE(AppendMenu(empty, MF_POPUP, empty, u"self"));
    EXPECT_TRUE(DestroyMenu(empty));
    EXPECT_FALSE(IsMenu(empty));
    // Destroying the bar takes its submenu with it.
    const HMENU file = GetSubMenu(Bar, 0);
    EXPECT_EQ(GetMenuItemID(file, 3), ID_CLOSE);
    EXPECT_EQ(GetMenuItemID(Bar, 0), 0xFFFFFFFFu);
    DestroyMenu(Bar);
    EXPECT_FALSE(IsMenu(file));
    Bar = BuildMenu();
}

TEST_F(HeadlessDialogs, MessageBoxKeysGiveYesOrNo) {
    struct TCase {
        std::vector<std::pair<UINT, std::u16string>> Keys;
        int Expected;
    };
    const TCase cases[] = {
        {{{VK_RETURN, u"\r"}}, IDYES},
        {{{VK_RIGHT, u""}, {VK_RETURN, u"\r"}}, IDNO},
        {{{VK_TAB, u"\t"}, {VK_TAB, u"\t"}, {VK_SPACE, u" "}}, IDYES},
        {{{'H', u"h"}}, IDNO},
        {{{'E', u"E"}}, IDYES},
        {{{VK_ESCAPE, u"\x1b"}, {'H', u"h"}}, IDNO}, // a Yes/No box has no escape
    };
    for (const auto& c : cases) {
        Type(c.Keys);
        EXPECT_EQ(MessageBox(Owner, u"\"Mini Pelikora\" için yeni sürüm hazır.", u"Mini Pelikora",
                             YES_NO_BOX),
                  c.Expected);
        EXPECT_EQ(GetOpenMessageBox(), 0u);
    }
}

TEST_F(HeadlessDialogs, MessageBoxIsModalAndClicksAnswerIt) {
    for (int id : {IDNO, IDYES}) {
        bool ownerDisabled = false, topmost = false;
        SetTimer(Owner, 1, 10);
        OnTick = [&, id] {
            KillTimer(Owner, 1);
            ownerDisabled = !IsWindowEnabled(Owner);
            topmost = Screen->Surface(GetOpenMessageBox()).Topmost;
            TRect r;
            ASSERT_TRUE(GetMessageBoxButton(id, &r));
            Screen->Click(r.Left + 5, r.Top + 5);
        };
        EXPECT_EQ(MessageBox(Owner, u"metin", u"Mini Pelikora", YES_NO_BOX), id);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(topmost);
        EXPECT_TRUE(IsWindowEnabled(Owner));
    }
}

TEST_F(HeadlessDialogs, MessageBoxPressReleasedOffTheButtonAnswersNothing) {
    SetTimer(Owner, 1, 10);
    OnTick = [&] {
        KillTimer(Owner, 1);
        TRect yes;
        GetMessageBoxButton(IDYES, &yes);
        Screen->MovePointer(yes.Left + 5, yes.Top + 5);
        Screen->PressButton();
        Screen->MovePointer(yes.Left - 30, yes.Top - 30);
        Screen->ReleaseButton();
        Screen->KeyDown('H', u"h");
    };
    EXPECT_EQ(MessageBox(Owner, u"metin", u"Mini Pelikora", MB_YESNO), IDNO);
}

} // namespace
