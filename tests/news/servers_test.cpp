#include "news/servers.h"

#include <gtest/gtest.h>

namespace {

using news::TServers;

TEST(Servers, DefaultsAreUsedUntilOverridden) {
    TServers servers;
    EXPECT_EQ(servers.Get("news"), "alarm.pelikora.example");
    // The maker's servers have no public host: none until the options name one, and no link.
    EXPECT_EQ(servers.Get("version"), "");
    EXPECT_EQ(servers.Get("links"), "");
    EXPECT_EQ(servers.LinkUrl(news::DownloadLinkId), "");

    EXPECT_TRUE(servers.Set("news", "127.0.0.1:8080"));
    EXPECT_TRUE(servers.Set("Version", "localhost"));
    EXPECT_TRUE(servers.Set("LINKS", "[::1]:9000"));
    EXPECT_EQ(servers.News, "127.0.0.1:8080");
    EXPECT_EQ(servers.Version, "localhost");
    EXPECT_EQ(servers.LinkUrl(news::AboutLinkId), "http://[::1]:9000/?linkid=7950");
}

TEST(Servers, UnusableValuesKeepTheEarlierHost) {
    TServers servers;
    ASSERT_TRUE(servers.Set("news", "feed.local:81"));
    for (const char* bad : {"", "evil.example/steal?", "user@host", "host:0", "host:65536", "host:",
                            "host:8x", "a b", "::1", "[::1", "[zz]", "host\r\nX: y", ":80"})
        EXPECT_FALSE(servers.Set("news", bad)) << bad;
    EXPECT_FALSE(servers.Set("mirror", "other.example"));
    EXPECT_EQ(servers.News, "feed.local:81");
    EXPECT_EQ(servers.Get("mirror"), "");
}

} // namespace
