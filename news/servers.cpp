#include "news/servers.h"

#include "platform/sys/http.h"

namespace news {

namespace {

// Keys of the options file are matched without regard to case.
bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i])
            return false;
    }
    return true;
}

} // namespace

bool IsServerAddress(std::string_view value) {
    return platform::HttpUrl(std::string(value), platform::INTERNET_DEFAULT_HTTP_PORT, false, "/")
        .has_value();
}

bool TServers::Set(std::string_view key, std::string_view value) {
    std::string* slot = nullptr;
    if (SameKey(key, NewsServerKey))
        slot = &News;
    else if (SameKey(key, VersionServerKey))
        slot = &Version;
    else if (SameKey(key, LinksServerKey))
        slot = &Links;
    // A value that could smuggle a path or credentials into the address is refused.
    if (!slot || !IsServerAddress(value))
        return false;
    *slot = std::string(value);
    return true;
}

std::string TServers::Get(std::string_view key) const {
    if (SameKey(key, NewsServerKey))
        return News;
    if (SameKey(key, VersionServerKey))
        return Version;
    if (SameKey(key, LinksServerKey))
        return Links;
    return std::string();
}

std::string TServers::LinkUrl(int linkId) const {
    if (Links.empty())
        return std::string();
    return "http://" + Links + "/?linkid=" + std::to_string(linkId);
}

} // namespace news
