// Construction of the main window: fields, the content built when its handle is created (icon,
// menu, options, tooltip, tray icon, the element tree with its parts, the stored options, the
// timers) and the paint step that adds the small picture while the widget is scaled down.
#include "app/mainwindow.h"

#include "app/about_view.h"
#include "app/element_helpers.h"
#include "app/news_refresher.h"
#include "app/news_view.h"
#include "app/options_view.h"
#include "app/scaler.h"
#include "app/source_editor.h"
#include "app/wintimer.h"
#include "elements/pictures.h"
#include "news/feed.h"
#include "news/source_state.h"
#include "platform/shell/icons.h"
#include "platform/shell/popup_menu.h"
#include "platform/sys/resources.h"
#include "settings/options.h"
#include "settings/unicode.h"
#include "widgets/tooltip.h"
#include "widgets/trayicon.h"

namespace app {

using namespace platform;
using namespace widgets;
using namespace elements;

TMainWindow::TMainWindow(TComponent* AOwner, std::u16string DataFolder)
    : TWindowEx(AOwner, u"TMainWindow"), FDataFolder(std::move(DataFolder)) {
    FRefresher = std::make_unique<TNewsRefresher>(*this, WideToUtf8(FDataFolder));
    FAboutView = std::make_unique<TAboutView>(*this, FRefresher->Servers());
    SetLeft(0);
    SetTop(0);
    SetSize(WindowWidth, WindowHeight);
    SetAlwaysTop(true);
    OnMouseDown = [this](TObject* S, int K, int X, int Y) { WindowMouseDown(S, K, X, Y); };
    // The list and the scaler exist once the handle does, before any input can come.
    OnMouseWheel = [this](TObject*, int, int Delta, int, int) {
        if (FNewsView)
            FNewsView->WheelScroll(Delta);
    };
    OnActivate = [this](TObject* S, int A, HWND W) {
        if (FScaler)
            FScaler->WindowActivate(S, A, W);
        // Activated, the widget takes the keyboard into its list: the scroll keys work at once.
        if (A != WA_INACTIVE && FNewsView)
            FNewsView->TakeFocus();
    };
    OnKeyDown = [this](TObject*, std::uint16_t& Key, TShiftState) { ViewKeyDown(Key); };
}

// Workers still running are waited for here at the latest (the refresher goes first), so no
// thread outlives the window object it reports to.
TMainWindow::~TMainWindow() = default;

std::string TMainWindow::NewsFilePath() const {
    return news::NewsFilePath(WideToUtf8(FDataFolder));
}

// Links may be dropped on the card.
void TMainWindow::CreateParams(TWindowParams& Params) {
    TWindowEx::CreateParams(Params);
    Params.ExStyle |= WS_EX_ACCEPTFILES;
}

void TMainWindow::AfterCreate() {
    TWindowEx::AfterCreate();

    FMenu = LoadMenu(0, MainMenuId);
    const std::string dataFolder = WideToUtf8(FDataFolder);
    FOptionsView = std::make_unique<TOptionsView>(*this, OptionsFilePath(),
                                                  dataFolder + "/" + news::SourcesFolderName);
    TOptions& options = *FOptionsView->Store();

    // The desktop gets the window at once, in place but wholly transparent: the icon, the tray,
    // the pictures, the fonts and the list are made behind it, and the start timer fades it in
    // as before. A layered window maps with its first frame, so an empty one is presented.
    FOptionsView->PlaceWindow();
    SetOpacity(0);
    Show();
    FitCanvas();
    Repaint();
    // Counted from the map: the fade-in starts 50 ms after the desktop got the window, or as
    // soon as the building behind it is done.
    const HWND self = Handle();
    FStartTimer = std::make_unique<TWinTimer>(self, StartTimerId, StartInterval);
    FStartTimer->SetEnabled(true);

    FIcon = LoadIconSizes(0, MainIconId);
    SendMessage(Handle(), WM_SETICON, ICON_BIG, static_cast<LPARAM>(FIcon));
    FSourceEditor = std::make_unique<TSourceEditor>(
        *this, *FRefresher, [this] { return FOptionsView ? FOptionsView->Store() : nullptr; },
        dataFolder);
    FSourceEditor->OnSourcesChanged = [this] { SourcesChanged(); };
    // The "server" section lets the demo and the tests point the widget at their own servers.
    FRefresher->ReadServers(options);

    FToolTip = Make<TToolTip>();
    FToolTip->ParentWindow = 0;
    FToolTip->HandleNeeded();
    ToolTipWindow = FToolTip->WindowHandle();
    FToolTip->EnableTip = true;

    FTrayIcon = Make<TTrayIcon>();
    FTrayIcon->ParentWindow = 0;
    FTrayIcon->SetIcon(LoadIconSizes(0, MainIconId));
    FTrayIcon->OnMouseUp = [this](TObject* S, int K, int X, int Y) { TrayMouseUp(S, K, X, Y); };
    FTrayIcon->OnClick = [this](TObject*) { BringBack(); };
    // Hosts that draw the icon's menu themselves show the popup menu's items.
    FTrayIcon->PopupMenu = FMenu != 0 ? GetSubMenu(FMenu, 0) : 0;
    FTrayIcon->PopupMenuOwner = Handle();
    FTrayIcon->HandleNeeded();
    FTrayIcon->SetHintText(LoadStr(TrayHintString));
    FTrayIcon->SetVisibleTray(options.ReadShowTray());

    BuildElements();
    // Activated while there was no list yet, the keyboard goes into it now.
    if (GetActiveWindow() == Handle())
        FNewsView->TakeFocus();

    FIdleTimer = std::make_unique<TWinTimer>(self, IdleTimerId, IdleInterval);
    FIdleTimer->SetEnabled(true);
    FResumeTimer = std::make_unique<TWinTimer>(self, ResumeTimerId, ResumeRefreshDelay);
    FRefresher->CreateTimers();
}

// The order of creation is the stacking order among siblings: root, background, header, the
// news list, the two views, the busy indicator.
void TMainWindow::BuildElements() {
    Canvas().SetInterpolationMode(InterpolationHighQualityBilinear);
    const TMouseEvent down = [this](TObject* S, int K, int X, int Y) {
        WindowMouseDown(S, K, X, Y);
    };

    FRoot = MakeElement<TControlEx>(*this, this, 0, 0);
    FRoot->SetSize(WindowWidth, WindowHeight);
    FRoot->OnMouseDown = down;
    FRoot->Show();

    FBackground = MakeElement<TBackgroundEx>(*this, FRoot, 0, 0);
    FBackground->SetSize(WindowWidth, WindowHeight);
    FBackground->SetPicture(TBitmapEx::CreateFromResource(BackgroundPicture));
    FBackground->OnMouseDown = down;
    FBackground->Show();
    FScaler = std::make_unique<TScaler>(*this, *FRoot, *FBackground, [this] { return Monitor(); });

    FHeader = MakeElement<TImageEx>(*this, FBackground, 25, 21);
    FHeader->LoadFromResource(HeaderPicture);
    FHeader->SetEnabled(false);
    FHeader->Show();

    FNewsView = std::make_unique<TNewsView>(
        *this, *FBackground, Utf8ToWide(NewsFilePath()),
        [this](TObject* S, int K, int X, int Y) { ContentDrag(S, K, X, Y); },
        [this](TObject* S, int K, int X, int Y) { ContentMouseDown(S, K, X, Y); });
    FNewsView->OnKeyDown = [this](TObject*, std::uint16_t& Key, TShiftState) { ViewKeyDown(Key); };

    FOptionsView->Build(*FBackground, FNewsView->Viewport(), down);
    FAboutView->Build(*FBackground, FNewsView->Viewport(), down);
    FRefresher->BuildBusyIndicator(*FBackground);

    FOptionsView->OnShowTrayChange = [this](bool On) { FTrayIcon->SetVisibleTray(On); };
    FOptionsView->OnPasteSource = [this] { PasteSource(); };
    FOptionsView->OnRemoveSources = [this](const std::vector<std::string>& Urls) {
        if (FSourceEditor->RemoveFeeds(Urls) && !FShuttingDown)
            FRefresher->RequestRefresh();
    };
    FOptionsView->OnAutoScaleChange = [this](bool On) { FScaler->SetAutoScale(On); };
    // A new document shows at once, also in the small picture; so does the end of the busy
    // state.
    FRefresher->OnNewsWritten = [this](const std::string& Path) {
        FNewsView->ShowDocument(Utf8ToWide(Path), [this] { FScaler->PresentIfScaled(); });
    };
    FRefresher->OnCycleDone = [this] { FScaler->PresentIfScaled(); };
    FRefresher->OnListMessage = [this](const std::u16string& Text) { FNewsView->SetMessage(Text); };
    FNewsView->SetMessage(FRefresher->ListMessage());

    FOptionsView->ApplyOptions();
    KeepOnScreen();
}

void TMainWindow::Paint() {
    TWindowEx::Paint();
    if (FScaler)
        FScaler->PaintScaled(Canvas());
}

} // namespace app
