// Construction of the main window: fields, the content built when its handle is created (icon,
// menu, options, tooltip, tray icon, the element tree, the stored options, the timers) and the
// paint step that draws the small picture while the widget is scaled down.
#include "app/mainwindow.h"

#include "app/desktop_integration.h"
#include "news/feed.h"
#include "platform/shell/icons.h"
#include "platform/shell/popup_menu.h"
#include "platform/sys/resources.h"
#include "settings/unicode.h"
#include "widgets/text.h"

#include <cmath>

namespace app {

using namespace platform;
using namespace widgets;
using namespace elements;

namespace {

constexpr const char16_t* ListFont = u"Trebuchet MS";
constexpr const char16_t* TitleFont = u"Impact";
constexpr int FontStyleBold = 1;
constexpr std::uint32_t CheckBoxTextColor = 0xCF000000;
constexpr std::uint32_t TitleColor = 0xFF333333;
constexpr std::uint32_t AboutColor = 0xFF404040;
constexpr std::uint32_t LinkColor = 0xFF4040FF;
constexpr std::uint32_t StatusColor = 0xAFFFFFFF;
constexpr int OptionsFade = 240;
constexpr std::uint32_t OptionsTint = 0xFFF0F0F0;
constexpr int PanelWidth = 385;
constexpr int OptionsHeight = 183;
constexpr int AboutHeight = 224;
constexpr int CheckBoxWidth = 300;
constexpr int CheckBoxHeight = 20;
constexpr int CheckBoxGap = 8;

template <class T> T* Element(TMainWindow& Owner, TControl* Parent, int Left, int Top) {
    T* element = Owner.Make<T>();
    element->SetParent(Parent);
    element->SetLeft(Left);
    element->SetTop(Top);
    return element;
}

void SetTextLook(TSkinText& Text, const char16_t* Family, int Size, std::uint32_t Color,
                 bool Antialias) {
    Text.Shadow().Visible = false;
    Text.Canvas().SetAntialias(Antialias);
    Text.Font().SetName(Family);
    Text.Font().SetSize(Size);
    Text.Font().SetColor(Color);
}

} // namespace

TMainWindow::TMainWindow(TComponent* AOwner, std::u16string DataFolder)
    : TWindowEx(AOwner, u"TMainWindow"), FDataFolder(std::move(DataFolder)) {
    SetLeft(0);
    SetTop(0);
    SetSize(WindowWidth, WindowHeight);
    SetAlwaysTop(true);
    OnMouseDown = [this](TObject* S, int K, int X, int Y) { WindowMouseDown(S, K, X, Y); };
    OnMouseWheel = [this](TObject*, int, int Delta, int, int) {
        WheelScroll(*Viewport, ScrollState, Delta);
    };
    OnActivate = [this](TObject* S, int A, HWND W) { WindowActivate(S, A, W); };
}

// Workers still running are waited for here at the latest, so no thread outlives the window
// object it reports to.
TMainWindow::~TMainWindow() = default;

std::string TMainWindow::NewsFilePath() const {
    return news::NewsFilePath(WideToUtf8(FDataFolder));
}

void TMainWindow::AfterCreate() {
    TWindowEx::AfterCreate();

    Icon = LoadIcon(0, MainIconId);
    SendMessage(Handle(), WM_SETICON, ICON_BIG, static_cast<LPARAM>(Icon));
    Menu = LoadMenu(0, MainMenuId);
    Options = std::make_unique<TOptions>(OptionsFilePath());
    ReadServers();

    ToolTip = Make<TToolTip>();
    ToolTip->ParentWindow = 0;
    ToolTip->HandleNeeded();
    ToolTipWindow = ToolTip->WindowHandle();
    ToolTip->EnableTip = true;

    TrayIcon = Make<TTrayIcon>();
    TrayIcon->ParentWindow = 0;
    TrayIcon->SetIcon(LoadIcon(0, MainIconId));
    TrayIcon->OnMouseUp = [this](TObject* S, int K, int X, int Y) { TrayMouseUp(S, K, X, Y); };
    TrayIcon->HandleNeeded();
    TrayIcon->SetHintText(LoadStr(TrayHintString));
    TrayIcon->SetVisibleTray(Options->ReadShowTray());

    BuildElements();

    const HWND self = Handle();
    StartTimer = std::make_unique<TWinTimer>(self, StartTimerId, StartInterval);
    StartTimer->SetEnabled(true);
    IdleTimer = std::make_unique<TWinTimer>(self, IdleTimerId, IdleInterval);
    IdleTimer->SetEnabled(true);
    ThrobberTimer = std::make_unique<TWinTimer>(self, ThrobberTimerId, ThrobberInterval);
    ThrobberTimer->SetEnabled(false);
    PollTimer = std::make_unique<TWinTimer>(self, PollTimerId, PollInterval);
    PollTimer->SetEnabled(true);
}

// The "server" section lets the demo and the tests point the widget at their own servers;
// a value that is not a host[:port] leaves the built-in one.
void TMainWindow::ReadServers() {
    for (const char* key : {news::NewsServerKey, news::VersionServerKey, news::LinksServerKey}) {
        const std::u16string value =
            Options->ReadString(Utf8ToWide(news::ServerSection), Utf8ToWide(key), u"");
        if (!value.empty())
            Servers.Set(key, WideToUtf8(value));
    }
}

void TMainWindow::BuildElements() {
    Canvas().SetInterpolationMode(InterpolationHighQualityBilinear);
    const auto down = [this](TObject* S, int K, int X, int Y) { WindowMouseDown(S, K, X, Y); };

    Root = Element<TControlEx>(*this, this, 0, 0);
    Root->SetSize(WindowWidth, WindowHeight);
    Root->OnMouseDown = down;
    Root->Show();

    Background = Element<TBackgroundEx>(*this, Root, 0, 0);
    Background->SetSize(WindowWidth, WindowHeight);
    Background->SetPicture(TBitmapEx::CreateFromResource(BackgroundPicture));
    Background->OnMouseDown = down;
    Background->Show();

    Header = Element<TImageEx>(*this, Background, 25, 21);
    Header->LoadFromResource(HeaderPicture);
    Header->SetEnabled(false);
    Header->Show();

    Viewport = Element<TContainerEx>(*this, Background, 30, 75);
    Viewport->SetSize(415, 213);
    Viewport->Show();

    NewsList = Element<TContentEx>(*this, Viewport, 0, 0);
    NewsList->SetSize(Viewport->Width() - 25, Viewport->Height());
    NewsList->Canvas().SetAntialias(false);
    NewsList->Font().SetName(ListFont);
    NewsList->Font().SetSize(9);
    NewsList->LoadDocument(Utf8ToWide(NewsFilePath()));
    NewsList->Show();
    NewsList->Cached = true;
    NewsList->OnDrag = [this](TObject* S, int K, int X, int Y) { ContentDrag(S, K, X, Y); };
    NewsList->OnMouseDown = [this](TObject* S, int K, int X, int Y) {
        ContentMouseDown(S, K, X, Y);
    };
    const auto keys = [this](TObject*, std::uint16_t& Key, TShiftState) {
        ScrollKeyDown(*Viewport, ScrollState, Key);
    };
    NewsList->OnKeyDown = keys;

    Scroller = Element<TScrollerEx>(*this, Viewport, Viewport->Width() - 20, 0);
    Scroller->SetSize(20, 213);
    Scroller->SetPicture(TBitmapEx::CreateFromResource(ScrollTrackPicture));
    Scroller->OnMouseDown = [this](TObject*, int, int, int Y) {
        TrackMouseDown(*Viewport, ScrollState, Y);
    };
    Scroller->Show();

    Thumb = Element<TThumbEx>(*this, Scroller, 1, 0);
    Thumb->SetSize(18, 70);
    Thumb->SetPicture(TBitmapEx::CreateFromResource(ScrollThumbPicture));
    Thumb->OnKeyDown = keys;
    Thumb->Show();
    Thumb->OnMouseDown = [this](TObject*, int K, int, int) {
        ThumbMouseDown(*Viewport, ScrollState, K);
    };
    Thumb->OnDrag = [this](TObject*, int K, int, int) { ThumbDrag(*Viewport, ScrollState, K); };
    Thumb->OnMouseUp = [](TObject*, int, int, int) {};

    Viewport->Scroller = Scroller;
    Viewport->List = NewsList;
    Viewport->Thumb = Thumb;
    UpdateScrollBar(*Viewport, ScrollState);

    BuildOptionsView();
    BuildAboutView();

    StatusText = Element<TSkinText>(*this, Background, 44, 301);
    StatusText->SetSize(110, 18);
    SetTextLook(*StatusText, ListFont, 8, StatusColor, false);
    StatusText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    StatusText->SetData(LoadStr(BusyString));

    Throbber = Element<TThrobberEx>(*this, Background, 26, 301);
    Throbber->SetSize(TThrobberEx::FrameSize, TThrobberEx::FrameSize);

    ApplyOptions();
}

void TMainWindow::BuildOptionsView() {
    const auto down = [this](TObject* S, int K, int X, int Y) { WindowMouseDown(S, K, X, Y); };
    const int left = (Background->Width() - PanelWidth - 20) / 2;

    OptionsPanel = Element<TControlEx>(*this, Background, left, 61);
    OptionsPanel->SetSize(PanelWidth, OptionsHeight);
    OptionsPanel->OnMouseDown = down;

    OptionsImage = Element<TImageEx>(*this, OptionsPanel, 0, -OptionsHeight);
    OptionsImage->SetSize(PanelWidth, OptionsHeight);
    OptionsImage->LoadFromResource(OptionsPicture);
    OptionsImage->Bitmap()->Fade(OptionsFade);
    OptionsImage->Bitmap()->Tint(OptionsTint);
    OptionsImage->OnMouseDown = down;
    OptionsImage->SetOpacity(0);
    OptionsImage->Show();

    struct TBoxRow {
        TCheckBoxEx** Field;
        UINT Caption;
        void (TMainWindow::*Click)();
    };
    const TBoxRow boxes[] = {
        {&StartupBox, StartupString, &TMainWindow::StartupClick},
        {&AlwaysTopBox, AlwaysTopString, &TMainWindow::AlwaysTopClick},
        {&ShowTrayBox, ShowTrayString, &TMainWindow::ShowTrayClick},
        {&AutoScaleBox, AutoScaleString, &TMainWindow::AutoScaleClick},
    };
    int top = 20;
    for (const TBoxRow& row : boxes) {
        TCheckBoxEx* box = Element<TCheckBoxEx>(*this, OptionsImage, 40, top);
        box->SetSize(CheckBoxWidth, CheckBoxHeight);
        box->SetCaption(LoadStr(row.Caption));
        box->StateBitmaps().SetOffImage(TBitmapEx::CreateFromResource(CheckOffPicture));
        box->StateBitmaps().SetOnImage(TBitmapEx::CreateFromResource(CheckOnPicture));
        box->Canvas().SetAntialias(false);
        box->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
        box->Font().SetName(ListFont);
        box->Font().SetColor(CheckBoxTextColor);
        box->Font().SetSize(9);
        const auto click = row.Click;
        box->OnClick = [this, click](TObject*, int, int, int) { (this->*click)(); };
        box->Show();
        *row.Field = box;
        top = box->Top() + box->Height() + CheckBoxGap;
    }

    OptionsClose = Element<TImageEx>(*this, OptionsImage, OptionsImage->Width() - 25,
                                     OptionsImage->Height() - 30);
    OptionsClose->LoadFromResource(SmallClosePicture);
    OptionsClose->SetCursor(crHand);
    OptionsClose->OnClick = [this](TObject*, int, int, int) {
        HideView(*OptionsPanel, *OptionsImage);
    };
    OptionsClose->Show();
    OptionsClose->SetShowHint(true);
    OptionsClose->SetHint(LoadStr(CloseHintString));
}

void TMainWindow::BuildAboutView() {
    const auto down = [this](TObject* S, int K, int X, int Y) { WindowMouseDown(S, K, X, Y); };
    const int left = (Background->Width() - PanelWidth - 20) / 2;

    AboutPanel = Element<TControlEx>(*this, Background, left, 61);
    AboutPanel->SetSize(PanelWidth, AboutHeight);
    AboutPanel->OnMouseDown = down;

    AboutSlider = Element<TControlEx>(*this, AboutPanel, 0, -AboutHeight);
    AboutSlider->SetSize(PanelWidth, AboutHeight);
    AboutSlider->OnMouseDown = down;
    AboutSlider->SetOpacity(0);
    AboutSlider->Show();

    AboutImage = Element<TImageEx>(*this, AboutSlider, 25, 0);
    AboutImage->LoadFromResource(AboutPicture);
    AboutImage->OnMouseDown = down;
    AboutImage->Show();

    AboutIcon = Element<TImageEx>(*this, AboutImage, 35, 35);
    AboutIcon->LoadFromResource(ProgramPicture);
    AboutIcon->SetEnabled(false);
    AboutIcon->Show();

    IconReflection = Element<TReflectionEx>(*this, AboutImage, AboutIcon->Left(),
                                            AboutIcon->Top() + AboutIcon->Height());
    IconReflection->SetSize(AboutIcon->Width(), AboutIcon->Height() / 3);
    IconReflection->SetSource(AboutIcon);
    IconReflection->Show();

    TitleText = Element<TSkinText>(*this, AboutImage, 130, 45);
    TitleText->SetSize(149, 46);
    TitleText->SetAutoSize(false);
    SetTextLook(*TitleText, TitleFont, 19, TitleColor, true);
    TitleText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    TitleText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    TitleText->SetData(LoadStr(TitleString));
    TitleText->SetEnabled(false);
    TitleText->Show();

    AboutText = Element<TSkinText>(*this, AboutImage, 138, 85);
    AboutText->SetSize(180, 70);
    AboutText->SetAutoSize(false);
    SetTextLook(*AboutText, ListFont, 8, AboutColor, false);
    AboutText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    AboutText->Canvas().StringFormat().SetLineAlignment(StringAlignmentNear);
    AboutText->SetData(LoadStr(AboutString));
    AboutText->SetEnabled(false);
    AboutText->Show();

    LinkText = Element<TSkinText>(*this, AboutImage, 138, 165);
    LinkText->SetSize(120, 25);
    SetTextLook(*LinkText, ListFont, 8, LinkColor, false);
    LinkText->Font().SetStyle(FontStyleBold);
    LinkText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    LinkText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    LinkText->SetData(LoadStr(LinkString));
    LinkText->SetCursor(crHand);
    LinkText->SetEnabled(true);
    LinkText->OnClick = [this](TObject*, int, int, int) {
        OpenLink(Servers.LinkUrl(news::AboutLinkId));
    };
    LinkText->Show();

    AboutClose = Element<TImageEx>(*this, AboutImage, AboutImage->Width() - 21 - 25, 20);
    AboutClose->SetSize(21, 21);
    AboutClose->LoadFromResource(ClosePicture);
    AboutClose->OnClick = [this](TObject*, int, int, int) { HideView(*AboutPanel, *AboutSlider); };
    AboutClose->SetEnabled(true);
    AboutClose->SetCursor(crHand);
    AboutClose->Show();
    AboutClose->SetShowHint(true);
    AboutClose->SetHint(LoadStr(CloseHintString));
}

void TMainWindow::ApplyOptions() {
    SetLeft(Options->ReadLeft());
    SetTop(Options->ReadTop());
    StartupBox->Checked = Options->ReadStartUp();
    AlwaysTopBox->Checked = Options->ReadAlwaysTop();
    ShowTrayBox->Checked = Options->ReadShowTray();
    AutoScaleBox->Checked = Options->ReadAutoScale();
    TrayIcon->SetVisibleTray(ShowTrayBox->Checked);
    AutoScale = AutoScaleBox->Checked;
    SetAlwaysTop(AlwaysTopBox->Checked);
}

void TMainWindow::Paint() {
    TWindowEx::Paint();
    if (!Scaled)
        return;
    // Rounded to nearest with ties to even, the default rounding mode.
    const int w = static_cast<int>(std::nearbyint(WindowWidth * static_cast<double>(Scale)));
    const int h = static_cast<int>(std::nearbyint(WindowHeight * static_cast<double>(Scale)));
    const bool right = Corner == 2 || Corner == 3;
    const bool bottom = Corner == 1 || Corner == 3;
    const int x = right ? WindowWidth - w : 0;
    const int y = bottom ? WindowHeight - h : 0;
    const TBitmapEx& picture = Background->Canvas().Bitmap();
    if (ScaledSettled)
        Canvas().DrawImageRect(picture, x, y, w, h);
    else
        Canvas().StretchDraw(picture, x, y, w, h);
}

} // namespace app
