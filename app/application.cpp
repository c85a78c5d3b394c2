#include "app/application.h"

#include "app/desktop_integration.h"
#include "app/mainwindow.h"
#include "news/http.h"
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

bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 0077) == 0;
}

} // namespace

std::string TInstanceLock::LockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/')
        return runtime;
    // Another user could have planted the folder; only one that is ours and closed to others
    // is trusted.
    const std::string folder = "/tmp/minipelikora-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(folder) ? folder : std::string();
}

TInstanceLock::TState TInstanceLock::Acquire(const std::string& Folder) {
    Release();
    if (Folder.empty())
        return TState::Unavailable;
    const std::string path = Folder + "/" + InstanceLockName;
    // Close-on-exec, so a browser started from the widget never inherits the lock.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return TState::Unavailable;
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
        platform::TranslateMessage(&msg);
        platform::DispatchMessage(&msg);
    }
    // The exit code travels with the quit message; the widget always ends with 0.
    return static_cast<int>(msg.wParam);
}

} // namespace app
