// The popup menu and the message box on an X server, driven by real input.
#include "tests/platform/shell/dialog_scene.h"
#include "x11_fixture.h"

using namespace platform;
using namespace dialogtest;
using namespace x11test;

namespace {

class X11Dialogs : public TX11Test {
protected:
    void SetUp() override {
        OwnerSeen.clear();
        OnTick = nullptr;
    }
    void TearDown() override {
        OnTick = nullptr;
        TX11Test::TearDown();
    }
};

TEST_F(X11Dialogs, MenuOpensAtThePointerAndAClickPostsTheCommand) {
    Start();
    const HWND owner = MakeOwner(100, 100);
    const HMENU bar = BuildMenu();
    Settle(200);
    ASSERT_TRUE(Xdotool({"mousemove", "400", "300"}));
    Settle(100);
    TPoint at;
    GetCursorPos(&at);
    ASSERT_EQ(at, (TPoint{400, 300}));
    TRect shown;
    bool clicked = false;
    SetTimer(owner, 1, 50);
    OnTick = [&] {
        const HWND menu = GetOpenMenuWindow();
        if (menu == 0 || clicked)
            return;
        KillTimer(owner, 1);
        GetWindowRect(menu, &shown);
        clicked = true;
        // The second item, through the real pointer.
        Server->Spawn({"xdotool", "sleep", "0.3", "mousemove", "430",
                       std::to_string(300 + TOP + ROW + ROW / 2), "click", "1"});
    };
    TrackPopupMenuEx(GetSubMenu(bar, 0), TPM_VERTICAL, at.X, at.Y, owner, nullptr);
    EXPECT_EQ(shown.Left, 400);
    EXPECT_EQ(shown.Top, 300);
    EXPECT_EQ(PostedCommand(), ID_OPTIONS);
    DestroyMenu(bar);
}

TEST_F(X11Dialogs, MessageBoxAnswersYesByMouseAndNoByKeyboard) {
    Start(Servers::Manager());
    const HWND owner = MakeOwner(100, 100);
    Settle(200);
    bool acted = false;
    SetTimer(owner, 1, 50);
    OnTick = [&] {
        TRect yes;
        // Only once the button is really on screen, so the press cannot miss it.
        if (acted || !GetMessageBoxButton(IDYES, &yes) ||
            !Near(Server->Pixel(yes.Left + 10, yes.Top + 10), 0xE1E1E1)) {
            return;
        }
        acted = true;
        Server->Spawn({"xdotool", "mousemove", std::to_string(yes.Left + 10),
                       std::to_string(yes.Top + 10), "click", "1"});
    };
    EXPECT_EQ(MessageBox(owner, u"Evet mi?", u"Mini Pelikora", MB_YESNO | MB_ICONINFORMATION),
              IDYES);

    acted = false;
    SetTimer(owner, 1, 50);
    OnTick = [&] {
        const HWND box = GetOpenMessageBox();
        // Keys go where the desktop's focus is; wait until the box has it.
        if (acted || box == 0 || Server->Focus() != X->NativeWindow(box))
            return;
        acted = true;
        Server->Spawn({"xdotool", "key", "h"});
    };
    EXPECT_EQ(MessageBox(owner, u"Hayır mı?", u"Mini Pelikora", YES_NO_BOX), IDNO);
    KillTimer(owner, 1);
}

} // namespace
