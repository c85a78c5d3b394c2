// The main window made and shown as the application makes it, on the desktop the test owns.
#pragma once

#include "app/application.h"
#include "app/mainwindow.h"
#include "settings/unicode.h"
#include "widgets/desktop.h"

#include <memory>
#include <string>

namespace apptest {

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
