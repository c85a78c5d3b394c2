// The three web servers the widget talks to, named in the options file (section "server", keys
// "news", "version" and "links"; a host or host:port), which is how the demo feed server and the
// tests point the widget at loopback. Only the news server has a built-in host: the maker's
// version and link servers have no public one, so without a configured host nothing is asked of
// them and no link leads there.
#pragma once

#include <string>
#include <string_view>

namespace news {

constexpr const char* ServerSection = "server";
constexpr const char* NewsServerKey = "news";
constexpr const char* VersionServerKey = "version";
constexpr const char* LinksServerKey = "links";

constexpr const char* DefaultNewsServer = "alarm.pelikora.example";

constexpr int AboutLinkId = 7950;
constexpr int DownloadLinkId = 7951;

struct TServers {
    std::string News = DefaultNewsServer;
    std::string Version; // empty: no update check
    std::string Links;   // empty: no links

    // Takes one value of the "server" section. A key it does not know, or a value that is not
    // a host name or address with an optional port, changes nothing and gives false.
    bool Set(std::string_view key, std::string_view value);
    std::string Get(std::string_view key) const;

    // The redirect address that opens one of the maker's pages in the browser; empty without a
    // links server.
    std::string LinkUrl(int linkId) const;
};

// Whether value can stand as a server: a host name, an IPv4 address or a bracketed IPv6
// address, optionally followed by ":port".
bool IsServerAddress(std::string_view value);

} // namespace news
