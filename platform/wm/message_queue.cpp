// The window thread's queue: posted messages, routed input, timers and the quit message.
#include "platform/wm/wm_internal.h"

#include <algorithm>

namespace platform {
namespace wm {
namespace {

// Below this the interval would make the queue spin.
constexpr UINT MinimumTimerInterval = 10;

bool Matches(const TMsg& m, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd && m.hwnd != hwnd && !InSubtree(hwnd, m.hwnd)) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return m.message >= filterMin && m.message <= filterMax;
}

void Stamp(TMsg& m) {
    auto& s = State();
    if (m.time == 0) {
        m.time = static_cast<DWORD>(Display().Now());
    }
    m.pt = s.Pointer;
}

} // namespace

void PostInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::u16string text) {
    TQueued q;
    q.Msg = TMsg{hwnd, msg, wParam, lParam, static_cast<DWORD>(Display().Now()), State().Pointer};
    q.Text = std::move(text);
    State().Input.push_back(std::move(q));
}

void PurgeWindow(HWND hwnd) {
    auto& s = State();
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.Live.erase(hwnd);
        s.Posted.erase(std::remove_if(s.Posted.begin(), s.Posted.end(),
                                      [&](const TQueued& q) { return q.Msg.hwnd == hwnd; }),
                       s.Posted.end());
    }
    s.Input.erase(std::remove_if(s.Input.begin(), s.Input.end(),
                                 [&](const TQueued& q) { return q.Msg.hwnd == hwnd; }),
                  s.Input.end());
    s.Timers.erase(std::remove_if(s.Timers.begin(), s.Timers.end(),
                                  [&](const TTimer& t) { return t.Window == hwnd; }),
                   s.Timers.end());
    if (s.Tray.WindowGone) {
        s.Tray.WindowGone(hwnd);
    }
}

bool PullRaw(TInputEvent& event) {
    auto& s = State();
    if (!s.Raw.empty()) {
        event = std::move(s.Raw.front());
        s.Raw.pop_front();
        return true;
    }
    return Display().NextEvent(event);
}

bool Retrieve(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove,
              bool convertInput) {
    auto& s = State();
    CheckSleepGap();
    CheckHover();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(s.Lock);
            for (auto it = s.Posted.begin(); it != s.Posted.end();) {
                if (it->Msg.hwnd != 0 && s.Live.count(it->Msg.hwnd) == 0) {
                    it = s.Posted.erase(it); // its window died after it was posted
                    continue;
                }
                if (Matches(it->Msg, hwnd, filterMin, filterMax)) {
                    *msg = it->Msg;
                    if (remove) {
                        s.Posted.erase(it);
                    }
                    Stamp(*msg);
                    return true;
                }
                ++it;
            }
            if (s.QuitPosted && hwnd == 0 &&
                ((filterMin == 0 && filterMax == 0) ||
                 (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
                *msg = TMsg{0, WM_QUIT, static_cast<WPARAM>(s.QuitCode), 0, 0, {}};
                if (remove) {
                    s.QuitPosted = false;
                }
                Stamp(*msg);
                return true;
            }
        }
        for (auto it = s.Input.begin(); it != s.Input.end();) {
            if (!Find(it->Msg.hwnd)) {
                it = s.Input.erase(it);
                continue;
            }
            if (Matches(it->Msg, hwnd, filterMin, filterMax)) {
                *msg = it->Msg;
                if (remove) {
                    if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
                        s.LastKey = *it;
                    }
                    s.Input.erase(it);
                }
                return true;
            }
            ++it;
        }
        // Input is routed only now, so that it sees the capture, focus and windows that the
        // messages before it left behind.
        TInputEvent event;
        if (!convertInput || !PullRaw(event)) {
            break;
        }
        ProcessRawEvent(event);
        CheckHover();
    }

    const std::uint64_t now = Display().Now();
    TTimer* due = nullptr;
    for (auto& t : s.Timers) {
        if (t.Due <= now && (!due || t.Due < due->Due) &&
            Matches(TMsg{t.Window, WM_TIMER, t.Id, 0, 0, {}}, hwnd, filterMin, filterMax)) {
            due = &t;
        }
    }
    if (!due) {
        return false;
    }
    *msg = TMsg{due->Window, WM_TIMER, due->Id, 0, static_cast<DWORD>(now), s.Pointer};
    if (remove) {
        due->Due = now + due->Interval;
    }
    return true;
}

std::optional<std::uint64_t> NextDeadline() {
    auto& s = State();
    // What is due already was offered by the last retrieval (or filtered out of it); waiting for
    // it again would only spin.
    const std::uint64_t now = Display().Now();
    std::optional<std::uint64_t> deadline;
    auto consider = [&](std::uint64_t due) {
        if (due > now && (!deadline || due < *deadline)) {
            deadline = due;
        }
    };
    for (const auto& t : s.Timers) {
        consider(t.Due);
    }
    if (s.Tracking.Window && (s.Tracking.Flags & TME_HOVER)) {
        consider(s.Tracking.HoverDue);
    }
    if (const auto tip = s.Tray.Deadline ? s.Tray.Deadline() : std::nullopt) {
        consider(*tip);
    }
    return deadline;
}

void WaitForWork() {
    auto& s = State();
    if (s.WaitSources.empty()) {
        Display().Wait(NextDeadline());
        return;
    }
    // A source may remove itself (or another) while it runs; the ones asked are the ones told.
    const std::vector<TWaitSource*> sources = s.WaitSources;
    TWaitExtras extras;
    std::vector<std::size_t> starts;
    for (TWaitSource* source : sources) {
        starts.push_back(extras.Fds.size());
        const int limit = source->Prepare(extras.Fds);
        if (limit >= 0 && (extras.RealTimeout < 0 || limit < extras.RealTimeout)) {
            extras.RealTimeout = limit;
        }
    }
    starts.push_back(extras.Fds.size());
    Display().Wait(NextDeadline(), &extras);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const auto& live = State().WaitSources;
        if (std::find(live.begin(), live.end(), sources[i]) == live.end()) {
            continue;
        }
        sources[i]->Dispatch(extras.Fds.data() + starts[i], starts[i + 1] - starts[i]);
    }
}

void CheckSleepGap() {
    auto& s = State();
    const std::int64_t offset = static_cast<std::int64_t>(Display().BootTime()) -
                                static_cast<std::int64_t>(Display().Now());
    // The clocks differ by whole milliseconds read a moment apart; a second is no rounding.
    constexpr std::int64_t SleepGapMs = 1000;
    const bool slept = s.SleepOffset && offset - *s.SleepOffset >= SleepGapMs;
    if (!s.SleepOffset || slept) {
        s.SleepOffset = offset;
    }
    if (slept) {
        PostResumeNotice();
    }
}

} // namespace wm

using namespace wm;

void AddWaitSource(TWaitSource* source) {
    auto& sources = State().WaitSources;
    if (source != nullptr && std::find(sources.begin(), sources.end(), source) == sources.end()) {
        sources.push_back(source);
    }
}

void RemoveWaitSource(TWaitSource* source) {
    auto& sources = State().WaitSources;
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

void PostResumeNotice() {
    for (const HWND top : State().TopLevels) {
        PostMessage(top, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWnd* w = Find(hwnd);
    if (!w || !w->Proc) {
        return 0;
    }
    return w->Proc(hwnd, msg, wParam, lParam);
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& s = State();
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        if (hwnd != 0 && s.Live.count(hwnd) == 0) {
            return false;
        }
        TQueued q;
        q.Msg = TMsg{hwnd, msg, wParam, lParam, 0, {}};
        s.Posted.push_back(std::move(q));
    }
    Display().Wake();
    return true;
}

void PostQuitMessage(int exitCode) {
    auto& s = State();
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.QuitPosted = true;
        s.QuitCode = exitCode;
    }
    Display().Wake();
}

bool GetMessage(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    for (;;) {
        if (Retrieve(msg, hwnd, filterMin, filterMax, true, true)) {
            return msg->message != WM_QUIT;
        }
        WaitForWork();
    }
}

bool PeekMessage(TMsg* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return Retrieve(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, true);
}

bool TranslateMessage(const TMsg* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return false;
    }
    auto& s = State();
    const TMsg& last = s.LastKey.Msg;
    if (last.hwnd != msg->hwnd || last.message != msg->message || last.wParam != msg->wParam ||
        last.lParam != msg->lParam || last.time != msg->time || s.LastKey.Text.empty()) {
        return true;
    }
    const UINT charMessage = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        // The characters come next, ahead of anything already posted.
        auto at = s.Posted.begin();
        for (char16_t unit : s.LastKey.Text) {
            TQueued q;
            q.Msg = TMsg{msg->hwnd, charMessage, unit, msg->lParam, msg->time, msg->pt};
            at = s.Posted.insert(at, std::move(q)) + 1;
        }
    }
    s.LastKey = TQueued{};
    return true;
}

namespace {
TPointerObserver PointerObserver = nullptr;
}

void SetPointerObserver(TPointerObserver observer) {
    PointerObserver = observer;
}

LRESULT DispatchMessage(const TMsg* msg) {
    if (!msg || msg->hwnd == 0) {
        return 0;
    }
    if (PointerObserver && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELEAVE) {
        PointerObserver(*msg);
    }
    return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

int ProcessPendingMessages() {
    int handled = 0;
    TMsg msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        ++handled;
    }
    return handled;
}

UINT SetTimer(HWND hwnd, UINT id, UINT interval) {
    if (hwnd != 0 && !Find(hwnd)) {
        return 0;
    }
    auto& s = State();
    interval = std::max(interval, MinimumTimerInterval);
    const std::uint64_t due = Display().Now() + interval;
    for (auto& t : s.Timers) {
        if (t.Window == hwnd && t.Id == id) {
            t.Interval = interval;
            t.Due = due;
            return id == 0 ? 1 : id;
        }
    }
    s.Timers.push_back(TTimer{hwnd, id, interval, due});
    return id == 0 ? 1 : id;
}

bool KillTimer(HWND hwnd, UINT id) {
    auto& timers = State().Timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const TTimer& t) { return t.Window == hwnd && t.Id == id; });
    if (it == timers.end()) {
        return false;
    }
    timers.erase(it);
    return true;
}

} // namespace platform
