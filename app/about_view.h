// TAboutView: the about sheet: the program's picture with its reflection, its name, the about
// text, the maker's web link (opened in the browser when clicked) and a close button.
#pragma once

#include "app/sliding_view.h"
#include "widgets/events.h"

namespace elements {
class TImageEx;
class TReflectionEx;
class TSkinText;
} // namespace elements

namespace news {
struct TServers;
}

namespace app {

class TAboutView : public TSlidingView {
    friend class TMainWindowProbe;

public:
    // The link goes through the redirector Servers names when it is clicked; with no links
    // server named, the address is plain text that does nothing.
    TAboutView(widgets::TWindowEx& Window, const news::TServers& Servers);

    // The panel under Parent, hidden; MouseDown goes to the panel, the sheet and its picture.
    void Build(widgets::TControl& Parent, widgets::TControl& Still,
               const widgets::TMouseEvent& MouseDown);

private:
    void LinkClick();

    const news::TServers& FServers;
    elements::TImageEx* FAboutImage = nullptr;
    elements::TImageEx* FAboutIcon = nullptr;
    elements::TImageEx* FAboutClose = nullptr;
    elements::TSkinText* FTitleText = nullptr;
    elements::TSkinText* FAboutText = nullptr;
    elements::TSkinText* FLinkText = nullptr;
    elements::TReflectionEx* FIconReflection = nullptr;
};

} // namespace app
