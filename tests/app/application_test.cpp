// The application object: the instance lock, the folders and a whole run to its exit code.
#include "app_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "tests/support/fifo_watchdog.h"

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

// The lock decides whether the widget starts at all, so it lives only where nobody else can
// reach it: a runtime folder that is ours and 0700, else a private folder that is verified
// (or made so), and the lock file itself must be ours and closed to others.
TEST_F(AppTest, TheInstanceLockLivesOnlyInFoldersAndFilesThatAreOurs) {
    const bool root = ::geteuid() == 0;
    const std::string base = Dir + "/tmp";
    const std::string fallback = base + "/minipelikora-" + std::to_string(::getuid());
    // Each arrangement spoils the runtime folder (or the fallback): the lock must go to ours.
    struct Case {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"our 0700 runtime folder", nullptr},
        {"a runtime folder open to others", [&] { ::chmod((Dir + "/run").c_str(), 0777); }},
        {"a runtime folder readable by others", [&] { ::chmod((Dir + "/run").c_str(), 0755); }},
        // Relative to where the widget happens to start, here a folder that would pass.
        {"a relative runtime folder",
         [&] {
             fs::current_path(Dir);
             ::setenv("XDG_RUNTIME_DIR", "run", 1);
         }},
        // Only root can give a folder away; others see the same refusal through a mode.
        {"a runtime folder of another user",
         [&] {
             if (root)
                 ASSERT_EQ(::chown((Dir + "/run").c_str(), 4242, 4242), 0);
             else
                 ::chmod((Dir + "/run").c_str(), 0701);
         }},
        {"a runtime folder that is a link",
         [&] {
             ::symlink((Dir + "/run").c_str(), (Dir + "/runlink").c_str());
             ::setenv("XDG_RUNTIME_DIR", (Dir + "/runlink").c_str(), 1);
         }},
        {"our fallback folder with a loose mode",
         [&] {
             ::unsetenv("XDG_RUNTIME_DIR");
             fs::create_directories(fallback);
             ::chmod(fallback.c_str(), 0777);
         }},
    };
    const fs::path cwd = fs::current_path();
    for (const auto& c : cases) {
        fs::current_path(cwd);
        ::setenv("XDG_RUNTIME_DIR", (Dir + "/run").c_str(), 1);
        ASSERT_EQ(::chown((Dir + "/run").c_str(), ::geteuid(), ::getegid()), 0);
        ::chmod((Dir + "/run").c_str(), 0700);
        ::unlink((Dir + "/runlink").c_str());
        fs::remove_all(base);
        fs::create_directories(base);
        if (c.arrange)
            c.arrange();
        const std::string want = c.arrange ? fallback : Dir + "/run";
        EXPECT_EQ(app::TInstanceLock::LockFolder(base), want) << c.name;
        struct stat st {};
        ASSERT_EQ(::lstat(want.c_str(), &st), 0) << c.name;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << c.name;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << c.name;
        EXPECT_EQ(st.st_uid, ::geteuid()) << c.name;
    }
    fs::current_path(cwd);

    // A fallback folder planted by another user is not used; the lock still finds a home
    // that is ours, so two instances cannot run side by side.
    if (root) {
        ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(base);
        fs::create_directories(fallback);
        ::chmod(fallback.c_str(), 0777);
        ASSERT_EQ(::chown(fallback.c_str(), 4242, 4242), 0);
        const std::string folder = app::TInstanceLock::LockFolder(base);
        EXPECT_NE(folder, fallback);
        ASSERT_FALSE(folder.empty());
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_mode & 0022, 0u);
        app::TInstanceLock first, second;
        EXPECT_EQ(first.Acquire(folder), app::TInstanceLock::TState::Held);
        EXPECT_EQ(second.Acquire(app::TInstanceLock::LockFolder(base)),
                  app::TInstanceLock::TState::HeldElsewhere);
    }
}

// A lock file that is not ours (another owner, or open to everyone) is never used as it is: a
// stranger could hold it and keep the widget from starting, or share it and let two run.
TEST_F(AppTest, ALockFileThatIsNotOursIsReplacedByOurOwn) {
    const std::string folder = Dir + "/run";
    const std::string lock = folder + "/minipelikoramutex";
    struct Case {
        const char* name;
        mode_t mode;
        bool foreign;
    } cases[] = {
        {"ours, open to everyone", 0666, false},
        {"another user's, open to everyone", 0666, true},
        {"another user's, private", 0600, true},
    };
    for (const auto& c : cases) {
        if (c.foreign && ::geteuid() != 0)
            continue;
        ::unlink(lock.c_str());
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL, c.mode);
        ASSERT_GE(fd, 0) << c.name;
        ::fchmod(fd, c.mode);
        if (c.foreign) {
            ASSERT_EQ(::fchown(fd, 4242, 4242), 0) << c.name;
        }
        ::close(fd);
        app::TInstanceLock mine;
        EXPECT_EQ(mine.Acquire(folder), app::TInstanceLock::TState::Held) << c.name;
        struct stat st {};
        ASSERT_EQ(::stat(lock.c_str(), &st), 0) << c.name;
        EXPECT_EQ(st.st_uid, ::geteuid()) << c.name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << c.name;
        app::TInstanceLock second;
        EXPECT_EQ(second.Acquire(folder), app::TInstanceLock::TState::HeldElsewhere) << c.name;
    }
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

// A FIFO in place of news.xml or options.ini used to block start-up in open() for ever, with
// the instance lock already held, so the widget could not be started at all.
TEST_F(AppTest, FifosInPlaceOfTheDataFilesDoNotHoldUpStartUp) {
    const std::vector<std::string> fifos = {NewsPath(), OptionsPath()};
    for (const std::string& fifo : fifos)
        ASSERT_TRUE(testsupport::MakeFifo(fifo));
    testsupport::TFifoWatchdog watchdog(fifos);
    Start();
    EXPECT_TRUE(Window->HandleAllocated());
    EXPECT_FALSE(watchdog.Stop()) << "start-up blocked on a FIFO";
    Desktop.reset();
    for (const std::string& fifo : fifos) {
        struct stat st {};
        ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << fifo << " was replaced";
    }
}

// Temporaries left by a write that was killed are removed at the next start, but only ours,
// only stale ones, and never a file of the user's that merely looks similar.
TEST_F(AppTest, StaleTemporariesOfAKilledWriteAreRemovedAtStartUp) {
    const std::string header = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n<r>";
    struct File {
        std::string name, bytes;
        bool old, removed;
    } files[] = {
        {"news.xml.mptmp-aB3dE9", header, true, true},
        {"options.ini.mptmp-Q0wErT", "\xFF\xFE[", true, true},
        {"news.xml.mptmp-fReSh1", header, false, false}, // may be being written right now
        // Names of the writer before this one.
        {"news.xml.Ab3dE9", header, true, true},
        {"options.ini.zQ81Kp", "", true, true},
        // The user's own files.
        {"news.xml.backup", header, true, false},
        {"news.xml.Backup", header, true, false},
        {"options.ini.bad", "\xFF\xFE[", true, false},
        {"news.xml.xY9zQ1", "not a news document", true, false},
        {"notes.txt.mptmp-aB3dE9", "", true, true},
    };
    for (const auto& f : files) {
        const std::string path = DataFolder + "/" + f.name;
        WriteBytes(path, f.bytes);
        if (f.old) {
            const struct timespec times[2] = {{std::time(nullptr) - 7200, 0},
                                              {std::time(nullptr) - 7200, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        }
    }
    const auto cwd = fs::current_path();
    app::TApplication application;
    application.OnStarted = [](app::TApplication& a) {
        PostMessage(a.MainWindow->WindowHandle(), app::WM_EXTERNALCLOSE, 0, 0);
    };
    EXPECT_EQ(application.Run(), 0);
    fs::current_path(cwd);
    for (const auto& f : files)
        EXPECT_EQ(fs::exists(DataFolder + "/" + f.name), !f.removed) << f.name;
}

} // namespace
} // namespace app_test
