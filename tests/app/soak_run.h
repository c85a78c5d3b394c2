// The widget left alone for days, on the headless clock: the main window as the program builds
// it, in a private home, refreshing every five minutes against the demo feed server (in a
// process of its own, so its memory is not counted) that moves its news on with every answer.
// Shared by the day-long test (soak_test.cpp) and the month-long benchmark (bench/).
#pragma once

#include "isolated_home.h"
#include "main_window_start.h"
#include "mainwindow_probe.h"
#include "tests/support/scratch.h"

#include "app/application.h"
#include "app/desktop_integration.h"
#include "app/ids.h"
#include "app/mainwindow.h"
#include "news/http.h"
#include "platform/display/headless/headless_display.h"
#include "platform/window_manager.h"
#include "settings/options.h"
#include "settings/unicode.h"
#include "widgets/desktop.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace soak {

// What the process holds at one moment.
struct TFootprint {
    long ResidentKb = 0;
    // Heap, stacks and pictures: what a leak raises. The rest of the resident set is pages of
    // files, which the idle trim hands back and the next refresh maps in again.
    long AnonymousKb = 0;
    int Descriptors = 0;
    int Threads = 0;
    int Children = 0;
};

using testsupport::ReadBytes;

inline TFootprint Measure() {
    TFootprint f;
    std::istringstream status(ReadBytes("/proc/self/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            f.ResidentKb = std::atol(line.c_str() + 6);
        if (line.rfind("RssAnon:", 0) == 0)
            f.AnonymousKb = std::atol(line.c_str() + 8);
        if (line.rfind("Threads:", 0) == 0)
            f.Threads = std::atoi(line.c_str() + 8);
    }
    if (DIR* d = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(d))
            f.Descriptors += e->d_name[0] != '.';
        closedir(d);
        --f.Descriptors; // the listing's own
    }
    // A helper that was not waited for would still be listed here, as a zombie.
    std::istringstream children(
        ReadBytes("/proc/self/task/" + std::to_string(getpid()) + "/children"));
    for (std::string pid; children >> pid;)
        ++f.Children;
    return f;
}

class TSoakRun {
public:
    TSoakRun() = default;
    TSoakRun(const TSoakRun&) = delete;
    TSoakRun& operator=(const TSoakRun&) = delete;
    ~TSoakRun() {
        Desktop.reset();
        news::CloseInternet();
        if (Feed > 0) {
            kill(-Feed, SIGTERM);
            waitpid(Feed, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }

    // The feed server (96 stories, 30 served at a time, moving on by 7 with every answer, and
    // two standard feeds) and the window after its first refresh; false when either failed.
    bool Start(const std::string& FeedServer) {
        // As the program does before its first thread.
        app::UseOneHeap();
        Screen = &platform::InstallHeadlessDisplay();
        Screen->SetScreenSize(1280, 1024);
        Dir = apptest::MakeIsolatedHome("mp-soak", DataFolder);
        if (Dir.empty() || !StartFeed(FeedServer))
            return false;
        news::OpenInternet();
        Window = apptest::StartMainWindow(Desktop, DataFolder);
        Screen->Advance(app::StartInterval);
        return PumpUntil([&] {
            return !Probe().Refresher().CycleInFlight() &&
                   !Probe().Refresher().VersionCheckInFlight();
        });
    }

    // Five minutes on the clock: the poll timer starts a cycle, which is served to its end, and
    // the idle check after it trims the heap. Empty when all went so, else what did not.
    std::string OneRefresh() {
        const std::string before = NewsDocument();
        Screen->Advance(app::DefaultPollInterval);
        platform::ProcessPendingMessages();
        // On a busy machine the whole cycle may already have run inside that one call; the
        // feed moves on with every answer, so the document tells.
        if (!Probe().Refresher().CycleInFlight() && NewsDocument() == before)
            return "the poll timer started no refresh";
        if (!PumpUntil([&] { return !Probe().Refresher().CycleInFlight(); }))
            return "the refresh did not end within 20 s";
        Screen->Advance(app::IdleInterval);
        platform::ProcessPendingMessages();
        // The headless screen keeps every frame it was shown; a desktop keeps none.
        Screen->ClearFrames();
        return {};
    }

    std::string NewsDocument() const { return ReadBytes(DataFolder + "/news.xml"); }
    std::size_t Items() const {
        const auto* items = Probe().NewsView().Items();
        return items ? items->size() : 0;
    }

private:
    app::TMainWindowProbe Probe() const { return app::TMainWindowProbe(*Window); }

    static bool PumpUntil(const std::function<bool()>& Done) {
        return apptest::PumpUntil(Done, 20000);
    }

    bool StartFeed(const std::string& FeedServer) {
        const std::string portFile = Dir + "/port";
        std::vector<std::string> args = {"python3",     FeedServer, "--port",   "0",
                                         "--port-file", portFile,   "--copies", "3",
                                         "--items",     "30",       "--rotate", "7"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        const int failed = posix_spawnp(&Feed, "python3", nullptr, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        if (failed) {
            Feed = -1;
            return false;
        }
        if (!PumpUntil([&] { return !ReadBytes(portFile).empty(); }))
            return false;
        const std::string host = "127.0.0.1:" + std::to_string(std::stoi(ReadBytes(portFile)));
        TOptions options(Utf8ToWide(DataFolder + "/options.ini"));
        for (const char16_t* key : {u"news", u"version", u"links"})
            options.WriteString(u"server", key, Utf8ToWide(host));
        if (!options.UpdateFile())
            return false;
        std::ofstream(Dir + "/default-feeds")
            << "http://" << host << "/feed/rss\nhttp://" << host << "/feed/atom\n";
        return true;
    }

    platform::THeadlessDisplay* Screen = nullptr;
    std::string Dir, DataFolder;
    pid_t Feed = -1;
    std::unique_ptr<widgets::TDesktop> Desktop;
    app::TMainWindow* Window = nullptr;
};

} // namespace soak
