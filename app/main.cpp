// Mini Pelikora: a small skinned desktop news widget. app/ is the widget itself: this program
// entry, the application object that runs the process (application.h: one instance, start-up,
// the message loop, shutdown) and the main window with its parts (mainwindow.h, which lists
// them). Start reading here, then application.h, then mainwindow.h.
#include "app/application.h"
#include "app/command_line.h"
#include "app/desktop_integration.h"
#include "app/mainwindow.h"
#include "platform/dbus/dbus_services.h"
#include "platform/display/x11/x11_display.h"
#include "platform/display/x11/x11_external.h"
#include "platform/sys/external_messages.h"
#include "platform/window_manager.h"
#include "settings/unicode.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Watches the termination signals on a thread of its own (sigwaitinfo, so no handler runs
// inside the window code) and asks the main window to end as at the end of the session. The
// thread sleeps until a signal comes; at the end one is sent to it alone to let it go.
class TSignalWatcher {
public:
    TSignalWatcher() {
        sigemptyset(&FSignals);
        sigaddset(&FSignals, SIGTERM);
        sigaddset(&FSignals, SIGHUP);
        sigaddset(&FSignals, SIGINT);
        // A shell that starts us in the background leaves SIGINT ignored, and an ignored signal
        // never reaches sigwaitinfo.
        for (int s : {SIGTERM, SIGHUP, SIGINT})
            signal(s, SIG_DFL);
        // Blocked before any other thread exists, so every thread inherits the mask and only
        // the watcher takes them.
        pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
        FThread = std::thread([this] { Watch(); });
    }
    TSignalWatcher(const TSignalWatcher&) = delete;
    TSignalWatcher& operator=(const TSignalWatcher&) = delete;
    ~TSignalWatcher() {
        FStop = true;
        pthread_kill(FThread.native_handle(), SIGTERM);
        FThread.join();
    }

    std::atomic<platform::HWND> Window{0};
    std::atomic<bool> Pending{false};

private:
    void Watch() {
        for (;;) {
            const int signal = sigwaitinfo(&FSignals, nullptr);
            if (FStop)
                return;
            if (signal <= 0)
                continue;
            Pending = true;
            if (const platform::HWND window = Window.load(); window != 0)
                platform::PostMessage(window, app::WM_SIGNALEND, 0, 0);
        }
    }

    sigset_t FSignals;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// How long a set DISPLAY is tried before the widget gives up: a session that starts the widget
// early (or an X server started on demand) may need a while. Tests shorten it through the
// environment.
std::chrono::milliseconds DisplayWaitLimit() {
    constexpr long DefaultMs = 30000;
    const char* text = std::getenv("MINIPELIKORA_DISPLAY_WAIT_MS");
    if (text == nullptr || *text == '\0')
        return std::chrono::milliseconds(DefaultMs);
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    return std::chrono::milliseconds(*end == '\0' && ms >= 0 ? std::min(ms, DefaultMs) : DefaultMs);
}

// Tries the display again with growing pauses until it answers, the limit has passed or the
// process is asked to end.
std::unique_ptr<platform::TX11Display> OpenDisplayPatiently(const TSignalWatcher& Signals) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + DisplayWaitLimit();
    std::chrono::milliseconds pause(100);
    for (;;) {
        if (auto display = platform::TX11Display::Open())
            return display;
        const Clock::time_point now = Clock::now();
        if (now >= until || Signals.Pending)
            return nullptr;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(2000));
    }
}

// The command line's way to the running widget: its window on $DISPLAY, found by its title.
bool SendToWidget(platform::UINT Message, std::string& Error) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        Error = "no X display (DISPLAY is not set), so no running widget can be reached";
        return false;
    }
    return platform::SendExternalMessage({}, WideToUtf8(app::MainWindowName), Message, &Error);
}

} // namespace

// With arguments, one verb of the command line (command_line.h); without, the widget.
int main(int argc, char** argv) {
    if (argc > 1) {
        app::TCommandContext context;
        context.DataFolder = app::DefaultDataFolder();
        context.SendToWidget = SendToWidget;
        context.Out = &std::cout;
        context.Err = &std::cerr;
        return app::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), context);
    }

    app::UseOneHeap();
    TSignalWatcher signals;
    for (const platform::UINT message : {app::WM_EXTERNALRESERVED, app::WM_EXTERNALCLOSE,
                                         app::WM_EXTERNALRELOAD, app::WM_EXTERNALREFRESH})
        platform::AllowExternalMessage(message);

    int exitCode = 0;
    {
        auto application = std::make_unique<app::TApplication>();
        app::Application = application.get();
        application->OpenDisplay = [&signals] {
            const char* name = std::getenv("DISPLAY");
            auto display =
                name != nullptr && *name != '\0' ? OpenDisplayPatiently(signals) : nullptr;
            if (!display) {
                // The one failure worth a word: without a screen there is nothing to show.
                std::fputs("minipelikora: cannot open the X display (is DISPLAY set?)\n", stderr);
                return false;
            }
            platform::SetDisplay(std::move(display));
            // The tray's StatusNotifierItem and the news after a resume from sleep.
            platform::StartDBusServices();
            return true;
        };
        application->OnStarted = [&signals](app::TApplication& app) {
            const platform::HWND window = app.MainWindow->WindowHandle();
            signals.Window = window;
            // A signal that came during start-up is answered now that there is a window.
            if (signals.Pending)
                platform::PostMessage(window, app::WM_SIGNALEND, 0, 0);
        };
        exitCode = application->Run();
        signals.Window = 0;
        platform::StopDBusServices();
        app::Application = nullptr;
    }
    return exitCode;
}
