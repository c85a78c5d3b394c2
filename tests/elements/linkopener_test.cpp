#include "elements/linkopener.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
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
        {"httpx://y", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebLink(c.url), c.ok) << c.url;
}

TEST(OpenInBrowser, RefusesWhatIsNotAWebLinkWithoutStartingAnything) {
    EXPECT_FALSE(OpenInBrowser("file:///etc/passwd"));
    EXPECT_FALSE(OpenInBrowser(""));
    EXPECT_FALSE(SpawnDetached("/nonexistent/program-that-is-not-there", "x"));
}

TEST(OpenInBrowser, HandsTheLinkOverAsOneUntouchedArgument) {
    // A stand-in opener on PATH records its arguments one per line.
    const std::string dir = ::testing::TempDir() + "opener_" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0700);
    const std::string out = dir + "/args";
    const std::string script = dir + "/xdg-open";
    {
        std::ofstream f(script);
        f << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << out << ".tmp'; done\n"
          << "mv '" << out << ".tmp' '" << out << "'\n";
    }
    ::chmod(script.c_str(), 0700);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", (dir + ":" + saved).c_str(), 1);

    const std::string url = "https://example.org/a b;$(touch x)&c='d'";
    const bool started = OpenInBrowser(url);
    ::setenv("PATH", saved.c_str(), 1);
    ASSERT_TRUE(started);

    std::string got;
    for (int i = 0; i < 500 && got.empty(); ++i) {
        std::ifstream f(out);
        std::stringstream ss;
        ss << f.rdbuf();
        got = ss.str();
        if (got.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(got, url + "\n");
    std::remove(out.c_str());
    std::remove(script.c_str());
    ::rmdir(dir.c_str());
}
