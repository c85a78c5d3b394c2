// TToolTip: the application's one tooltip window, over the platform's tooltip class; it answers
// the class's text requests with the Hint of the control the pointer rests on.
#pragma once

#include "widgets/control.h"

namespace widgets {

class TToolTip : public TWinControl {
public:
    explicit TToolTip(TComponent* AOwner);

    void WndProc(TWidgetMessage& Message) override;

    bool EnableTip = false;
    // Colours of the live tip (0x00BBGGRR); 0 and no effect without a window.
    std::uint32_t BackColor();
    void SetBackColor(std::uint32_t Value);
    std::uint32_t TextColor();
    void SetTextColor(std::uint32_t Value);

protected:
    void CreateParams(TWindowParams& Params) override;
    void WMNotify(TWidgetMessage& Message) override;
    virtual void TTNGetDispInfo(TWidgetMessage& Message);
};

} // namespace widgets
