// The main window on the headless screen: what the first run shows, the views, the option
// boxes, scaling, snapping, closing and idling.
#include "app_fixture.h"

#include "news/feed.h"
#include "platform/shell/popup_menu.h"
#include "platform/sys/resources.h"
#include "tests/platform/card_frame.h"

namespace app_test {
namespace {

using namespace platform;

class MainWindow : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        PointServersAt("127.0.0.1:1");
    }

    void ClickOn(widgets::TControl& Element) {
        TPoint p{8, Element.Height() / 2};
        ClientToScreen(Element.WindowHandle(), &p);
        Screen->Click(p.X, p.Y);
        Pump();
    }

    // A compiled-in picture's size as its PNG header states it (width, height: big-endian words
    // at bytes 16 and 20).
    static widgets::TSize PngSize(int ResId) {
        const std::string_view png = LoadPngResource(ResId);
        const auto word = [&](std::size_t At) {
            int v = 0;
            for (std::size_t i = At; i < At + 4; ++i)
                v = v << 8 | static_cast<unsigned char>(png[i]);
            return v;
        };
        return png.size() < 24 ? widgets::TSize{} : widgets::TSize{word(16), word(20)};
    }

    // A band of the card in the background picture: the rows of its middle column from From on
    // that hold Colour (0: any opaque colour but white), as wide as the band's middle row holds it.
    static TRect CardBand(std::uint32_t Colour, int From = 0) {
        const auto card = widgets::TBitmapEx::CreateFromResource(elements::BackgroundPicture, 1);
        const auto holds = [&](int X, int Y) {
            const std::uint32_t p = card->GetPixel(X, Y);
            return Colour != 0 ? p == Colour : (p >> 24) == 0xFF && p != 0xFFFFFFFF;
        };
        TRect r;
        const int mid = card->Width() / 2;
        for (r.Top = From; r.Top < card->Height() && !holds(mid, r.Top); ++r.Top) {
        }
        for (r.Bottom = r.Top; r.Bottom < card->Height() && holds(mid, r.Bottom); ++r.Bottom) {
        }
        const int row = (r.Top + r.Bottom) / 2;
        for (r.Left = mid; r.Left > 0 && holds(r.Left - 1, row); --r.Left) {
        }
        for (r.Right = mid; r.Right < card->Width() && holds(r.Right, row); ++r.Right) {
        }
        return r;
    }

    static ::testing::AssertionResult Inside(const TRect& Inner, const TRect& Outer) {
        if (Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
            Inner.Bottom <= Outer.Bottom && Inner.Width() > 0 && Inner.Height() > 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "(" << Inner.Left << "," << Inner.Top << ")-(" << Inner.Right << ","
               << Inner.Bottom << ") is not inside (" << Outer.Left << "," << Outer.Top << ")-("
               << Outer.Right << "," << Outer.Bottom << ")";
    }

    static TRect Quarter(const TRect& R, bool Right, bool Upper) {
        const int x = (R.Left + R.Right) / 2, y = (R.Top + R.Bottom) / 2;
        return {Right ? x : R.Left, Upper ? R.Top : y, Right ? R.Right : x, Upper ? y : R.Bottom};
    }
};

TEST_F(MainWindow, FirstRunIsCentredOnTopWithTrayAndEveryBoxChecked) {
    std::filesystem::remove(OptionsPath());
    Screen->SetWorkArea({0, 40, 1280, 1000});
    Start();
    EXPECT_EQ(Window->Left(), (1280 - 475) / 2);
    // Centred by the work area's size, as the options store computes it.
    EXPECT_EQ(Window->Top(), (960 - 350) / 2);
    EXPECT_TRUE(Window->AlwaysTop());
    EXPECT_TRUE(Screen->Surface(Handle).Topmost);
    ASSERT_EQ(Screen->TrayIcons().size(), 1u);
    EXPECT_EQ(Screen->TrayIcons()[0].Tip, u"Mini Pelikora");
    for (auto* box : {Probe().StartupBox(), Probe().AlwaysTopBox(), Probe().ShowTrayBox(),
                      Probe().AutoScaleBox()})
        EXPECT_TRUE(box->Checked);
    EXPECT_TRUE(Probe().Scaler().AutoScale());
    // The default "startup" is true: the first run writes the entry the checked box stands for.
    EXPECT_TRUE(app::StartsWithSystem(app::ExecutablePath()));
    EXPECT_EQ(Window->Opacity(), 0);
    EXPECT_FALSE(Probe().OptionsPanel()->Visible());
    EXPECT_FALSE(Probe().AboutPanel()->Visible());
    EXPECT_FALSE(Probe().Throbber()->Visible());
    EXPECT_EQ(Probe().StartTimer()->Interval(), 50);
    EXPECT_TRUE(Probe().PollTimer()->Enabled());
    EXPECT_FALSE(Probe().ThrobberTimer()->Enabled());
}

// Where the elements sit, judged against the skin's own pictures rather than against the layout's
// numbers: each picture's size comes from its PNG header, the card's white body and red footer
// from the background picture's pixels, and every rectangle from the window manager.
TEST_F(MainWindow, ElementTreeGeometry) {
    Start();
    const TRect body = CardBand(0xFFFFFFFF);
    const TRect footer = CardBand(0, body.Bottom);
    // What the window manager placed, in the main window's pixels; an element whose window is
    // not made yet (hidden until it has something to show) sits where its parent puts it.
    std::function<TRect(widgets::TControl*)> at = [&](widgets::TControl* Element) {
        TRect r, window;
        if (Element->WindowHandle() == 0) {
            const TRect p = at(Element->Parent());
            const int x = p.Left + Element->Left(), y = p.Top + Element->Top();
            return TRect{x, y, x + Element->Width(), y + Element->Height()};
        }
        GetWindowRect(Element->WindowHandle(), &r);
        GetWindowRect(Handle, &window);
        return TRect{r.Left - window.Left, r.Top - window.Top, r.Right - window.Left,
                     r.Bottom - window.Top};
    };
    const auto sized = [](const TRect& r, widgets::TSize Picture) {
        return r.Width() == Picture.cx && r.Height() == Picture.cy;
    };

    // The list and its scroll bar lie on the white body; the track picture is as tall as the
    // list's view and stands at its right edge, and the list runs up to it without a gap wider
    // than the thumb's margin in the track.
    const TRect viewport = at(Probe().Viewport());
    const TRect track = at(Probe().Viewport()->Scroller), thumb = at(Probe().Viewport()->Thumb);
    const TRect list = at(Probe().NewsList());
    EXPECT_TRUE(Inside(viewport, body));
    EXPECT_TRUE(sized(track, PngSize(elements::ScrollTrackPicture)));
    EXPECT_TRUE(sized(thumb, PngSize(elements::ScrollThumbPicture)));
    EXPECT_EQ(track.Right, viewport.Right);
    EXPECT_EQ(track.Top, viewport.Top);
    EXPECT_EQ(track.Bottom, viewport.Bottom);
    EXPECT_EQ(thumb.Left - track.Left, track.Right - thumb.Right);
    EXPECT_EQ(list.Left, viewport.Left);
    EXPECT_LT(list.Right, track.Left);
    EXPECT_LE(track.Left - list.Right, track.Width() / 4);

    // The busy indicator and the status text share the red footer, side by side.
    const TRect status = at(Probe().StatusText()), throbber = at(Probe().Throbber());
    EXPECT_TRUE(Inside(status, footer));
    EXPECT_TRUE(Inside(throbber, footer));
    EXPECT_EQ(throbber.Width(), PngSize(elements::ThrobberPicture).cx);
    EXPECT_LE(throbber.Right, status.Left);

    // Both views slide out from under the header onto the body, each as large as its sheet; a
    // closed view's sheet waits wholly above its panel, so nothing of it shows.
    const TRect options = at(Probe().OptionsPanel()), sheet = at(Probe().OptionsImage());
    const TRect about = at(Probe().AboutPanel()), slider = at(Probe().AboutSlider());
    for (const TRect* panel : {&options, &about}) {
        EXPECT_EQ(panel->Top, body.Top);
        EXPECT_TRUE(Inside({panel->Left, body.Top, panel->Right, body.Top + 1}, body));
    }
    EXPECT_TRUE(sized(options, PngSize(elements::OptionsPicture)));
    EXPECT_EQ(sheet,
              (TRect{options.Left, options.Top - options.Height(), options.Right, options.Top}));
    EXPECT_EQ(slider, (TRect{about.Left, about.Top - about.Height(), about.Right, about.Top}));
    const TRect aboutImage = at(Probe().AboutImage());
    EXPECT_TRUE(sized(aboutImage, PngSize(elements::AboutPicture)));
    EXPECT_TRUE(Inside(aboutImage, slider));

    // The boxes stand one under the other on the sheet, each as tall as its check picture,
    // above the link to the sources page; the close button sits in the sheet's lower right.
    TRect above{sheet.Left, sheet.Top, sheet.Right, sheet.Top};
    for (auto* box : {Probe().StartupBox(), Probe().AlwaysTopBox(), Probe().ShowTrayBox(),
                      Probe().AutoScaleBox()}) {
        const TRect r = at(box);
        EXPECT_TRUE(Inside(r, sheet));
        EXPECT_EQ(r.Height(), PngSize(elements::CheckOffPicture).cy);
        EXPECT_GE(r.Top, above.Bottom);
        above = r;
    }
    EXPECT_LE(above.Bottom, at(Probe().SourcesLink()).Top);
    const TRect optionsClose = at(Probe().OptionsClose());
    EXPECT_TRUE(sized(optionsClose, PngSize(elements::SmallClosePicture)));
    EXPECT_TRUE(Inside(optionsClose, Quarter(sheet, true, false)));

    // On the about sheet: the close button in the picture's upper right, the icon's reflection
    // right under the icon and as wide, the title's text within its box.
    const TRect aboutClose = at(Probe().AboutClose());
    EXPECT_TRUE(sized(aboutClose, PngSize(elements::ClosePicture)));
    EXPECT_TRUE(Inside(aboutClose, Quarter(aboutImage, true, true)));
    const TRect icon = at(Probe().AboutIcon()), reflection = at(Probe().IconReflection());
    EXPECT_TRUE(sized(icon, PngSize(elements::ProgramPicture)));
    EXPECT_EQ(reflection.Top, icon.Bottom);
    EXPECT_EQ(reflection.Left, icon.Left);
    EXPECT_EQ(reflection.Width(), icon.Width());
    EXPECT_LT(reflection.Height(), icon.Height());
    auto* title = Probe().TitleText();
    const auto titleExtent = title->Canvas().TextExtent(title->Data());
    EXPECT_LE(titleExtent.cx, title->Width());
    EXPECT_LE(titleExtent.cy, title->Height());
    EXPECT_TRUE(Inside(at(title), aboutImage));
    // Texts that keep AutoSize fit their text (plus a pixel) instead of the box they were given.
    auto* link = Probe().LinkText();
    const auto extent = link->Canvas().TextExtent(link->Data());
    EXPECT_EQ(link->Width(), extent.cx + 1);
    EXPECT_EQ(link->Height(), extent.cy + 1);
}

TEST_F(MainWindow, AboutWhileOptionsAreOpenClosesThemFirst) {
    Start();
    SendMessage(Handle, WM_COMMAND, app::CM_OPTIONS, 0);
    ASSERT_TRUE(Probe().OptionsPanel()->Visible());
    EXPECT_EQ(Probe().OptionsImage()->Top(), 0);
    EXPECT_EQ(Probe().OptionsImage()->Opacity(), 255);

    struct TStep {
        int OptionsTop, AboutTop, AboutOpacity;
        bool AboutShown;
    };
    std::vector<TStep> steps;
    Window->OnPaint = [&](widgets::TObject*) {
        steps.push_back({Probe().OptionsImage()->Top(), Probe().AboutSlider()->Top(),
                         Probe().AboutSlider()->Opacity(), Probe().AboutPanel()->Visible()});
    };
    SendMessage(Handle, WM_COMMAND, app::CM_ABOUT, 0);
    Window->OnPaint = nullptr;

    std::vector<int> optionTops, aboutTops, aboutOpacities;
    for (const auto& s : steps) {
        if (!s.AboutShown && s.OptionsTop > -183)
            optionTops.push_back(s.OptionsTop);
        if (s.AboutShown && s.AboutTop < 0 && s.AboutTop > -224) {
            aboutTops.push_back(s.AboutTop);
            aboutOpacities.push_back(s.AboutOpacity);
        }
    }
    ASSERT_EQ(optionTops.size(), 12u);
    EXPECT_EQ(optionTops.front(), -15);
    EXPECT_EQ(optionTops.back(), -180);
    ASSERT_EQ(aboutTops.size(), 14u);
    EXPECT_EQ(aboutTops.front(), -209);
    EXPECT_EQ(aboutTops.back(), -14);
    EXPECT_EQ(aboutOpacities.front(), 17);
    EXPECT_EQ(aboutOpacities.back(), 238);
    EXPECT_FALSE(Probe().OptionsPanel()->Visible());
    EXPECT_EQ(Probe().OptionsImage()->Top(), -183);
    EXPECT_EQ(Probe().OptionsImage()->Opacity(), 0);
    EXPECT_EQ(Probe().AboutSlider()->Top(), 0);
    EXPECT_EQ(Probe().AboutSlider()->Opacity(), 255);

    // About again closes it; notifications (a high word) and unknown commands do nothing.
    SendMessage(Handle, WM_COMMAND, app::CM_ABOUT | 0x10000, 0);
    SendMessage(Handle, WM_COMMAND, 40001, 0);
    EXPECT_TRUE(Probe().AboutPanel()->Visible());
    SendMessage(Handle, WM_COMMAND, app::CM_ABOUT, 0);
    EXPECT_FALSE(Probe().AboutPanel()->Visible());
    EXPECT_EQ(Probe().AboutSlider()->Top(), -224);
}

TEST_F(MainWindow, StartupBoxClickedTwiceWritesTheFileTwiceAndTheEntryThenRemovesIt) {
    EditOptions([](TOptions& o) { o.WriteStartUp(false); });
    Start();
    RunStartUp(); // a window still at opacity 0 takes no clicks
    SendMessage(Handle, WM_COMMAND, app::CM_OPTIONS, 0);
    ASSERT_FALSE(Probe().StartupBox()->Checked);
    Window->SetLeft(300);

    ClickOn(*Probe().StartupBox());
    EXPECT_TRUE(Probe().StartupBox()->Checked);
    {
        const TOptions saved = Saved();
        EXPECT_TRUE(saved.ReadStartUp());
        EXPECT_EQ(saved.ReadLeft(), 300); // the position goes with every option change
    }
    const std::string entry = ReadBytes(app::AutostartEntryPath());
    EXPECT_NE(entry.find("Exec=" + app::QuoteExecArgument(app::ExecutablePath())),
              std::string::npos);

    Screen->Advance(1000); // two clicks, not a double click
    ClickOn(*Probe().StartupBox());
    EXPECT_FALSE(Probe().StartupBox()->Checked);
    EXPECT_FALSE(Saved().ReadStartUp());
    EXPECT_FALSE(std::filesystem::exists(app::AutostartEntryPath()));
}

// The box tells whether the session starts this program, whatever the options file says; only
// the first run, with no choice stored yet, writes the entry unasked.
TEST_F(MainWindow, TheStartupBoxShowsWhetherTheSessionStartsThisProgram) {
    const std::string ours = app::AutostartEntryText(app::ExecutablePath());
    const std::string other = app::AutostartEntryText("/opt/elsewhere/minipelikora");
    struct TCase {
        const char* Name;
        int Stored;        // -1: no choice in the file
        std::string Entry; // empty: none
        bool Checked, EntryAfter;
    };
    const TCase cases[] = {
        {"first run", -1, "", true, true},
        {"chosen, but the entry was removed elsewhere", 1, "", false, false},
        {"not chosen, but the entry is there", 0, ours, true, true},
        {"an entry for another copy", 1, other, false, true},
        {"an entry the desktop switched off", 1, ours + "Hidden=true\n", false, true},
        {"switched off the other way", 1, ours + "X-GNOME-Autostart-enabled=false\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove(OptionsPath());
        std::filesystem::remove(app::AutostartEntryPath());
        EditOptions([&](TOptions& o) {
            o.WriteString(u"server", u"news", u"127.0.0.1:1");
            if (c.Stored >= 0)
                o.WriteStartUp(c.Stored != 0);
        });
        if (!c.Entry.empty()) {
            std::filesystem::create_directories(app::AutostartFolder());
            WriteBytes(app::AutostartEntryPath(), c.Entry);
        }
        Start();
        EXPECT_EQ(Probe().StartupBox()->Checked, c.Checked);
        EXPECT_EQ(std::filesystem::exists(app::AutostartEntryPath()), c.EntryAfter);
        if (!c.Entry.empty()) {
            EXPECT_EQ(ReadBytes(app::AutostartEntryPath()), c.Entry); // never rewritten unasked
        }
        Window->ShutDown();
        EXPECT_EQ(Saved().ReadStartUp(), c.Checked);
        Desktop.reset();
    }
}

// The about view's address is a link only when a links server is named: without one it is plain
// text, in the grey of the lines above it, that a click does not open.
TEST_F(MainWindow, TheAboutAddressIsALinkOnlyWithALinksServer) {
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "links server named" : "no links server");
        std::filesystem::remove(OptionsPath());
        if (named)
            PointServersAt("127.0.0.1:1");
        Links.clear();
        Start();
        RunStartUp();
        SendMessage(Handle, WM_COMMAND, app::CM_ABOUT, 0);
        widgets::TControl& link = *Probe().LinkText();
        int blue = 0;
        const auto& bitmap = Probe().LinkText()->Canvas().Bitmap();
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x) {
                const std::uint32_t p = bitmap.GetPixel(x, y);
                blue += (p >> 24) > 0x80 && (p & 0xFF) > ((p >> 16) & 0xFF) + 0x60;
            }
        EXPECT_EQ(blue > 20, named);
        EXPECT_EQ(link.Cursor(), named ? elements::crHand : elements::crDefault);
        ClickOn(link);
        EXPECT_EQ(Links, named ? std::vector<std::string>{"http://127.0.0.1:1/?linkid=7950"}
                               : std::vector<std::string>{});
        Desktop.reset();
    }
}

// Activated, the widget takes the keyboard into its list: the scroll keys work without a click
// into it first. Esc closes the open view, wherever the keyboard is.
TEST_F(MainWindow, ScrollKeysWorkOnActivationAndEscClosesTheViews) {
    std::string answer;
    for (int i = 0; i < 12; ++i)
        answer += (i ? std::string(news::RecordSeparator) : "") +
                  NewsRecord(std::to_string(i), "Headline " + std::to_string(i));
    WriteBytes(NewsPath(), news::ConvertNews(answer));
    EditOptions([](TOptions& o) { o.WriteAutoScale(false); });
    Start();
    RunStartUp();
    // The window is activated as it maps, before its list exists; the list still gets the keys.
    const HWND list = Probe().NewsList()->Handle();
    EXPECT_EQ(GetFocus(), list);
    Screen->ActivateOther();
    Pump();
    ASSERT_EQ(GetFocus(), 0u);

    SetForegroundWindow(Handle);
    Pump();
    EXPECT_EQ(GetFocus(), list);
    Screen->KeyDown(VK_NEXT);
    Pump();
    EXPECT_LT(Probe().NewsList()->Top(), 0);

    struct TCase {
        const char* Name;
        UINT Command;
        widgets::TControl* Panel;
        HWND Focus;
    };
    const TCase cases[] = {
        {"about, keys in the list", app::CM_ABOUT, Probe().AboutPanel(), list},
        {"options, keys in the list", app::CM_OPTIONS, Probe().OptionsPanel(), list},
        {"about, keys in the window", app::CM_ABOUT, Probe().AboutPanel(), Handle},
        {"options, keys in the window", app::CM_OPTIONS, Probe().OptionsPanel(), Handle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetFocus(c.Focus);
        SendMessage(Handle, WM_COMMAND, c.Command, 0);
        ASSERT_TRUE(c.Panel->Visible());
        const int top = Probe().NewsList()->Top();
        Screen->KeyDown(VK_ESCAPE);
        Pump();
        EXPECT_FALSE(c.Panel->Visible());
        EXPECT_EQ(Probe().NewsList()->Top(), top);
    }
    // With no view open Esc changes nothing.
    Screen->KeyDown(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(Probe().AboutPanel()->Visible());
    EXPECT_FALSE(Probe().OptionsPanel()->Visible());
}

TEST_F(MainWindow, TrayAndTopBoxesApplyTheirStateAndSaveIt) {
    Start();
    RunStartUp();
    SendMessage(Handle, WM_COMMAND, app::CM_OPTIONS, 0);
    ClickOn(*Probe().ShowTrayBox());
    EXPECT_TRUE(Screen->TrayIcons().empty());
    Screen->Advance(1000);
    ClickOn(*Probe().AlwaysTopBox());
    EXPECT_FALSE(Screen->Surface(Handle).Topmost);
    Screen->Advance(1000);
    ClickOn(*Probe().AutoScaleBox());
    EXPECT_FALSE(Probe().Scaler().AutoScale());
    const TOptions saved = Saved();
    EXPECT_FALSE(saved.ReadShowTray());
    EXPECT_FALSE(saved.ReadAlwaysTop());
    EXPECT_FALSE(saved.ReadAutoScale());
    EXPECT_TRUE(saved.ReadStartUp());

    // With autoscale off, losing the activation changes nothing.
    Screen->ActivateOther();
    Pump();
    EXPECT_FALSE(Probe().Scaler().Scaled());
    EXPECT_EQ(Probe().Scale(), 1.0f);
}

TEST_F(MainWindow, DeactivationInTheLowerRightQuarterShrinksIntoThatCorner) {
    StartAt(700, 600);
    RunStartUp();
    SetActiveWindow(Handle);
    Pump();
    const std::size_t before = Screen->FrameCount();
    Screen->ActivateOther();
    Pump();
    EXPECT_EQ(Probe().Corner(), 3);
    EXPECT_TRUE(Probe().Scaler().Scaled());
    EXPECT_TRUE(Probe().ScaledSettled());
    EXPECT_NEAR(Probe().Scale(), 0.25f, 1e-5f);
    EXPECT_LT(Probe().Scale(), 0.25f);
    EXPECT_EQ(Probe().Root()->Width(), 1);
    // 15 nearest-neighbour frames, then the smooth settled picture.
    const auto frames = WindowFrames(before);
    ASSERT_EQ(frames.size(), 16u);

    // The settled picture covers about 119 x 87 pixels in the bottom-right corner.
    const auto& last = frames.back();
    int minX = last.Width, minY = last.Height, maxX = -1, maxY = -1;
    for (int y = 0; y < last.Height; ++y)
        for (int x = 0; x < last.Width; ++x)
            if ((last.Pixel(x, y) >> 24) != 0) {
                minX = std::min(minX, x), minY = std::min(minY, y);
                maxX = std::max(maxX, x), maxY = std::max(maxY, y);
            }
    EXPECT_GE(minX, 475 - 119);
    EXPECT_GE(minY, 350 - 87);
    EXPECT_GE(maxX - minX + 1, 100);
    EXPECT_GE(maxY - minY + 1, 70);

    const std::size_t shrunk = Screen->FrameCount();
    SetActiveWindow(Handle);
    Pump();
    EXPECT_EQ(Probe().Scale(), 1.0f);
    EXPECT_FALSE(Probe().Scaler().Scaled());
    EXPECT_EQ(Probe().Root()->Width(), 475);
    EXPECT_EQ(WindowFrames(shrunk).size(), 16u);
}

TEST_F(MainWindow, CornerComesFromTheWorkAreaHalvesNotItsCentre) {
    Screen->SetWorkArea({100, 0, 1280, 1024});
    StartAt(550, 100);
    Deactivate();
    EXPECT_EQ(Probe().Corner(), 0); // 550 < 1180 / 2, though right of the centre at 690
}

TEST_F(MainWindow, EdgeSnappingReachesSevenPixels) {
    Screen->SetWorkArea({0, 0, 1280, 1000});
    Start();
    struct TCase {
        int X, Y, WantX, WantY;
    };
    const TCase cases[] = {
        {1280 - 475 - 5, 300, 1280 - 475, 300}, // right edge, 5 short
        {1280 - 475 - 8, 300, 1280 - 475 - 8, 300},
        {1280 - 475 + 7, 300, 1280 - 475, 300}, // beyond the edge snaps back too
        {-7, 300, 0, 300},
        {-8, 300, -8, 300},
        {1280 - 475 + 8, 300, 1280 - 475 + 8, 300},
        {7, 300, 0, 300},
        {8, 300, 8, 300},
        {300, 1000 - 350 - 7, 300, 1000 - 350}, // bottom edge, both sides of it
        {300, 1000 - 350 - 8, 300, 1000 - 350 - 8},
        {300, 1000 - 350 + 7, 300, 1000 - 350},
        {300, 1000 - 350 + 8, 300, 1000 - 350 + 8},
        {300, 6, 300, 0},
        {300, 7, 300, 0},
        {300, 8, 300, 8},
        {300, -7, 300, 0},
        {300, -8, 300, -8},
    };
    for (const auto& c : cases) {
        MoveTo(c.X, c.Y);
        TRect r;
        GetWindowRect(Handle, &r);
        EXPECT_EQ(r.Left, c.WantX) << c.X << "," << c.Y;
        EXPECT_EQ(r.Top, c.WantY) << c.X << "," << c.Y;
    }
    // A work area 356 high puts y = 3 within reach of both edges: top wins.
    Screen->SetWorkArea({0, 0, 1280, 356});
    MoveTo(10, 3);
    TRect r;
    GetWindowRect(Handle, &r);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Left, 10);
}

TEST_F(MainWindow, DraggingTheBackgroundMovesAndSnaps) {
    Screen->SetWorkArea({0, 0, 1280, 1000});
    StartAt(400, 300);
    RunStartUp();
    // The header is disabled, so the press reaches the background under it.
    Screen->MovePointer(400 + 200, 300 + 40);
    Screen->PressButton();
    Screen->MovePointer(400 + 200 + 402, 300 + 40 + 50); // right edge 3 short
    Screen->ReleaseButton();
    Pump();
    EXPECT_EQ(Window->Left(), 1280 - 475);
    EXPECT_EQ(Window->Top(), 350);
}

TEST_F(MainWindow, CloseFromTheMenuFadesOutSavesAndQuits) {
    Start();
    RunStartUp();
    EXPECT_EQ(Window->Opacity(), 252);
    MoveTo(321, 234);
    const std::size_t before = Screen->FrameCount();

    Screen->MovePointer(321 + 200, 234 + 40);
    Screen->PressButton(TMouseButton::Right);
    Screen->ReleaseButton(TMouseButton::Right);
    Screen->KeyDown('K', u"k");
    Pump();

    std::vector<int> alphas;
    for (const auto& f : WindowFrames(before))
        if (f.Alpha < 252)
            alphas.push_back(f.Alpha);
    ASSERT_EQ(alphas.size(), 62u);
    EXPECT_EQ(alphas.front(), 248);
    EXPECT_EQ(alphas.back(), 4);
    EXPECT_FALSE(IsWindow(Handle));
    EXPECT_TRUE(Screen->TrayIcons().empty());
    const TOptions saved = Saved();
    EXPECT_EQ(saved.ReadLeft(), 321);
    EXPECT_EQ(saved.ReadTop(), 234);
    int code = -1;
    EXPECT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(MainWindow, ExternalCloseEndsLikeTheMenuAndReservedDoesNothing) {
    Start();
    RunStartUp();
    PostMessage(Handle, app::WM_EXTERNALRESERVED, 0, 0);
    Pump();
    EXPECT_TRUE(IsWindow(Handle));
    EXPECT_FALSE(QuitPosted());

    const std::size_t before = Screen->FrameCount();
    PostMessage(Handle, app::WM_EXTERNALCLOSE, 0, 0);
    Pump();
    std::size_t fading = 0;
    for (const auto& f : WindowFrames(before))
        fading += f.Alpha < 252 ? 1 : 0;
    EXPECT_EQ(fading, 62u);
    EXPECT_FALSE(IsWindow(Handle));
    EXPECT_TRUE(Screen->TrayIcons().empty());
    EXPECT_TRUE(QuitPosted());
}

TEST_F(MainWindow, ShutDownAfterACancelledSessionEndIsSafeToRunAgain) {
    Start();
    RunStartUp();
    EXPECT_EQ(SendMessage(Handle, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_FALSE(Probe().PollTimer());
    EXPECT_FALSE(Probe().Options());
    EXPECT_TRUE(Screen->TrayIcons().empty());
    EXPECT_TRUE(std::filesystem::exists(OptionsPath()));
    SendMessage(Handle, WM_ENDSESSION, 0, 0); // cancelled: the widget stays
    Pump();
    EXPECT_TRUE(IsWindow(Handle));
    EXPECT_FALSE(QuitPosted());

    // Later moves are not saved any more (the store is gone), and closing still works.
    MoveTo(500, 500);
    PostMessage(Handle, app::WM_EXTERNALCLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(Handle));
    EXPECT_TRUE(QuitPosted());
}

TEST_F(MainWindow, SignalTakesTheSessionEndPathAndQuits) {
    Start();
    RunStartUp();
    MoveTo(123, 456);
    PostMessage(Handle, app::WM_SIGNALEND, 0, 0);
    Pump();
    int code = -1;
    EXPECT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Saved().ReadLeft(), 123);
    EXPECT_TRUE(Screen->TrayIcons().empty());
}

TEST_F(MainWindow, IdleForMoreThanTenSecondsTrimsMemory) {
    Start();
    RunStartUp();
    const int trims = app::TrimCount();
    // Input half-way through the first period keeps the first tick from trimming.
    Screen->Advance(5000);
    Screen->MovePointer(Window->Left() + 100, Window->Top() + 100);
    Pump();
    Elapse(5000);
    EXPECT_EQ(app::TrimCount(), trims);
    EXPECT_TRUE(Probe().IdleTimer()->Enabled());
    Elapse(10000);
    EXPECT_EQ(app::TrimCount(), trims + 1);
    Elapse(10000);
    EXPECT_EQ(app::TrimCount(), trims + 2);
}

// A left click on the tray icon brings the shrunk widget back to full size and to the front;
// a middle click does nothing; a right click opens the menu.
TEST_F(MainWindow, TrayIconClicksBringTheWidgetBackAndOpenTheMenu) {
    Start();
    RunStartUp();
    Deactivate();
    ASSERT_TRUE(Probe().Scaler().Scaled());
    ASSERT_EQ(Screen->TrayIcons().size(), 1u);
    const auto icon = Screen->TrayIcons()[0];
    auto click = [&](TMouseButton Button) {
        Screen->TrayMove(icon.Owner, icon.Id, 1200, 1010);
        Screen->TrayButton(icon.Owner, icon.Id, Button, true);
        Screen->TrayButton(icon.Owner, icon.Id, Button, false);
        Pump();
    };

    click(TMouseButton::Middle);
    EXPECT_TRUE(Probe().Scaler().Scaled());
    EXPECT_EQ(GetOpenMenuWindow(), 0);

    const int raises = Screen->Surface(Handle).Raises;
    Screen->Advance(1000); // not a double click with anything before
    click(TMouseButton::Left);
    EXPECT_FALSE(Probe().Scaler().Scaled());
    EXPECT_EQ(Probe().Scale(), 1.0f);
    EXPECT_EQ(Probe().Root()->Width(), 475);
    EXPECT_EQ(GetActiveWindow(), Handle);
    EXPECT_GT(Screen->Surface(Handle).Raises, raises);
    EXPECT_EQ(Screen->ActivationRequests().back(), Handle);

    // A right click opens the menu; its access key then chooses "Seçenekler". The key is typed
    // once the menu is open: the click's handler serves the queue before it opens the menu.
    EXPECT_FALSE(Probe().OptionsPanel()->Visible());
    static THeadlessDisplay* screen;
    screen = Screen;
    platformtest::RegisterProc(u"MenuKeyFeeder", [](HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_TIMER && GetOpenMenuWindow() != 0) {
            KillTimer(h, 1);
            screen->KeyDown('S', u"s");
        }
        return DefWindowProc(h, m, w, l);
    });
    const HWND keys = CreateWindowEx(0, u"MenuKeyFeeder", u"", WS_POPUP, 0, 0, 1, 1, 0, 0, nullptr);
    SetTimer(keys, 1, 10);
    Screen->Advance(1000);
    click(TMouseButton::Right);
    DestroyWindow(keys);
    EXPECT_TRUE(Probe().OptionsPanel()->Visible());
}

} // namespace
} // namespace app_test
