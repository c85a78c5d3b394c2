// TApplication: the process around the widget. It lets only one instance run, prepares what
// the whole process shares (program and data folders, title, desktop, internet session),
// creates the main window, runs the message loop and takes everything down again in order.
#pragma once

#include "platform/types.h"
#include "widgets/component.h"
#include "widgets/desktop.h"

#include <functional>
#include <memory>
#include <string>

namespace app {

class TMainWindow;

constexpr const char* InstanceLockName = "minipelikoramutex";
constexpr const char16_t* MainWindowName = u"minipelikora";
constexpr const char16_t* MainWindowClass = u"minipelikoraclass";
constexpr const char16_t* DesktopName = u"ManagerDesktop";
constexpr platform::UINT AppTitleString = 100;

// The lock that keeps a second instance out: an exclusive flock on a file in the user's
// runtime folder, held from the first look until the process lets go (or dies).
class TInstanceLock {
public:
    enum class TState { Held, HeldElsewhere, Unavailable };

    TInstanceLock() = default;
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    ~TInstanceLock() { Release(); }

    // $XDG_RUNTIME_DIR when it is absolute, ours and 0700; else "minipelikora-UID" under
    // FallbackBase, made (or made again) ours and 0700; else, when another user holds that
    // name, the data folder. Empty when none of them will do.
    static std::string LockFolder(const std::string& FallbackBase = "/tmp");
    // Takes the lock in Folder, which must be ours and closed to others. A lock file there that
    // is not ours is replaced by a fresh one of our own, and ours is kept at 0600.
    TState Acquire(const std::string& Folder);
    void Release();
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

// $XDG_DATA_HOME (default ~/.local/share) followed by "Marvolt/Mini Pelikora".
std::u16string DefaultDataFolder();

class TApplication : public widgets::TComponent {
public:
    TApplication() : TComponent(nullptr) {}
    ~TApplication() override;

    // Returns the process's exit code: 0 also when another instance is running.
    int Run();

    // Called after the instance check, before anything is built; false ends the run with
    // exit code 1. The program installs its screen here; tests keep the headless one.
    std::function<bool()> OpenDisplay;
    // Called once the main window is on screen, just before the loop (tests post to it).
    std::function<void(TApplication&)> OnStarted;

    TMainWindow* MainWindow = nullptr;
    std::u16string ProgramFolder; // with its trailing slash
    std::u16string DataFolder;    // without a trailing slash
    std::u16string AppTitle;
    std::unique_ptr<widgets::TDesktop> Desktop;
    TInstanceLock InstanceLock;
};

// The one application object while the program entry runs it.
extern TApplication* Application;

} // namespace app
