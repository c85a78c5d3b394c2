// The data-file writer and reader under hostile local conditions: links planted in the data
// folder, files that are not ours, read-only files, FIFOs, and the leftovers of a killed write.
#include "platform/sys/atomic_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "tests/support/fifo_watchdog.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "mp-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        Data = Dir + "/data";
        Elsewhere = Dir + "/elsewhere";
        fs::create_directories(Data);
        fs::create_directories(Elsewhere);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    std::set<std::string> Entries(const std::string& folder) const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    }

    std::string Dir, Data, Elsewhere;
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
            WriteAll(c.target, "old");
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
            EXPECT_EQ(ReadAll(c.target), c.followed ? "new" : "old") << c.name;
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
    WriteAll(path, "keep me");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(platform::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadAll(path), "keep me");
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

} // namespace
