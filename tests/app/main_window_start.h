// The main window made and shown as the application makes it, on the desktop the test owns.
#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "platform/window_manager.h"
#include "settings/unicode.h"
#include "widgets/desktop.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace apptest {

// Serves the queue until Done holds (real time, bounded).
inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        platform::ProcessPendingMessages();
        if (Done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

inline app::TMainWindow* StartMainWindow(std::unique_ptr<widgets::TDesktop>& Desktop,
                                         const std::string& DataFolder) {
    Desktop = std::make_unique<widgets::TDesktop>();
    Desktop->SetName(app::DesktopName);
    auto* window = Desktop->Make<app::TMainWindow>(Utf8ToWide(DataFolder));
    window->ParentWindow = 0;
    window->SetName(app::MainWindowName);
    window->SetClassNameW(app::MainWindowClass);
    window->SetCaption(app::MainWindowName);
    window->HandleNeeded();
    window->SetOpacity(0);
    window->Show();
    return window;
}

} // namespace apptest
