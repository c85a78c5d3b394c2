#include "app/options_view.h"

#include <cmath>

#include "app/desktop_integration.h"
#include "app/element_helpers.h"
#include "app/ids.h"
#include "app/news_refresher.h"
#include "app/placement.h"
#include "app/source_list.h"
#include "elements/checkbox.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/skintext.h"
#include "news/feeds/url.h"
#include "news/servers.h"
#include "news/source_state.h"
#include "platform/sys/resources.h"
#include "platform/sys/workarea.h"
#include "settings/options.h"
#include "settings/unicode.h"
#include "widgets/text.h"

namespace app {

using namespace widgets;
using namespace elements;

namespace {

constexpr std::uint32_t CheckBoxTextColor = 0xCF000000;
constexpr int OptionsFade = 240;
constexpr std::uint32_t OptionsTint = 0xFFF0F0F0;
constexpr int PanelWidth = 385;
constexpr int OptionsHeight = 183;
constexpr int CheckBoxWidth = 300;
constexpr int CheckBoxHeight = 20;
constexpr int CheckBoxGap = 8;
constexpr std::uint32_t LinkColor = 0xFF4040FF;
constexpr int FontStyleBold = 1;

} // namespace

TOptionsView::TOptionsView(TWindowEx& Window, const std::u16string& StorePath,
                           std::string RecordsFolder)
    : TSlidingView(Window), FOptions(std::make_unique<TOptions>(StorePath)),
      FRecordsFolder(std::move(RecordsFolder)), FSourcesPage(Window) {}

TOptionsView::~TOptionsView() = default;

void TOptionsView::Build(TControl& Parent, TControl& Still, const TMouseEvent& MouseDown) {
    const int left = (Parent.Width() - PanelWidth - 20) / 2;

    TControlEx* panel = MakeElement<TControlEx>(FWindow, &Parent, left, 61);
    panel->SetSize(PanelWidth, OptionsHeight);
    panel->OnMouseDown = MouseDown;

    FOptionsImage = MakeElement<TImageEx>(FWindow, panel, 0, -OptionsHeight);
    FOptionsImage->SetSize(PanelWidth, OptionsHeight);
    FOptionsImage->OnPictureLoaded = [](TObject* Sender) {
        TBitmapEx* sheet = static_cast<TImageEx*>(Sender)->Bitmap();
        sheet->Fade(OptionsFade);
        sheet->Tint(OptionsTint);
    };
    FOptionsImage->LoadFromResource(OptionsPicture);
    FOptionsImage->OnMouseDown = MouseDown;
    FOptionsImage->SetOpacity(0);
    FOptionsImage->Show();
    SetSheet(*panel, *FOptionsImage, Still);

    struct TBoxRow {
        TCheckBoxEx** Field;
        UINT Caption;
        void (TOptionsView::*Click)();
    };
    const TBoxRow boxes[] = {
        {&FStartupBox, StartupString, &TOptionsView::StartupClick},
        {&FAlwaysTopBox, AlwaysTopString, &TOptionsView::AlwaysTopClick},
        {&FShowTrayBox, ShowTrayString, &TOptionsView::ShowTrayClick},
        {&FAutoScaleBox, AutoScaleString, &TOptionsView::AutoScaleClick},
    };
    int top = 20;
    for (const TBoxRow& row : boxes) {
        TCheckBoxEx* box = MakeElement<TCheckBoxEx>(FWindow, FOptionsImage, 40, top);
        box->SetSize(CheckBoxWidth, CheckBoxHeight);
        box->SetCaption(platform::LoadStr(row.Caption));
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

    // Under the boxes, the way to the second page.
    FSourcesLink = MakeElement<TSkinText>(FWindow, FOptionsImage, 40, 146);
    FSourcesLink->SetAutoSize(false);
    FSourcesLink->SetSize(120, 20);
    SetTextLook(*FSourcesLink, ListFont, 9, LinkColor, false);
    FSourcesLink->Font().SetStyle(FontStyleBold);
    FSourcesLink->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    FSourcesLink->SetData(platform::LoadStr(SourcesPageString) + u" \u203A");
    FSourcesLink->SetCursor(crHand);
    FSourcesLink->OnClick = [this](TObject*, int, int, int) { ShowSourcesPage(true); };
    FSourcesLink->Show();
    FSourcesPage.Build(*FOptionsImage);
    FSourcesPage.OnBack = [this] { ShowSourcesPage(false); };
    FSourcesPage.OnPaste = [this] {
        if (OnPasteSource)
            OnPasteSource();
    };

    FOptionsClose = MakeElement<TImageEx>(FWindow, FOptionsImage, FOptionsImage->Width() - 25,
                                          FOptionsImage->Height() - 30);
    FOptionsClose->LoadFromResource(SmallClosePicture);
    FOptionsClose->SetCursor(crHand);
    FOptionsClose->OnClick = [this](TObject*, int, int, int) { HideView(); };
    FOptionsClose->Show();
    FOptionsClose->SetShowHint(true);
    FOptionsClose->SetHint(platform::LoadStr(CloseHintString));
}

namespace {

// The file keeps the position in the screen's pixels, what the user sees, so that a file written
// at one desktop scale puts the widget at the same place at another.
double ScreenScale() {
    return platform::GetDpiForSystem() / static_cast<double>(platform::USER_DEFAULT_SCREEN_DPI);
}

int FromScreen(int Screen) {
    return static_cast<int>(std::floor(Screen / ScreenScale()));
}

int ToScreen(int Logical) {
    return static_cast<int>(std::lround(Logical * ScreenScale()));
}

} // namespace

void TOptionsView::PlaceWindow() {
    // The file may hold any number, or a place on a monitor that is gone.
    int left = FOptions->ReadLeft(), top = FOptions->ReadTop();
    if (FOptions->PositionStored()) {
        left = FromScreen(left);
        top = FromScreen(top);
    }
    const platform::TPoint at =
        PlaceStoredPosition(left, top, FWindow.Width(), FWindow.Height(), platform::GetMonitors());
    FWindow.SetBounds(at.X, at.Y, FWindow.Width(), FWindow.Height());
    FWindow.SetAlwaysTop(FOptions->ReadAlwaysTop());
}

void TOptionsView::ApplyOptions() {
    PlaceWindow();
    // The box shows whether the session really starts this program. On the first run the
    // default asks for it, so the entry is written as an installer would have; later runs
    // never write it unasked, so an entry the user removed elsewhere stays removed.
    const std::string executable = ExecutablePath();
    if (!FOptions->StartUpStored() && FOptions->ReadStartUp())
        SetStartWithSystem(true, executable);
    FStartupBox->Checked = StartsWithSystem(executable);
    FAlwaysTopBox->Checked = FOptions->ReadAlwaysTop();
    FShowTrayBox->Checked = FOptions->ReadShowTray();
    FAutoScaleBox->Checked = FOptions->ReadAutoScale();
    if (OnShowTrayChange)
        OnShowTrayChange(FShowTrayBox->Checked);
    if (OnAutoScaleChange)
        OnAutoScaleChange(FAutoScaleBox->Checked);
    FWindow.SetAlwaysTop(FAlwaysTopBox->Checked);
}

void TOptionsView::StartupClick() {
    FStartupBox->Checked = !FStartupBox->Checked;
    SetStartWithSystem(FStartupBox->Checked, ExecutablePath());
    FWindow.Update();
    SaveOptions();
}

void TOptionsView::AlwaysTopClick() {
    FAlwaysTopBox->Checked = !FAlwaysTopBox->Checked;
    FWindow.SetAlwaysTop(FAlwaysTopBox->Checked);
    FWindow.Update();
    SaveOptions();
}

void TOptionsView::ShowTrayClick() {
    FShowTrayBox->Checked = !FShowTrayBox->Checked;
    if (OnShowTrayChange)
        OnShowTrayChange(FShowTrayBox->Checked);
    FWindow.Update();
    SaveOptions();
}

void TOptionsView::AutoScaleClick() {
    FAutoScaleBox->Checked = !FAutoScaleBox->Checked;
    if (OnAutoScaleChange)
        OnAutoScaleChange(FAutoScaleBox->Checked);
    FWindow.Update();
    SaveOptions();
}

// The window owns its position and the four boxes; the sources and the servers in the file are
// another writer's too, so they are written back as the file holds them now.
void TOptionsView::SaveOptions() {
    if (!FOptions)
        return;
    SaveOptionsLocked(*FOptions, [this](TOptions& o) {
        o.WriteLeft(ToScreen(FWindow.Left()));
        o.WriteTop(ToScreen(FWindow.Top()));
        o.WriteStartUp(FStartupBox->Checked);
        o.WriteAlwaysTop(FAlwaysTopBox->Checked);
        o.WriteShowTray(FShowTrayBox->Checked);
        o.WriteAutoScale(FAutoScaleBox->Checked);
        return true;
    });
}

// One save: a second write of the same store could only put back what another writer changed
// in between.
void TOptionsView::ShutDown() {
    if (!FOptions)
        return;
    CommitRemovals();
    SaveOptions();
    FOptions.reset();
}

void TOptionsView::ShowSourcesPage(bool Sources) {
    for (TCheckBoxEx* box : {FStartupBox, FAlwaysTopBox, FShowTrayBox, FAutoScaleBox})
        box->SetVisible(!Sources);
    FSourcesLink->SetVisible(!Sources);
    if (Sources)
        ListSources();
    FSourcesPage.SetVisible(Sources);
    FWindow.Update();
}

void TOptionsView::ListSources() {
    if (!FOptions)
        return;
    std::vector<TSourceRow> rows;
    const std::string alarm = WideToUtf8(FOptions->ReadString(
        Utf8ToWide(news::ServerSection), Utf8ToWide(news::NewsServerKey), u""));
    if (news::IsServerAddress(alarm) && ConfiguredSources(*FOptions).Alarm) {
        TSourceRow row;
        row.Url = news::AlarmSourceUrl(alarm);
        row.Name = platform::LoadStr(AlarmSourceString);
        if (const auto at = row.Name.find(u"%s"); at != std::u16string::npos)
            row.Name.replace(at, 2, Utf8ToWide(alarm));
        row.Alarm = true;
        rows.push_back(std::move(row));
    }
    const news::TSourceStore records(FRecordsFolder);
    for (const std::string& url : EditableFeeds(*FOptions)) {
        TSourceRow row;
        row.Url = url;
        const std::string name = records.Load(url).Name;
        row.Name = Utf8ToWide(name.empty() ? news::feeds::UrlHost(url) : name);
        rows.push_back(std::move(row));
    }
    FSourcesPage.SetSources(std::move(rows));
}

void TOptionsView::ViewShowing() {
    ShowSourcesPage(false);
}

void TOptionsView::ViewHidden() {
    CommitRemovals();
}

void TOptionsView::CommitRemovals() {
    const std::vector<std::string> urls = FSourcesPage.PendingRemovals();
    if (urls.empty())
        return;
    FSourcesPage.ClearRemovals();
    if (OnRemoveSources)
        OnRemoveSources(urls);
}

} // namespace app
