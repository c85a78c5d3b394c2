// A headless screen, a window class whose procedure records every message, and per-window hooks
// that may answer a message instead of the default processing.
#pragma once

#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

namespace wmtest {

using namespace platform;

struct TEntry {
    HWND Hwnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

using THook = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

struct TRecorder {
    std::vector<TEntry> Log;
    std::map<HWND, THook> Hooks;
    THook CreateHook; // runs for windows whose handle is not known yet (creation messages)
};

inline TRecorder*& Recorder() {
    static TRecorder* current = nullptr;
    return current;
}

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TRecorder* r = Recorder();
    r->Log.push_back(TEntry{hwnd, msg, wParam, lParam});
    auto it = r->Hooks.find(hwnd);
    if (it != r->Hooks.end() && it->second) {
        if (auto answer = it->second(hwnd, msg, wParam, lParam))
            return *answer;
    } else if (r->CreateHook) {
        if (auto answer = r->CreateHook(hwnd, msg, wParam, lParam))
            return *answer;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

inline bool IsPointerMessage(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSEHOVER ||
           msg == WM_MOUSELEAVE;
}

// One pointer message as (window, message, client x, client y).
struct TPointer {
    HWND Hwnd;
    UINT Msg;
    int X, Y;
    bool operator==(const TPointer& o) const {
        return Hwnd == o.Hwnd && Msg == o.Msg && X == o.X && Y == o.Y;
    }
};

inline std::ostream& operator<<(std::ostream& os, const TPointer& p) {
    return os << "{" << p.Hwnd << " 0x" << std::hex << p.Msg << std::dec << " " << p.X << "," << p.Y
              << "}";
}

class WmTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen = &InstallHeadlessDisplay();
        Recorder() = &Rec;
        for (auto [name, style] : {std::pair<const char16_t*, UINT>{u"Recording", CS_DBLCLKS},
                                   std::pair<const char16_t*, UINT>{u"RecordingPlain", 0}}) {
            TWndClass wc;
            wc.style = style;
            wc.lpfnWndProc = RecordingProc;
            wc.hCursor = LoadCursor(0, IDC_ARROW);
            wc.lpszClassName = name;
            if (!GetClassInfo(0, name, nullptr))
                RegisterClass(wc);
        }
    }
    void TearDown() override {
        InstallHeadlessDisplay(); // forget this test's windows before the recorder goes away
        Recorder() = nullptr;
    }

    HWND Top(int x, int y, int w, int h, DWORD exStyle = 0) {
        return CreateWindowEx(exStyle, u"Recording", u"top", WS_POPUP | WS_VISIBLE, x, y, w, h, 0,
                              0, nullptr);
    }
    HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = 0,
               const char16_t* cls = u"Recording") {
        return CreateWindowEx(0, cls, u"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, 0,
                              nullptr);
    }
    void Pump() { ProcessPendingMessages(); }
    // Input steps on the screen, each served before the next.
    void Move(int x, int y) {
        Screen->MovePointer(x, y);
        Pump();
    }
    void Wait(std::uint64_t ms) {
        Screen->Advance(ms);
        Pump();
    }
    void Tap(int x, int y) {
        Screen->Click(x, y);
        Pump();
    }
    // A 10 x 10 top-level window whose creation has been served.
    HWND QuietTop() {
        const HWND hwnd = Top(0, 0, 10, 10);
        Pump();
        return hwnd;
    }
    // Answers msg to hwnd with result, without the default processing.
    void Answer(HWND hwnd, UINT msg, LRESULT result) {
        Rec.Hooks[hwnd] = [msg, result](HWND, UINT m, WPARAM, LPARAM) {
            return m == msg ? std::optional<LRESULT>(result) : std::nullopt;
        };
    }
    // Runs f(hwnd, lParam) on msg to hwnd, then the default processing.
    void OnMessage(HWND hwnd, UINT msg, std::function<void(HWND, LPARAM)> f) {
        Rec.Hooks[hwnd] = [msg, f](HWND h, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
            if (m == msg)
                f(h, lp);
            return std::nullopt;
        };
    }
    void Clear() { Rec.Log.clear(); }

    std::vector<TPointer> PointerLog() const {
        std::vector<TPointer> out;
        for (const auto& e : Rec.Log)
            if (IsPointerMessage(e.Msg))
                out.push_back(TPointer{e.Hwnd, e.Msg, GetXLParam(e.LParam), GetYLParam(e.LParam)});
        return out;
    }
    std::vector<UINT> MessagesOf(HWND hwnd, UINT only = 0) const {
        std::vector<UINT> out;
        for (const auto& e : Rec.Log)
            if (e.Hwnd == hwnd && (only == 0 || e.Msg == only))
                out.push_back(e.Msg);
        return out;
    }
    int Count(HWND hwnd, UINT msg) const { return static_cast<int>(MessagesOf(hwnd, msg).size()); }
    // The recorded messages of the given kinds, in order.
    std::vector<TEntry> Entries(std::initializer_list<UINT> msgs) const {
        std::vector<TEntry> out;
        for (const auto& e : Rec.Log)
            if (std::find(msgs.begin(), msgs.end(), e.Msg) != msgs.end())
                out.push_back(e);
        return out;
    }

    THeadlessDisplay* Screen = nullptr;
    TRecorder Rec;
};

} // namespace wmtest
