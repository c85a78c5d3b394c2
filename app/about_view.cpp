#include "app/about_view.h"

#include "app/desktop_integration.h"
#include "app/element_helpers.h"
#include "app/ids.h"
#include "elements/content.h"
#include "elements/pictures.h"
#include "elements/reflection.h"
#include "elements/skintext.h"
#include "news/servers.h"
#include "platform/sys/resources.h"
#include "widgets/text.h"

namespace app {

using namespace widgets;
using namespace elements;

namespace {

constexpr int FontStyleBold = 1;
constexpr std::uint32_t TitleColor = 0xFF333333;
constexpr std::uint32_t AboutColor = 0xFF404040;
constexpr std::uint32_t LinkColor = 0xFF4040FF;
constexpr int PanelWidth = 385;
constexpr int AboutHeight = 224;

} // namespace

TAboutView::TAboutView(TWindowEx& Window, const news::TServers& Servers)
    : TSlidingView(Window), FServers(Servers) {}

void TAboutView::Build(TControl& Parent, TControl& Still, const TMouseEvent& MouseDown) {
    const int left = (Parent.Width() - PanelWidth - 20) / 2;

    TControlEx* panel = MakeElement<TControlEx>(FWindow, &Parent, left, 61);
    panel->SetSize(PanelWidth, AboutHeight);
    panel->OnMouseDown = MouseDown;

    TControlEx* slider = MakeElement<TControlEx>(FWindow, panel, 0, -AboutHeight);
    slider->SetSize(PanelWidth, AboutHeight);
    slider->OnMouseDown = MouseDown;
    slider->SetOpacity(0);
    slider->Show();
    SetSheet(*panel, *slider, Still);

    FAboutImage = MakeElement<TImageEx>(FWindow, slider, 25, 0);
    FAboutImage->LoadFromResource(AboutPicture);
    FAboutImage->OnMouseDown = MouseDown;
    FAboutImage->Show();

    FAboutIcon = MakeElement<TImageEx>(FWindow, FAboutImage, 35, 35);
    FAboutIcon->LoadFromResource(ProgramPicture);
    FAboutIcon->SetEnabled(false);
    FAboutIcon->Show();

    FIconReflection = MakeElement<TReflectionEx>(FWindow, FAboutImage, FAboutIcon->Left(),
                                                 FAboutIcon->Top() + FAboutIcon->Height());
    FIconReflection->SetSize(FAboutIcon->Width(), FAboutIcon->Height() / 3);
    FIconReflection->SetSource(FAboutIcon);
    FIconReflection->Show();

    FTitleText = MakeElement<TSkinText>(FWindow, FAboutImage, 130, 45);
    FTitleText->SetSize(149, 46);
    FTitleText->SetAutoSize(false);
    SetTextLook(*FTitleText, TitleFont, 19, TitleColor, true);
    FTitleText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    FTitleText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    FTitleText->SetData(platform::LoadStr(TitleString));
    FTitleText->SetEnabled(false);
    FTitleText->Show();

    FAboutText = MakeElement<TSkinText>(FWindow, FAboutImage, 138, 85);
    FAboutText->SetSize(180, 70);
    FAboutText->SetAutoSize(false);
    SetTextLook(*FAboutText, ListFont, 8, AboutColor, false);
    FAboutText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    FAboutText->Canvas().StringFormat().SetLineAlignment(StringAlignmentNear);
    FAboutText->SetData(platform::LoadStr(AboutString));
    FAboutText->SetEnabled(false);
    FAboutText->Show();

    FLinkText = MakeElement<TSkinText>(FWindow, FAboutImage, 138, 165);
    FLinkText->SetSize(120, 25);
    FLinkText->Canvas().StringFormat().SetAlignment(StringAlignmentNear);
    FLinkText->Canvas().StringFormat().SetLineAlignment(StringAlignmentCenter);
    if (!FServers.LinkUrl(news::AboutLinkId).empty()) {
        SetTextLook(*FLinkText, ListFont, 8, LinkColor, false);
        FLinkText->Font().SetStyle(FontStyleBold);
        FLinkText->SetCursor(crHand);
        FLinkText->SetEnabled(true);
        FLinkText->OnClick = [this](TObject*, int, int, int) { LinkClick(); };
    } else {
        // With nowhere to go the address is plain text, like the lines above it, and a press
        // on it reaches the sheet (which drags the window) as on them.
        SetTextLook(*FLinkText, ListFont, 8, AboutColor, false);
        FLinkText->SetEnabled(false);
    }
    FLinkText->SetData(platform::LoadStr(LinkString));
    FLinkText->Show();

    FAboutClose = MakeElement<TImageEx>(FWindow, FAboutImage, FAboutImage->Width() - 21 - 25, 20);
    FAboutClose->SetSize(21, 21);
    FAboutClose->LoadFromResource(ClosePicture);
    FAboutClose->OnClick = [this](TObject*, int, int, int) { HideView(); };
    FAboutClose->SetEnabled(true);
    FAboutClose->SetCursor(crHand);
    FAboutClose->Show();
    FAboutClose->SetShowHint(true);
    FAboutClose->SetHint(platform::LoadStr(CloseHintString));
}

void TAboutView::LinkClick() {
    OpenLink(FServers.LinkUrl(news::AboutLinkId));
}

} // namespace app
