// Shared setup for the widget tests: a fresh headless screen, a private home with its own
// XDG folders (nothing of the real user is touched), the main window built as the program
// builds it, links caught instead of opened, and helpers that serve the queue until a worker
// has reported back.
#pragma once

#include <gtest/gtest.h>

#include "isolated_home.h"
#include "main_window_start.h"
#include "tests/support/scratch.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/desktop_integration.h"
#include "app/mainwindow.h"
#include "mainwindow_probe.h"
#include "news/http.h"
#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"
#include "settings/options.h"
#include "settings/unicode.h"

namespace app_test {

namespace fs = std::filesystem;

using testsupport::ReadBytes;
using testsupport::WriteBytes;

// One record of the news service's answer, with the eight fields it needs.
inline std::string NewsRecord(const std::string& id, const std::string& title) {
    return id + "|x|" + title + "|summary of " + title + "|y|2024-01-02|http://example.test/" + id +
           "|Son Dakika: Spor";
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen = &platform::InstallHeadlessDisplay();
        Screen->SetScreenSize(1280, 1024);
        Dir = apptest::MakeIsolatedHome("mp-app-test", DataFolder);
        ASSERT_FALSE(Dir.empty());
        SavedOpener = app::LinkOpener;
        app::LinkOpener = [this](const std::string& Url) { Links.push_back(Url); };
        news::OpenInternet();
    }

    void TearDown() override {
        Desktop.reset();
        news::CloseInternet();
        app::LinkOpener = SavedOpener;
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    std::string OptionsPath() const { return DataFolder + "/options.ini"; }
    std::string NewsPath() const { return DataFolder + "/news.xml"; }

    // The options file as it is on disk now.
    TOptions Saved() const { return TOptions(Utf8ToWide(OptionsPath())); }
    std::vector<std::string> Feeds() const {
        std::vector<std::string> feeds;
        if (auto listed = Saved().ReadFeeds())
            for (const auto& f : *listed)
                feeds.push_back(WideToUtf8(f));
        return feeds;
    }

    // The headlines the list shows, in order.
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        if (const auto* items = Probe().NewsView().Items())
            for (const auto& item : *items)
                titles.push_back(WideToUtf8(item->Title));
        return titles;
    }

    // Changes the options file before the window reads it.
    void EditOptions(const std::function<void(TOptions&)>& Edit) {
        TOptions options(Utf8ToWide(OptionsPath()));
        Edit(options);
        ASSERT_TRUE(options.UpdateFile());
    }

    // All three servers at Host; 127.0.0.1:1 refuses at once, so no test waits on the network.
    void PointServersAt(const std::string& Host) {
        EditOptions([&](TOptions& o) {
            for (const char16_t* key : {u"news", u"version", u"links"})
                o.WriteString(u"server", key, Utf8ToWide(Host));
        });
    }

    // Starts the window at a stored position.
    void StartAt(int X, int Y) {
        EditOptions([&](TOptions& o) {
            o.WriteLeft(X);
            o.WriteTop(Y);
        });
        Start();
    }

    app::TMainWindow& Start() {
        Window = apptest::StartMainWindow(Desktop, DataFolder);
        Handle = Window->WindowHandle();
        return *Window;
    }

    // Fades in and lets the start-up requests report back.
    void RunStartUp() {
        Screen->Advance(app::StartInterval);
        ASSERT_TRUE(PumpUntil([&] {
            return !Probe().Refresher().CycleInFlight() &&
                   !Probe().Refresher().VersionCheckInFlight();
        }));
    }

    void MoveTo(int X, int Y) const {
        platform::SetWindowPos(Handle, 0, X, Y, 0, 0,
                               platform::SWP_NOSIZE | platform::SWP_NOZORDER);
    }

    // Lets Ms pass on the screen's clock and serves what that brought.
    void Elapse(int Ms) const {
        Screen->Advance(Ms);
        Pump();
    }

    // Activates the widget, then another window.
    void Deactivate() const {
        platform::SetActiveWindow(Handle);
        Pump();
        Screen->ActivateOther();
        Pump();
    }

    // The parts and elements behind the window's methods.
    app::TMainWindowProbe Probe() const { return app::TMainWindowProbe(*Window); }

    static void Pump() { platform::ProcessPendingMessages(); }

    static bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
        return apptest::PumpUntil(Done, TimeoutMs);
    }

    // Waits, without taking it, until the message has been posted by a worker.
    static bool WaitForPosted(platform::UINT Msg, int TimeoutMs = 10000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        platform::TMsg m;
        while (std::chrono::steady_clock::now() < until) {
            if (platform::PeekMessage(&m, 0, Msg, Msg, platform::PM_NOREMOVE))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    // Frames presented for the main window since index From of the screen's list.
    std::vector<platform::THeadlessDisplay::TFrame> WindowFrames(std::size_t From = 0) const {
        std::vector<platform::THeadlessDisplay::TFrame> out;
        const auto all = Screen->Frames();
        for (std::size_t i = From; i < all.size(); ++i)
            if (all[i].Window == Handle)
                out.push_back(all[i]);
        return out;
    }

    bool QuitPosted(int* ExitCode = nullptr) const {
        platform::TMsg m;
        if (!platform::PeekMessage(&m, 0, platform::WM_QUIT, platform::WM_QUIT,
                                   platform::PM_NOREMOVE) ||
            m.message != platform::WM_QUIT)
            return false;
        if (ExitCode != nullptr)
            *ExitCode = static_cast<int>(m.wParam);
        return true;
    }

    platform::THeadlessDisplay* Screen = nullptr;
    std::string Dir, DataFolder;
    std::unique_ptr<widgets::TDesktop> Desktop;
    app::TMainWindow* Window = nullptr;
    platform::HWND Handle = 0;
    std::vector<std::string> Links;
    std::function<void(const std::string&)> SavedOpener;
};

} // namespace app_test
