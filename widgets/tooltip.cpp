#include "widgets/tooltip.h"

#include "platform/shell/tooltip_service.h"

namespace widgets {

using namespace platform;

namespace {
constexpr int MaxTipWidth = 300;
}

TToolTip::TToolTip(TComponent* AOwner) : TWinControl(AOwner, u"TToolTip") {}

void TToolTip::CreateParams(TWindowParams& Params) {
    TControl::CreateParams(Params);
    InitCommonControls();
    UsePlatformClass(Params, TOOLTIPS_CLASS);
    Params.ExStyle = WS_EX_TOPMOST;
    Params.Style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOFADE;
}

void TToolTip::WndProc(TWidgetMessage& Message) {
    // Text requests are answered here and go nowhere else.
    if (Message.Msg == WM_NOTIFY) {
        WMNotify(Message);
        return;
    }
    TWinControl::WndProc(Message);
}

void TToolTip::WMNotify(TWidgetMessage& Message) {
    const auto* header = reinterpret_cast<const TNmHdr*>(Message.LParam);
    if (EnableTip && header != nullptr && header->code == TTN_GETDISPINFO)
        TTNGetDispInfo(Message);
}

void TToolTip::TTNGetDispInfo(TWidgetMessage& Message) {
    auto* info = reinterpret_cast<TNmTtDispInfo*>(Message.LParam);
    const HWND tool = static_cast<HWND>(info->hdr.idFrom);
    if (!IsWindow(tool))
        return;
    SendMessage(info->hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, MaxTipWidth);
    auto* control = reinterpret_cast<TControl*>(GetProp(tool, WindowAtom));
    // The hint lives in the control, so the pointer stays valid after this returns.
    if (control != nullptr && control->ShowHint() && !control->Hint().empty())
        info->lpszText = const_cast<char16_t*>(control->Hint().c_str());
}

std::uint32_t TToolTip::BackColor() {
    return HandleAllocated()
               ? static_cast<std::uint32_t>(SendMessage(FHandle, TTM_GETTIPBKCOLOR, 0, 0))
               : 0;
}

void TToolTip::SetBackColor(std::uint32_t Value) {
    if (HandleAllocated())
        SendMessage(FHandle, TTM_SETTIPBKCOLOR, Value, 0);
}

std::uint32_t TToolTip::TextColor() {
    return HandleAllocated()
               ? static_cast<std::uint32_t>(SendMessage(FHandle, TTM_GETTIPTEXTCOLOR, 0, 0))
               : 0;
}

void TToolTip::SetTextColor(std::uint32_t Value) {
    if (HandleAllocated())
        SendMessage(FHandle, TTM_SETTIPTEXTCOLOR, Value, 0);
}

} // namespace widgets
