// The application object: the instance lock, the folders and a whole run to its exit code.
#include "app_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace app_test {
namespace {

using namespace platform;

TEST_F(AppTest, InstanceLockLetsOneHolderInAtATime) {
    const std::string folder = app::TInstanceLock::LockFolder();
    EXPECT_EQ(folder, Dir + "/run");
    app::TInstanceLock first, second;
    EXPECT_EQ(first.Acquire(folder), app::TInstanceLock::TState::Held);
    EXPECT_EQ(second.Acquire(folder), app::TInstanceLock::TState::HeldElsewhere);
    EXPECT_TRUE(fs::exists(folder + "/minipelikoramutex"));
    first.Release();
    EXPECT_EQ(second.Acquire(folder), app::TInstanceLock::TState::Held);
    EXPECT_EQ(first.Acquire(""), app::TInstanceLock::TState::Unavailable);
}

TEST_F(AppTest, WithoutARuntimeFolderTheLockLivesInAPrivateFolder) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string folder = app::TInstanceLock::LockFolder();
    EXPECT_EQ(folder, "/tmp/minipelikora-" + std::to_string(getuid()));
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(AppTest, DataFolderFollowsXdgDataHome) {
    EXPECT_EQ(WideToUtf8(app::DefaultDataFolder()), Dir + "/data/Marvolt/Mini Pelikora");
    setenv("XDG_DATA_HOME", "not/absolute", 1);
    EXPECT_EQ(WideToUtf8(app::DefaultDataFolder()),
              Dir + "/home/.local/share/Marvolt/Mini Pelikora");
}

TEST_F(AppTest, SecondInstanceEndsAtOnceWithCodeZero) {
    app::TInstanceLock running;
    ASSERT_EQ(running.Acquire(Dir + "/run"), app::TInstanceLock::TState::Held);
    app::TApplication second;
    bool displayOpened = false;
    second.OpenDisplay = [&] { return displayOpened = true; };
    EXPECT_EQ(second.Run(), 0);
    EXPECT_FALSE(displayOpened);
    EXPECT_EQ(second.MainWindow, nullptr);
    EXPECT_TRUE(Screen->Frames().empty());
}

TEST_F(AppTest, WholeRunCreatesTheFoldersAndEndsWithCodeZero) {
    fs::remove_all(Dir + "/data");
    const auto cwd = fs::current_path();
    fs::current_path(Dir);
    app::TApplication application;
    bool lockHeldDuringRun = false;
    application.OnStarted = [&](app::TApplication& a) {
        app::TInstanceLock other;
        lockHeldDuringRun = other.Acquire(app::TInstanceLock::LockFolder()) ==
                            app::TInstanceLock::TState::HeldElsewhere;
        EXPECT_EQ(a.MainWindow->Caption(), u"minipelikora");
        EXPECT_EQ(a.MainWindow->ClassNameW(), u"minipelikoraclass");
        EXPECT_EQ(FindWindow(u"minipelikoraclass", u"minipelikora"), a.MainWindow->WindowHandle());
        EXPECT_EQ(a.Desktop->Name(), u"ManagerDesktop");
        PostMessage(a.MainWindow->WindowHandle(), app::WM_EXTERNALCLOSE, 0, 0);
    };
    EXPECT_EQ(application.Run(), 0);
    const std::string program = fs::path(app::ExecutablePath()).parent_path().string();
    EXPECT_EQ(fs::current_path().string(), program);
    EXPECT_EQ(WideToUtf8(application.ProgramFolder), program + "/");
    fs::current_path(cwd);
    EXPECT_TRUE(lockHeldDuringRun);
    EXPECT_EQ(application.AppTitle, u"Mini Pelikora");
    EXPECT_TRUE(fs::is_directory(Dir + "/data/Marvolt/Mini Pelikora"));
    EXPECT_TRUE(fs::exists(Dir + "/data/Marvolt/Mini Pelikora/options.ini"));
    EXPECT_EQ(application.MainWindow, nullptr);
    // The lock is free again once the run is over.
    app::TInstanceLock next;
    EXPECT_EQ(next.Acquire(Dir + "/run"), app::TInstanceLock::TState::Held);
}

} // namespace
} // namespace app_test
