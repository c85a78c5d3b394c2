#include "app/options_view.h"

#include "app/desktop_integration.h"
#include "app/element_helpers.h"
#include "app/ids.h"
#include "app/placement.h"
#include "elements/checkbox.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "platform/sys/resources.h"
#include "platform/sys/workarea.h"
#include "settings/options.h"
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

} // namespace

TOptionsView::TOptionsView(TWindowEx& Window, const std::u16string& StorePath)
    : TSlidingView(Window), FOptions(std::make_unique<TOptions>(StorePath)) {}

TOptionsView::~TOptionsView() = default;

void TOptionsView::Build(TControl& Parent, TControl& Still, const TMouseEvent& MouseDown) {
    const int left = (Parent.Width() - PanelWidth - 20) / 2;

    TControlEx* panel = MakeElement<TControlEx>(FWindow, &Parent, left, 61);
    panel->SetSize(PanelWidth, OptionsHeight);
    panel->OnMouseDown = MouseDown;

    FOptionsImage = MakeElement<TImageEx>(FWindow, panel, 0, -OptionsHeight);
    FOptionsImage->SetSize(PanelWidth, OptionsHeight);
    FOptionsImage->LoadFromResource(OptionsPicture);
    FOptionsImage->Bitmap()->Fade(OptionsFade);
    FOptionsImage->Bitmap()->Tint(OptionsTint);
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

    FOptionsClose = MakeElement<TImageEx>(FWindow, FOptionsImage, FOptionsImage->Width() - 25,
                                          FOptionsImage->Height() - 30);
    FOptionsClose->LoadFromResource(SmallClosePicture);
    FOptionsClose->SetCursor(crHand);
    FOptionsClose->OnClick = [this](TObject*, int, int, int) { HideView(); };
    FOptionsClose->Show();
    FOptionsClose->SetShowHint(true);
    FOptionsClose->SetHint(platform::LoadStr(CloseHintString));
}

void TOptionsView::ApplyOptions() {
    // The file may hold any number, or a place on a monitor that is gone.
    const platform::TPoint at =
        PlaceStoredPosition(FOptions->ReadLeft(), FOptions->ReadTop(), FWindow.Width(),
                            FWindow.Height(), platform::GetMonitors());
    FWindow.SetBounds(at.X, at.Y, FWindow.Width(), FWindow.Height());
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

void TOptionsView::SaveOptions() {
    if (!FOptions)
        return;
    FOptions->WriteLeft(FWindow.Left());
    FOptions->WriteTop(FWindow.Top());
    FOptions->WriteStartUp(FStartupBox->Checked);
    FOptions->WriteAlwaysTop(FAlwaysTopBox->Checked);
    FOptions->WriteShowTray(FShowTrayBox->Checked);
    FOptions->WriteAutoScale(FAutoScaleBox->Checked);
    FOptions->UpdateFile();
}

void TOptionsView::ShutDown() {
    if (!FOptions)
        return;
    SaveOptions();
    FOptions->UpdateFile();
    FOptions.reset();
}

} // namespace app
