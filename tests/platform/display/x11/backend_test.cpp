// The X11 backend on a real server: what the screen shows for a layered frame, where input is
// taken, keys and the wheel, activation, the move loop with snapping, the monitors and their
// changes, and a lost connection.
#include "platform/shell/icons.h"
#include "x11_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <functional>
#include <set>
#include <unistd.h>

using namespace platform;
using namespace x11test;

namespace {

std::vector<TMsg> Seen;

LRESULT RecordProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static const std::set<UINT> kept = {WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_RBUTTONDOWN,
                                        WM_MOUSEWHEEL,  WM_KEYDOWN,       WM_CHAR,
                                        WM_ACTIVATE,    WM_CLOSE,         WM_QUERYENDSESSION,
                                        WM_ENDSESSION,  WM_DISPLAYCHANGE, WM_SETTINGCHANGE};
    if (kept.count(msg))
        Seen.push_back(TMsg{hwnd, msg, wParam, lParam, 0, {}});
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

std::function<void()> OnEnterMove; // runs when the move loop has started

// Drags itself on a left press and keeps itself inside the work area: what its handler makes of
// a position is where the window goes. (The widget's own edge rule is tested with the widget.)
LRESULT DragProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN) {
        ReleaseCapture();
        SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        return 0;
    }
    if (msg == WM_ENTERSIZEMOVE && OnEnterMove)
        OnEnterMove();
    if (msg == WM_WINDOWPOSCHANGING) {
        auto* pos = reinterpret_cast<TWindowPos*>(lParam);
        if ((pos->flags & SWP_NOMOVE) == 0) {
            TRect work, r;
            SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
            GetWindowRect(hwnd, &r);
            pos->x = std::max(work.Left, std::min(pos->x, work.Right - r.Width()));
            pos->y = std::max(work.Top, std::min(pos->y, work.Bottom - r.Height()));
        }
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Lets the pointer go as soon as it is pressed, as a menu closing on a press does.
LRESULT LetGoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN) {
        SetCapture(hwnd);
        ReleaseCapture();
    }
    return RecordProc(hwnd, msg, wParam, lParam);
}

int Count(UINT msg, HWND hwnd = 0) {
    return static_cast<int>(std::count_if(Seen.begin(), Seen.end(), [&](const TMsg& m) {
        return m.message == msg && (hwnd == 0 || m.hwnd == hwnd);
    }));
}

const TMsg* Last(UINT msg) {
    const auto it =
        std::find_if(Seen.rbegin(), Seen.rend(), [msg](const TMsg& m) { return m.message == msg; });
    return it == Seen.rend() ? nullptr : &*it;
}

// A client message of the given type about one window, as a window manager or a pager sends it.
void SendClientMessage(::Display* d, ::Window to, ::Window about, const char* type, long data0,
                       long mask) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = about;
    ev.xclient.message_type = XInternAtom(d, type, False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = data0;
    XSendEvent(d, to, False, mask, &ev);
    XSync(d, False);
}

// A premultiplied colour at alpha 128 over an opaque background.
std::uint32_t OverHalf(std::uint32_t premultiplied, std::uint32_t background) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t c = (premultiplied >> shift) & 0xFF;
        const std::uint32_t b = (background >> shift) & 0xFF;
        out |= (c + b * 127 / 255) << shift;
    }
    return out;
}

class BackendTest : public TX11Test {
protected:
    void SetUp() override {
        Seen.clear();
        platformtest::RegisterProc(u"x11record", RecordProc);
        platformtest::RegisterProc(u"x11drag", DragProc);
        platformtest::RegisterProc(u"x11letgo", LetGoProc);
    }

    HWND Card(int x, int y, const TCardFrame& frame, std::uint8_t alpha = 255,
              const char16_t* cls = u"x11record") {
        const HWND hwnd = platformtest::ShowCard(cls, x, y, frame, alpha, SW_SHOWNA);
        EXPECT_NE(hwnd, 0u);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        return hwnd;
    }

    // Where the server really has the window, frame or no frame.
    TPoint ScreenOrigin(HWND hwnd) {
        ::Display* d = Server->Connection();
        ::Window child = 0;
        int x = 0, y = 0;
        XSync(d, False);
        XTranslateCoordinates(d, X->NativeWindow(hwnd), DefaultRootWindow(d), 0, 0, &x, &y, &child);
        return TPoint{x, y};
    }
};

TEST_F(BackendTest, CompositedFrameShowsCardOverTransparentMargin) {
    Start(Servers::Compositor());
    ASSERT_TRUE(X->Compositing());
    Card(100, 100, TCardFrame(200, 150, 20));
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(200, 200), 0x2040C0); }))
        << std::hex << Server->Pixel(200, 200);
    // The margin shows whatever the compositor paints behind windows, as far away from them.
    const std::uint32_t desk = Server->Pixel(5, 5);
    EXPECT_TRUE(Near(Server->Pixel(105, 105), desk)) << std::hex << Server->Pixel(105, 105);
    EXPECT_TRUE(Near(Server->Pixel(200, 125), OverHalf(0x102060, desk)))
        << std::hex << Server->Pixel(200, 125);
}

TEST_F(BackendTest, ConstantAlphaScalesTheWholeFrame) {
    Start(Servers::Compositor());
    Card(100, 100, TCardFrame(200, 150, 20), 128);
    EXPECT_TRUE(Until([&] {
        return Near(Server->Pixel(200, 200), OverHalf(0x102060, Server->Pixel(5, 5)));
    })) << std::hex
        << Server->Pixel(200, 200);
}

TEST_F(BackendTest, WithoutCompositorTheMarginIsCutAway) {
    Start();
    ASSERT_FALSE(X->Compositing());
    Card(100, 100, TCardFrame(200, 150, 20));
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(200, 200), 0x2040C0); }));
    // Unblended, the margin would be black.
    EXPECT_TRUE(Near(Server->Pixel(105, 105), 0xFFFFFF)) << std::hex << Server->Pixel(105, 105);
    EXPECT_TRUE(Near(Server->Pixel(299, 249), 0xFFFFFF)) << std::hex << Server->Pixel(299, 249);
}

// A tile of the desktop picture: every pixel of a 5 x 3 tile differs from its neighbours.
std::uint32_t TileColour(int x, int y) {
    const int tx = ((x % 5) + 5) % 5, ty = ((y % 3) + 3) % 3;
    return static_cast<std::uint32_t>(0x300000 * (tx + 1) + 0x005000 * (ty + 1) + 0x40);
}

TEST_F(BackendTest, WithoutCompositorTheCardIsPutTogetherOverTheDesktopPicture) {
    Start();
    ::Display* d = Server->Connection();
    const ::Window root = DefaultRootWindow(d);
    const Pixmap tile = XCreatePixmap(d, root, 5, 3, static_cast<unsigned>(DefaultDepth(d, 0)));
    const GC gc = XCreateGC(d, tile, 0, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            XSetForeground(d, gc, TileColour(x, y));
            XDrawPoint(d, tile, gc, x, y);
        }
    XFreeGC(d, gc);
    XSetWindowBackgroundPixmap(d, root, tile);
    XClearWindow(d, root);
    // Published under the older of the two names only.
    const Atom esetroot = XInternAtom(d, "ESETROOT_PMAP_ID", False);
    XChangeProperty(d, root, esetroot, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&tile), 1);
    XSync(d, False);

    const HWND hwnd = Card(100, 100, TCardFrame(200, 150, 20));
    // The half-transparent strip blends with the repeated tile, pixel by pixel; the margin shows
    // the desktop picture itself.
    auto blended = [&](int x0) {
        for (int x = x0; x < x0 + 5; ++x)
            if (!Near(Server->Pixel(x, 125), OverHalf(0x102060, TileColour(x, 125))))
                return false;
        return Near(Server->Pixel(x0 - 90, 105), TileColour(x0 - 90, 105), 0);
    };
    EXPECT_TRUE(Until([&] { return blended(200); })) << std::hex << Server->Pixel(200, 125);

    // Moved, the strip blends with the picture of its new place.
    SetWindowPos(hwnd, 0, 103, 101, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Until([&] { return blended(203) && Near(Server->Pixel(200, 200), 0x2040C0); }))
        << std::hex << Server->Pixel(203, 125);

    // Without a published picture the strip is shown as it was before there was one.
    XDeleteProperty(d, root, esetroot);
    XSync(d, False);
    EXPECT_TRUE(Until([&] { return Near(Server->Pixel(200, 125), 0x102060); }))
        << std::hex << Server->Pixel(200, 125);
    XFreePixmap(d, tile);
}

TEST_F(BackendTest, FramesWithAndWithoutShmLookTheSame) {
    for (bool shm : {true, false}) {
        TX11Options options;
        options.UseShm = shm;
        Start({}, options);
        EXPECT_EQ(X->UsingShm(), shm);
        TCardFrame frame(120, 90, 10);
        Card(40, 40, frame);
        EXPECT_TRUE(Until([&] { return Near(Server->Pixel(100, 85), 0x2040C0); })) << shm;
        TearDown();
    }
}

TEST_F(BackendTest, PressOnTransparentPixelDoesNotReachTheWindow) {
    Start();
    const HWND hwnd = Card(100, 100, TCardFrame(200, 150, 20));
    Settle(200);
    ASSERT_TRUE(Xdotool({"mousemove", "108", "108", "click", "1"}));
    Settle(300);
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    ASSERT_TRUE(Xdotool({"mousemove", "150", "180", "click", "1"}));
    ASSERT_TRUE(Until([&] { return Count(WM_LBUTTONUP, hwnd) == 1; }));
    const TMsg* down = Last(WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(GetXLParam(down->lParam), 50);
    EXPECT_EQ(GetYLParam(down->lParam), 80);
}

// A press whose release went to another program (the pointer was let go in between) is over:
// the next press carries its own button only, so a right press opens no drag.
TEST_F(BackendTest, AReleaseThatWentElsewhereEndsThePress) {
    Start();
    const HWND hwnd = Card(100, 100, TCardFrame(200, 150, 0), 255, u"x11letgo");
    ASSERT_TRUE(Until([&] { return Near(Server->Pixel(200, 175), 0x2040C0); }));
    ASSERT_TRUE(Xdotool({"mousemove", "200", "175", "mousedown", "1"}));
    ASSERT_TRUE(Until([&] { return Count(WM_LBUTTONDOWN, hwnd) == 1; }));
    ASSERT_TRUE(Xdotool({"mousemove", "5", "5", "mouseup", "1"}));
    ASSERT_TRUE(Xdotool({"mousemove", "200", "175", "click", "3"}));
    ASSERT_TRUE(Until([&] { return Count(WM_RBUTTONDOWN, hwnd) == 1; }));
    EXPECT_EQ(Count(WM_LBUTTONUP, hwnd), 0);
    EXPECT_EQ(Last(WM_RBUTTONDOWN)->wParam, static_cast<WPARAM>(MK_RBUTTON));
}

TEST_F(BackendTest, WheelNotchesReachTheFocusedChild) {
    Start();
    const HWND top = Card(100, 100, TCardFrame(200, 150, 0));
    const HWND left = CreateWindowEx(0, u"x11record", u"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 150,
                                     top, 1, nullptr);
    const HWND right = CreateWindowEx(0, u"x11record", u"", WS_CHILD | WS_VISIBLE, 100, 0, 100, 150,
                                      top, 2, nullptr);
    SetFocus(right);
    Settle(200);
    // The pointer rests over the left child; the wheel still goes to the focus.
    ASSERT_TRUE(Xdotool({"mousemove", "130", "150", "click", "4", "click", "5", "click", "5"}));
    ASSERT_TRUE(Until([&] { return Count(WM_MOUSEWHEEL, right) == 3; }));
    EXPECT_EQ(Count(WM_MOUSEWHEEL, left), 0);
    int sum = 0;
    // Unanswered, each notch goes on to the parent after the focused child.
    EXPECT_EQ(Count(WM_MOUSEWHEEL, top), 3);
    for (const auto& m : Seen)
        if (m.message == WM_MOUSEWHEEL && m.hwnd == right)
            sum += static_cast<std::int16_t>(HiWord(m.wParam));
    EXPECT_EQ(sum, -120);
}

TEST_F(BackendTest, MoveLoopFollowsThePointerWithinTheWorkAreaOfTheDock) {
    Start(Servers::Manager());
    EXPECT_EQ(X->WorkArea(), (TRect{0, 0, 1280, 1024})) << "the whole screen without a dock";
    // A dock with a strut along the top, which the window manager leaves out of the work area.
    Server->AddDock(40);
    ASSERT_TRUE(Until([&] { return X->WorkArea().Top > 0; })) << X->WorkArea().Top;
    const TRect work = X->WorkArea();
    EXPECT_EQ(work, (TRect{0, 40, 1280, 1024}));
    TRect asked;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &asked, 0));
    EXPECT_EQ(asked, work) << "what the window manager's callers are told";
    const HWND hwnd = Card(300, 300, TCardFrame(200, 150, 0), 255, u"x11drag");
    // Placed where asked, and on screen where the press will land.
    const auto shown = [&] {
        return ScreenOrigin(hwnd) == TPoint{300, 300} && Near(Server->Pixel(400, 375), 0x2040C0);
    };
    ASSERT_TRUE(Until(shown, 5000)) << ScreenOrigin(hwnd).X << "," << ScreenOrigin(hwnd).Y;
    // Drop it over the dock and past the right edge: it stays inside the work area.
    const int dropX = work.Right - 200 + 30, dropY = work.Top - 20;
    const std::string px = std::to_string(400 + dropX - 300),
                      py = std::to_string(375 + dropY - 300);
    // The rest of the drag starts once the loop runs: a hand is slower than the queue, and a
    // release taken in with the press would end the move before it began.
    bool started = false;
    pid_t rest = -1;
    OnEnterMove = [&] {
        started = true;
        rest = Server->Spawn({"xdotool", "mousemove", "700", "300", "sleep", "0.1", "mousemove", px,
                              py, "sleep", "0.1", "mouseup", "1"});
    };
    ASSERT_TRUE(Xdotool({"mousemove", "400", "375", "mousedown", "1"}));
    ASSERT_TRUE(Until([&] { return started && Server->Finished(rest); }));
    OnEnterMove = nullptr;
    Settle(200);
    TRect r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.Left, work.Right - 200);
    EXPECT_EQ(r.Top, work.Top);
    const auto moved = [&] { return ScreenOrigin(hwnd) == TPoint{r.Left, r.Top}; };
    EXPECT_TRUE(Until(moved, 3000)) << ScreenOrigin(hwnd).X << "," << ScreenOrigin(hwnd).Y;
}

TEST_F(BackendTest, ActivationKeysAndTheDesktopsCloseRequest) {
    Start(Servers::Manager());
    const HWND hwnd = Card(100, 100, TCardFrame(200, 150, 0));
    SetForegroundWindow(hwnd);
    const auto active = [](bool is) {
        const TMsg* a = Last(WM_ACTIVATE);
        return a != nullptr && (LoWord(a->wParam) != WA_INACTIVE) == is;
    };
    ASSERT_TRUE(Until([&] { return active(true); }));
    ASSERT_TRUE(Until([&] { return Server->Focus() == X->NativeWindow(hwnd); }));
    ASSERT_TRUE(Xdotool({"key", "shift+a", "Return"}));
    ASSERT_TRUE(Until([&] { return Count(WM_CHAR) >= 2; }));
    const auto keyA = [](const TMsg& m) { return m.message == WM_KEYDOWN && m.wParam == 'A'; };
    EXPECT_NE(std::find_if(Seen.begin(), Seen.end(), keyA), Seen.end());
    std::u16string typed;
    for (const auto& m : Seen)
        if (m.message == WM_CHAR)
            typed += static_cast<char16_t>(m.wParam);
    EXPECT_EQ(typed, u"A\r");

    // Another program's window takes the activation: ours hears of it with no window of ours.
    ::Display* d = Server->Connection();
    ::Window other = XCreateSimpleWindow(d, DefaultRootWindow(d), 600, 600, 100, 100, 0, 0, 0);
    XMapWindow(d, other);
    XSync(d, False);
    Settle(300);
    SendClientMessage(d, DefaultRootWindow(d), other, "_NET_ACTIVE_WINDOW", 2,
                      SubstructureRedirectMask | SubstructureNotifyMask);
    ASSERT_TRUE(Until([&] { return active(false); }));
    EXPECT_EQ(Last(WM_ACTIVATE)->lParam, 0);

    // What the window manager sends for Alt+F4 or a close button.
    SendClientMessage(d, X->NativeWindow(hwnd), X->NativeWindow(hwnd), "WM_PROTOCOLS",
                      static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False)), NoEventMask);
    EXPECT_TRUE(Until([&] { return Count(WM_CLOSE, hwnd) == 1; }));
}

// Two monitors set by hand on one screen (as RandR 1.5 lets a user split a wide display), a
// dock on one of them, and the notices of a monitor removed and of a new desktop work area.
TEST_F(BackendTest, MonitorsWithTheirPanelsAndTheirChanges) {
    TServerOptions wide;
    wide.Width = 2560;
    wide.Height = 1024;
    Start(wide);
    ASSERT_EQ(Server->Run({"xrandr", "--setmonitor", "left", "1280/338x1024/270+0+0", "screen"}),
              0);
    ASSERT_EQ(Server->Run({"xrandr", "--setmonitor", "right", "1280/338x1024/270+1280+0", "none"}),
              0);
    // A 40-pixel dock along the bottom of the right monitor only.
    ::Display* d = Server->Connection();
    const ::Window root = DefaultRootWindow(d);
    const ::Window dock = XCreateSimpleWindow(d, root, 1280, 984, 1280, 40, 0, 0, 0x808080);
    const long strut[12] = {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 1280, 2559};
    XChangeProperty(d, dock, XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
    XMapWindow(d, dock);
    XSync(d, False);

    const auto works = [&] {
        std::vector<TRect> out;
        for (const auto& m : X->Monitors())
            out.insert(out.end(), {m.Bounds, m.Work});
        return out;
    };
    const std::vector<TRect> two{
        {0, 0, 1280, 1024}, {0, 0, 1280, 1024}, {1280, 0, 2560, 1024}, {1280, 0, 2560, 984}};
    ASSERT_TRUE(Until([&] { return works() == two; })) << works().size();
    const HWND hwnd = Card(1500, 100, TCardFrame(100, 100, 0));
    Settle(100);
    Seen.clear();

    ASSERT_EQ(Server->Run({"xrandr", "--delmonitor", "right"}), 0);
    ASSERT_TRUE(Until([&] { return Count(WM_DISPLAYCHANGE, hwnd) > 0; }));
    EXPECT_EQ(GetXLParam(Last(WM_DISPLAYCHANGE)->lParam), 2560);
    EXPECT_EQ(GetYLParam(Last(WM_DISPLAYCHANGE)->lParam), 1024);
    // Only the left monitor is left, and the dock's strut lies on none.
    EXPECT_EQ(works(), (std::vector<TRect>{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}));

    // A window manager publishing a work area for the desktop: the panels changed.
    const long area[4] = {0, 20, 2560, 1004};
    XChangeProperty(d, root, XInternAtom(d, "_NET_WORKAREA", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(area), 4);
    XSync(d, False);
    ASSERT_TRUE(Until([&] { return Count(WM_SETTINGCHANGE, hwnd) > 0; }));
    EXPECT_EQ(Last(WM_SETTINGCHANGE)->wParam, SPI_SETWORKAREA);
    EXPECT_EQ(works(), (std::vector<TRect>{{0, 0, 1280, 1024}, {0, 20, 1280, 1024}}));
    EXPECT_EQ(Count(WM_DISPLAYCHANGE, hwnd), 1);
    DestroyWindow(hwnd);
}

TEST_F(BackendTest, LostConnectionEndsTheSessionWithoutEndingTheProcess) {
    Start();
    TCardFrame frame(100, 100, 0);
    const HWND hwnd = Card(10, 10, frame);
    Settle(100);
    Server->KillServer();
    EXPECT_TRUE(Until([&] { return Count(WM_ENDSESSION, hwnd) == 1; }));
    EXPECT_EQ(Count(WM_QUERYENDSESSION, hwnd), 1);
    EXPECT_FALSE(X->Connected());
    // Later calls on the dead connection are harmless.
    const TPoint at{20, 20};
    EXPECT_FALSE(UpdateLayeredWindow(hwnd, &at, frame.Width, frame.Height, frame.Pixels.data(),
                                     frame.Width * 4, 255));
    DestroyWindow(hwnd);
}

// The window's icons become _NET_WM_ICON: width, height and straight-alpha ARGB cardinals for
// each, the program's icon 101 at its own size first.
TEST_F(BackendTest, WindowIconsBecomeTheNetWmIconProperty) {
    Start();
    const HWND hwnd = Card(100, 100, TCardFrame(100, 100, 0));
    const HICON program = LoadIcon(0, 101);
    ASSERT_NE(program, 0u);
    TFrameView programFrame;
    ASSERT_TRUE(GetIconFrame(program, &programFrame));
    // Opaque, half-transparent (premultiplied) and clear.
    const std::uint32_t small[] = {0xFF112233u, 0x80402010u, 0x00000000u};
    const HICON tiny = CreateIconFromPixels(3, 1, small);
    SendMessage(hwnd, WM_SETICON, ICON_BIG, static_cast<LPARAM>(program));
    SendMessage(hwnd, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(tiny));

    auto property = [&] { return Server->Cardinals(X->NativeWindow(hwnd), "_NET_WM_ICON"); };
    // The backend writes on its own connection; wait until the server has applied it.
    auto settled = [&](auto done) {
        std::vector<unsigned long> values = property();
        for (int i = 0; i < 200 && !done(values); ++i) {
            usleep(10000);
            values = property();
        }
        return values;
    };
    std::vector<unsigned long> icon =
        settled([](const std::vector<unsigned long>& v) { return v.size() > 2 + 64 * 64; });
    ASSERT_EQ(icon.size(), 2u + 64 * 64 + 2 + 3);
    EXPECT_EQ(icon[0], 64u);
    EXPECT_EQ(icon[1], 64u);
    // An opaque pixel of the program's icon arrives as it is.
    const std::uint32_t centre = programFrame.Pixel(32, 32);
    ASSERT_EQ(centre >> 24, 0xFFu);
    EXPECT_EQ(icon[2 + 32 * 64 + 32], centre);
    const std::vector<unsigned long> tail(icon.end() - 5, icon.end());
    EXPECT_EQ(tail, (std::vector<unsigned long>{3, 1, 0xFF112233u, 0x80804020u, 0}));

    SendMessage(hwnd, WM_SETICON, ICON_BIG, 0);
    SendMessage(hwnd, WM_SETICON, ICON_SMALL, 0);
    EXPECT_TRUE(settled([](const std::vector<unsigned long>& v) { return v.empty(); }).empty());
    DestroyIcon(tiny);
    DestroyIcon(program);
}

} // namespace
