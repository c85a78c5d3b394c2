#include "elements/linkopener.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace elements;

TEST(IsWebLink, OnlyHttpAndHttpsAddressesPass) {
    struct Case {
        const char* url;
        bool ok;
    } cases[] = {
        {"http://example.org/a b/c", true},
        {"https://example.org/", true},
        {"HTTP://EXAMPLE.ORG", true},
        {"hTtPs://x", true},
        {"", false},
        {"http://", false},
        {"http:/x", false},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"javascript:alert(1)", false},
        {"--help", false},
        {"ftp://x", false},
        {" http://x", false},
        {"http://x\ny", false},
        {"http://x\x7Fy", false},
        {"http://x\ty", false},
        {"httpx://y", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebLink(c.url), c.ok) << c.url;
}

// Whether a child of this process has not been reaped yet (running or a zombie): a program the
// opener started counts until it has exited and been waited for.
bool ChildrenRemain() {
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 || errno != ECHILD;
}

// A stand-in xdg-open first on PATH appends its arguments to a log, one per line.
class StandInOpener : public ::testing::Test {
protected:
    void SetUp() override {
        Out = Dir.File("args");
        Script = Dir.File("xdg-open");
        testsupport::WriteBytes(Script,
                                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + Out +
                                    "'; done\n");
        ::chmod(Script.c_str(), 0700);
        const char* oldPath = std::getenv("PATH");
        SavedPath = oldPath ? oldPath : "";
        ::setenv("PATH", (Dir.Path() + ":" + SavedPath).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", SavedPath.c_str(), 1); }
    // The log once every program started so far has exited and been reaped.
    std::string LogWhenAllHaveExited() {
        for (int i = 0; i < 500 && ChildrenRemain(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return testsupport::ReadBytes(Out);
    }
    testsupport::TTempDir Dir;
    std::string Out, Script, SavedPath;
};

TEST_F(StandInOpener, RefusedLinksStartNothingAndAWebLinkArrivesAsOneUntouchedArgument) {
    ASSERT_FALSE(ChildrenRemain());
    EXPECT_FALSE(OpenInBrowser("file:///etc/passwd"));
    EXPECT_FALSE(OpenInBrowser(""));
    EXPECT_FALSE(OpenInBrowser("https://example.org/a\x7F--help"));
    EXPECT_FALSE(SpawnDetached("/nonexistent/program-that-is-not-there", "x"));
    // Anything a refused link had started would have left its line in the log.
    EXPECT_EQ(LogWhenAllHaveExited(), "");

    const std::string url = "https://example.org/a b;$(touch x)&c='d'";
    ASSERT_TRUE(OpenInBrowser(url));
    EXPECT_EQ(LogWhenAllHaveExited(), url + "\n");
}
