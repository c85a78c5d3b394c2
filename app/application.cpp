#include "app/application.h"

#include "app/desktop_integration.h"
#include "app/mainwindow.h"
#include "news/http.h"
#include "platform/sys/atomic_file.h"
#include "platform/sys/resources.h"
#include "platform/window_manager.h"
#include "settings/unicode.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace app {

TApplication* Application = nullptr;

namespace {

// A folder the lock may live in: a real folder (not a link), ours, and closed to others. For
// Exact the mode must be exactly 0700, as the XDG rules ask of the runtime folder; otherwise it
// is enough that nobody else may create or delete files in it.
bool IsOurFolder(int Fd, bool Exact) {
    struct stat st {};
    if (Fd < 0 || fstat(Fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return false;
    return Exact ? (st.st_mode & 07777) == 0700 : (st.st_mode & 0022) == 0;
}

int OpenFolder(const std::string& Path) {
    return open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

struct TFdCloser {
    int Fd;
    ~TFdCloser() {
        if (Fd >= 0)
            close(Fd);
    }
};

} // namespace

std::string TInstanceLock::LockFolder(const std::string& FallbackBase) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/') {
        TFdCloser folder{OpenFolder(runtime)};
        if (IsOurFolder(folder.Fd, true))
            return runtime;
    }
    // A folder of our own under the shared base. One that is ours but was left open is closed
    // again; one that another user planted is passed over.
    const std::string folder = FallbackBase + "/minipelikora-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    {
        TFdCloser fd{OpenFolder(folder)};
        struct stat st {};
        if (fd.Fd >= 0 && fstat(fd.Fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
            (st.st_mode & 07777) != 0700)
            fchmod(fd.Fd, 0700);
        if (IsOurFolder(fd.Fd, true))
            return folder;
    }
    // The data folder is in the user's home, out of other users' reach.
    const std::string data = WideToUtf8(DefaultDataFolder());
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    TFdCloser fd{OpenFolder(data)};
    return IsOurFolder(fd.Fd, false) ? data : std::string();
}

TInstanceLock::TState TInstanceLock::Acquire(const std::string& Folder) {
    Release();
    if (Folder.empty())
        return TState::Unavailable;
    TFdCloser folder{OpenFolder(Folder)};
    if (!IsOurFolder(folder.Fd, false))
        return TState::Unavailable;
    // Close-on-exec, so a browser started from the widget never inherits the lock; non-blocking,
    // so a FIFO of that name cannot hold the start up.
    constexpr int Flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = openat(folder.Fd, InstanceLockName, Flags, 0600);
    struct stat st {};
    const bool ours =
        fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
    if (!ours) {
        // Only we can have put a lock file in our own folder, so anything else of that name is
        // a leftover or a plant: it goes, and a fresh file of ours takes its place.
        if (fd >= 0)
            close(fd);
        if (unlinkat(folder.Fd, InstanceLockName, 0) != 0 && errno != ENOENT)
            return TState::Unavailable;
        fd = openat(folder.Fd, InstanceLockName, Flags | O_EXCL, 0600);
        if (fd < 0 || fstat(fd, &st) != 0) {
            if (fd >= 0)
                close(fd);
            return TState::Unavailable;
        }
    }
    // Open to others, anyone could hold it and keep the widget from starting.
    if ((st.st_mode & 07777) != 0600 && fchmod(fd, 0600) != 0) {
        close(fd);
        return TState::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? TState::HeldElsewhere : TState::Unavailable;
    }
    FFd = fd;
    return TState::Held;
}

void TInstanceLock::Release() {
    if (FFd >= 0) {
        close(FFd);
        FFd = -1;
    }
}

std::u16string DefaultDataFolder() {
    return Utf8ToWide(XdgBaseFolder("XDG_DATA_HOME", "/.local/share") + "/Marvolt/Mini Pelikora");
}

TApplication::~TApplication() = default;

int TApplication::Run() {
    // The lock is kept from this first look on, so two launches at the same moment cannot
    // both get through. A lock we cannot make at all does not stop the widget.
    if (InstanceLock.Acquire(TInstanceLock::LockFolder()) == TInstanceLock::TState::HeldElsewhere)
        return 0;

    struct TReleaseLock {
        TInstanceLock& Lock;
        ~TReleaseLock() { Lock.Release(); }
    } releaseLock{InstanceLock};

    if (OpenDisplay && !OpenDisplay())
        return 1;

    const std::string exe = ExecutablePath();
    if (!exe.empty()) {
        const std::filesystem::path folder = std::filesystem::path(exe).parent_path();
        ProgramFolder = Utf8ToWide(folder.string() + "/");
        std::error_code ec;
        std::filesystem::current_path(folder, ec);
    }
    DataFolder = DefaultDataFolder();
    {
        std::error_code ec;
        std::filesystem::create_directories(WideToUtf8(DataFolder), ec);
    }
    platform::RemoveStaleTemporaries(WideToUtf8(DataFolder));
    AppTitle = platform::LoadStr(AppTitleString);

    Desktop = std::make_unique<widgets::TDesktop>();
    Desktop->SetName(DesktopName);
    news::OpenInternet();

    struct TShutdown {
        TApplication& App;
        ~TShutdown() {
            news::CloseInternet();
            App.MainWindow = nullptr;
            App.Desktop.reset();
        }
    } shutdown{*this};

    MainWindow = Desktop->Make<TMainWindow>(DataFolder);
    MainWindow->ParentWindow = 0;
    MainWindow->SetName(MainWindowName);
    MainWindow->SetClassNameW(MainWindowClass);
    MainWindow->SetCaption(MainWindowName);
    MainWindow->HandleNeeded();
    MainWindow->SetOpacity(0);
    MainWindow->Show();

    if (OnStarted)
        OnStarted(*this);

    platform::TMsg msg;
    while (platform::GetMessage(&msg, 0, 0, 0)) {
        if (MainWindow->PreTranslateMessage(msg))
            continue;
        platform::TranslateMessage(&msg);
        platform::DispatchMessage(&msg);
    }
    // The exit code travels with the quit message; the widget always ends with 0.
    return static_cast<int>(msg.wParam);
}

} // namespace app
