// Event types of the toolkit. Every event is a std::function whose first argument is the
// control that fires it; a control fires an event only when it is set. Arguments passed by
// reference are written back to the message the event came from.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/messages.h"
#include "platform/types.h"
#include "widgets/component.h"

namespace widgets {

// Shift and button state of a key or mouse event, as bits of one word.
enum TShiftFlag : std::uint8_t {
    ssShift = 1 << 0,
    ssAlt = 1 << 1,
    ssCtrl = 1 << 2,
    ssLeft = 1 << 3,
    ssRight = 1 << 4,
    ssMiddle = 1 << 5,
    ssDouble = 1 << 6,
};
using TShiftState = std::uint8_t;

enum TCloseAction : int { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, int Keys, int X, int Y)>;
using TMouseMoveEvent = TMouseEvent;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, int Keys, int WheelDelta, int X, int Y)>;
using TSizingEvent = std::function<void(TObject* Sender, int Edge, platform::TRect& R)>;
using TSizeEvent = std::function<void(TObject* Sender, int Flag, int NewWidth, int NewHeight)>;
using TMoveEvent = std::function<void(TObject* Sender, int X, int Y)>;
using TMovingEvent = std::function<void(TObject* Sender, int Side, platform::TRect& R)>;
using TContextMenuEvent = std::function<void(TObject* Sender, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, std::int32_t& Key)>;
using TCharEvent = std::function<void(TObject* Sender, std::int32_t& CharCode)>;
using TWindowPosChangingEvent =
    std::function<void(TObject* Sender, platform::TWindowPos& WindowPos)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TActivateEvent = std::function<void(TObject* Sender, int Activation, platform::HWND Window)>;
using TMouseActivateEvent =
    std::function<void(TObject* Sender, int HitTest, int MouseButton, platform::LRESULT& Result)>;
using TTimerEvent = std::function<void(TObject* Sender, platform::UINT TimerID)>;
using TBalloonActionEvent = std::function<void(TObject* Sender, int Action)>;

} // namespace widgets
