#include "platform/sys/working_set.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr std::size_t Pages = 16;

// A file of Pages pages, each filled with its own number, mapped read-only and read through
// so that its pages are resident.
class TMappedFile {
public:
    explicit TMappedFile(int Prot = PROT_READ) {
        char pattern[] = "/tmp/mp-working-set-XXXXXX";
        Fd = mkstemp(pattern);
        Path = pattern;
        Size = Pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        std::string bytes(Size, '\0');
        for (std::size_t i = 0; i < Size; ++i)
            bytes[i] = static_cast<char>(i / static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + 1);
        EXPECT_EQ(write(Fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        Data = static_cast<unsigned char*>(mmap(nullptr, Size, Prot, MAP_PRIVATE, Fd, 0));
        EXPECT_NE(Data, MAP_FAILED);
        Touch();
    }
    ~TMappedFile() {
        munmap(Data, Size);
        close(Fd);
        unlink(Path.c_str());
    }

    void Touch() const {
        volatile unsigned sum = 0;
        for (std::size_t i = 0; i < Size; i += 512)
            sum = sum + Data[i];
    }
    bool Intact() const {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        for (std::size_t i = 0; i < Size; i += 97)
            if (Data[i] != static_cast<unsigned char>(i / page + 1))
                return false;
        return true;
    }

    // This mapping's block of /proc/self/smaps.
    std::string Block() const {
        std::ifstream in("/proc/self/smaps");
        std::string line, block;
        bool inside = false;
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(Data);
        while (std::getline(in, line)) {
            const bool header = line.find('-') < line.find(' ') && line.find(':') > line.find(' ');
            if (header)
                inside = std::strtoull(line.c_str(), nullptr, 16) == start;
            if (inside)
                block += line + "\n";
        }
        return block;
    }
    long ResidentKb() const {
        const std::string block = Block();
        const std::size_t at = block.find("\nRss:");
        return at == std::string::npos ? -1 : std::atol(block.c_str() + at + 5);
    }

    unsigned char* Data = nullptr;
    std::size_t Size = 0;

private:
    int Fd = -1;
    std::string Path;
};

std::string Replace(std::string Text, const std::string& From, const std::string& To) {
    const std::size_t at = Text.find(From);
    if (at != std::string::npos)
        Text.replace(at, From.size(), To);
    return Text;
}

// The process's own pages are never let go, and a read-only file's pages are let go only to
// come back intact; a block that is not wholly understood leaves its mapping alone.
TEST(WorkingSetTest, LetsGoOnlyOfPagesTheFileCanGiveAgain) {
    TMappedFile clean;
    ASSERT_GT(clean.ResidentKb(), 0);
    const std::string block = clean.Block();
    ASSERT_NE(block.find("VmFlags:"), std::string::npos);

    struct TCase {
        const char* Name;
        std::string Smaps;
        bool Released;
    } cases[] = {
        {"the mapping as the kernel describes it", block, true},
        {"pages it wrote", Replace(block, "\nAnonymous:", "\nAnonymous: 4 kB\nX:"), false},
        {"writable", Replace(block, " r--p ", " rw-p "), false},
        {"locked in memory", Replace(block, "VmFlags:", "VmFlags: lo"), false},
        {"device memory", Replace(block, "VmFlags:", "VmFlags: pf"), false},
        {"cut before its flags", block.substr(0, block.find("VmFlags:")), false},
        {"without a resident count", Replace(block, "\nRss:", "\nRss_:"), false},
        {"a header that does not parse", Replace(block, "-", "+"), false},
        {"no text at all", "", false},
        {"lines of noise", "garbage\n:::\n-\n\n  \nVmFlags: rd\n", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        clean.Touch();
        const long before = clean.ResidentKb();
        ASSERT_GT(before, 0);
        const platform::TReleasedPages released = platform::ReleaseFileMappings(c.Smaps);
        if (c.Released) {
            EXPECT_EQ(released.Mappings, 1);
            EXPECT_EQ(static_cast<long>(released.Kilobytes), before);
            EXPECT_EQ(clean.ResidentKb(), 0);
        } else {
            EXPECT_EQ(released.Mappings, 0);
            EXPECT_EQ(clean.ResidentKb(), before);
        }
        EXPECT_TRUE(clean.Intact());
    }
}

// Over the whole process: a private mapping that was written and then made read-only (as the
// loader leaves relocated data) keeps what was written, heap data stays, and a clean read-only
// file mapping is let go and reads the same afterwards.
TEST(WorkingSetTest, TheRunningProcessKeepsEverythingItWrote) {
    TMappedFile clean;
    TMappedFile relocated(PROT_READ | PROT_WRITE);
    std::memset(relocated.Data + 100, 0x5a, 5000);
    ASSERT_EQ(mprotect(relocated.Data, relocated.Size, PROT_READ), 0);
    std::string heap(300000, 'h');

    const platform::TReleasedPages released = platform::ReleaseFileMappings();
    EXPECT_GE(released.Mappings, 1);
    EXPECT_EQ(clean.ResidentKb(), 0);
    EXPECT_TRUE(clean.Intact());
    for (std::size_t i = 100; i < 5100; ++i)
        ASSERT_EQ(relocated.Data[i], 0x5a) << i;
    EXPECT_EQ(relocated.Data[5100], 2);
    EXPECT_EQ(heap, std::string(300000, 'h'));
}

} // namespace
