// The three web servers the widget talks to. Each has a built-in host that the options file
// may replace (section "server", keys "news", "version" and "links"; a host or host:port), which
// is how the demo feed server and the tests point the widget at loopback.
#pragma once

#include <string>
#include <string_view>

namespace news {

constexpr const char* ServerSection = "server";
constexpr const char* NewsServerKey = "news";
constexpr const char* VersionServerKey = "version";
constexpr const char* LinksServerKey = "links";

constexpr const char* DefaultNewsServer = "alarm.pelikora.example";
constexpr const char* DefaultVersionServer = "www.marvolt.example";
constexpr const char* DefaultLinksServer = "go.marvolt.example";

constexpr int AboutLinkId = 7950;
constexpr int DownloadLinkId = 7951;

struct TServers {
    std::string News = DefaultNewsServer;
    std::string Version = DefaultVersionServer;
    std::string Links = DefaultLinksServer;

    // Takes one value of the "server" section. A key it does not know, or a value that is not
    // a host name or address with an optional port, changes nothing and gives false.
    bool Set(std::string_view key, std::string_view value);
    std::string Get(std::string_view key) const;

    // The redirect address that opens one of the maker's pages in the browser.
    std::string LinkUrl(int linkId) const;
};

// Whether value can stand as a server: a host name, an IPv4 address or a bracketed IPv6
// address, optionally followed by ":port".
bool IsServerAddress(std::string_view value);

} // namespace news
