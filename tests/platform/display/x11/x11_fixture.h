// A test on a real X server: starts one, installs the X11 backend on it, serves the window
// manager's queue while waiting, and puts the headless screen back afterwards.
#pragma once

#include "platform/display/headless/headless_display.h"
#include "platform/display/x11/x11_display.h"
#include "platform/window_manager.h"
#include "tests/platform/card_frame.h"
#include "tests/support/xserver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace x11test {

class TX11Test : public testing::Test {
protected:
    void Start(const TServerOptions& options = {}, const platform::TX11Options& x = {}) {
        Server = std::make_unique<TXServer>(options);
        ASSERT_TRUE(Server->Ok()) << Server->Error();
        auto display = platform::TX11Display::Open(Server->Name(), x);
        ASSERT_TRUE(display != nullptr);
        X = display.get();
        platform::SetDisplay(std::move(display));
    }

    void TearDown() override {
        platform::InstallHeadlessDisplay();
        X = nullptr;
        Server.reset();
    }

    // One round of the program's message loop, waiting briefly for input.
    void Serve() {
        platform::TMsg msg;
        while (platform::PeekMessage(&msg, 0, 0, 0, platform::PM_REMOVE)) {
            platform::TranslateMessage(&msg);
            platform::DispatchMessage(&msg);
        }
        platform::Display().Wait(platform::Display().Now() + 10);
    }

    bool Until(const std::function<bool()>& done, int timeoutMs = 5000) {
        return PumpUntil(done, timeoutMs, [this] { Serve(); });
    }

    void Settle(int ms) {
        PumpUntil([] { return false; }, ms, [this] { Serve(); });
    }

    // Runs xdotool with the given arguments while the queue keeps being served.
    bool Xdotool(const std::vector<std::string>& args, int timeoutMs = 10000) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = Server->Spawn(argv);
        return pid > 0 && Until([&] { return Server->Finished(pid); }, timeoutMs);
    }

    std::unique_ptr<TXServer> Server;
    platform::TX11Display* X = nullptr;
};

// The helper programs a test asks for.
struct Servers {
    static TServerOptions Manager() { return With(&TServerOptions::WindowManager); }
    static TServerOptions Compositor() { return With(&TServerOptions::Compositor); }
    static TServerOptions Tray() { return With(&TServerOptions::Tray); }
    static TServerOptions With(bool TServerOptions::*Helper) {
        TServerOptions o;
        o.*Helper = true;
        return o;
    }
};

using platformtest::TCardFrame;

inline bool Near(std::uint32_t rgb, std::uint32_t expected, int tolerance = 4) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((rgb >> shift) & 0xFF);
        const int b = static_cast<int>((expected >> shift) & 0xFF);
        if (a - b > tolerance || b - a > tolerance)
            return false;
    }
    return true;
}

} // namespace x11test
