// The data-file writer and reader under hostile local conditions: links planted in the data
// folder, files that are not ours, read-only files, FIFOs, and the leftovers of a killed write.
#include "platform/sys/atomic_file.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fifo_watchdog.h"
#include "tests/support/scratch.h"

// A seam for faults: this program's fsync and rename stand in front of the C library's, log
// the order of calls (what was synced: a file or a folder; what was renamed) and can make fsync
// fail as a failing disk would.
namespace seam {
std::vector<std::string> Log;
bool FailSync = false;
} // namespace seam

extern "C" int fsync(int fd) {
    struct stat st {};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    seam::Log.push_back(folder ? "fsync folder" : "fsync file");
    if (seam::FailSync) {
        errno = EIO;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    seam::Log.push_back(std::string("rename ") + std::filesystem::path(from).filename().string() +
                        " " + std::filesystem::path(to).filename().string());
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

namespace {

namespace fs = std::filesystem;

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Dir.Path().empty());
        fs::create_directories(Data);
        fs::create_directories(Elsewhere);
    }

    std::set<std::string> Entries(const std::string& folder) const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    }

    testsupport::TTempDir Dir;
    std::string Data = Dir.File("data"), Elsewhere = Dir.File("elsewhere");
};

// A link in the data folder is followed only to a regular file that belongs to the user running
// the widget, and never, when that user is root, out of the data folder: as root, a planted
// link to a system file would otherwise have that file replaced by the options text.
TEST_F(AtomicFileTest, LinksAreFollowedOnlyToOurOwnRegularFiles) {
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* name;
        std::string target; // where the link points
        bool foreignOwner;  // the target belongs to another user (needs root to arrange)
        bool followed;      // the target gets the new bytes
    } cases[] = {
        {"our file beside the link", Data + "/real.ini", false, true},
        {"our file in another folder", Elsewhere + "/real.ini", false, !root},
        {"another user's file beside the link", Data + "/theirs.ini", true, false},
        {"another user's file elsewhere", Elsewhere + "/theirs.ini", true, false},
        {"a folder", Elsewhere, false, false},
        {"nothing", Data + "/missing.ini", false, false},
    };
    for (const auto& c : cases) {
        if (c.foreignOwner && !root)
            continue; // only root can give a file away
        const bool isFile = c.target != Elsewhere && c.target != Data + "/missing.ini";
        if (isFile) {
            WriteBytes(c.target, "old");
            if (c.foreignOwner) {
                ASSERT_EQ(::chown(c.target.c_str(), 4242, 4242), 0);
            }
        }
        const std::string link = Data + "/options.ini";
        ASSERT_EQ(::symlink(c.target.c_str(), link.c_str()), 0) << c.name;
        EXPECT_EQ(platform::WriteFileAtomically(link, "new"), c.followed) << c.name;
        struct stat st {};
        ASSERT_EQ(::lstat(link.c_str(), &st), 0) << c.name;
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.name << ": the link itself was replaced";
        if (isFile) {
            EXPECT_EQ(ReadBytes(c.target), c.followed ? "new" : "old") << c.name;
        }
        ::unlink(link.c_str());
        if (isFile)
            ::unlink(c.target.c_str());
        EXPECT_EQ(Entries(Data), std::set<std::string>{}) << c.name << ": something was left";
    }
}

// Read-only means the user does not want the file changed; a FIFO, a socket or a folder in the
// file's place is not a file to replace. Each is left exactly as it was.
TEST_F(AtomicFileTest, ReadOnlyFilesAndNonFilesAreLeftAlone) {
    const std::string path = Data + "/options.ini";
    WriteBytes(path, "keep me");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(platform::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadBytes(path), "keep me");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    ::unlink(path.c_str());

    ASSERT_TRUE(testsupport::MakeFifo(path));
    EXPECT_FALSE(platform::WriteFileAtomically(path, "new"));
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(Entries(Data), std::set<std::string>{"options.ini"});
}

// The content reaches the disk before the new name points at it, else a crash right after the
// rename could leave an empty options file; a sync that fails leaves the old file in place.
TEST_F(AtomicFileTest, ContentIsSyncedBeforeTheRenameAndAFailedSyncKeepsTheOldFile) {
    const std::string path = Data + "/options.ini";
    WriteBytes(path, "old");
    seam::Log.clear();
    ASSERT_TRUE(platform::WriteFileAtomically(path, "new", platform::TOldFile::Replace));
    ASSERT_EQ(seam::Log.size(), 3u);
    EXPECT_EQ(seam::Log[0], "fsync file");
    EXPECT_EQ(seam::Log[1].rfind("rename options.ini.", 0), 0u) << seam::Log[1];
    EXPECT_EQ(seam::Log[1].substr(seam::Log[1].size() - 12), " options.ini");
    EXPECT_EQ(seam::Log[2], "fsync folder");
    EXPECT_EQ(ReadBytes(path), "new");

    seam::Log.clear();
    seam::FailSync = true;
    const bool written = platform::WriteFileAtomically(path, "lost", platform::TOldFile::Replace);
    seam::FailSync = false;
    EXPECT_FALSE(written);
    EXPECT_EQ(seam::Log, (std::vector<std::string>{"fsync file"}));
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(Entries(Data), (std::set<std::string>{"options.ini"}));
}

// A new file gets the usual permissions under the umask (not a temporary's private 0600); a
// replaced one keeps its own whatever the umask.
TEST_F(AtomicFileTest, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    struct Case {
        mode_t Umask, Want;
    } cases[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}, {027, 0640}};
    const mode_t saved = ::umask(022);
    for (const auto& c : cases) {
        ::umask(c.Umask);
        const std::string path = Data + "/new-" + std::to_string(c.Umask);
        const bool written = platform::WriteFileAtomically(path, "x", platform::TOldFile::Replace);
        struct stat st {};
        const int statted = ::stat(path.c_str(), &st);
        ::umask(saved);
        ASSERT_TRUE(written) << std::oct << c.Umask;
        ASSERT_EQ(statted, 0);
        EXPECT_EQ(st.st_mode & 07777, c.Want) << std::oct << c.Umask;

        ::umask(c.Umask);
        ::chmod(path.c_str(), 0604);
        const bool replaced = platform::WriteFileAtomically(path, "y", platform::TOldFile::Replace);
        ::stat(path.c_str(), &st);
        ::umask(saved);
        EXPECT_TRUE(replaced);
        EXPECT_EQ(st.st_mode & 07777, 0604u) << std::oct << c.Umask;
    }
    ::umask(saved);
}

} // namespace
