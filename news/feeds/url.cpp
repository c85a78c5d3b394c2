#include "news/feeds/url.h"

#include <optional>
#include <vector>

namespace news::feeds {

namespace {

struct TUrlParts {
    std::optional<std::string_view> Scheme;
    std::optional<std::string_view> Authority;
    std::string_view Path;
    std::optional<std::string_view> Query;
    std::optional<std::string_view> Fragment;
};

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
    return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The split of RFC 3986, appendix B.
TUrlParts Split(std::string_view s) {
    TUrlParts p;
    std::size_t colon = s.find(':');
    if (colon != std::string_view::npos && colon > 0 && IsAlpha(s[0]) &&
        s.find_first_of("/?#") > colon) {
        bool ok = true;
        for (std::size_t i = 0; i < colon; ++i)
            ok = ok && IsSchemeChar(s[i]);
        if (ok) {
            p.Scheme = s.substr(0, colon);
            s.remove_prefix(colon + 1);
        }
    }
    if (auto hash = s.find('#'); hash != std::string_view::npos) {
        p.Fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    if (auto question = s.find('?'); question != std::string_view::npos) {
        p.Query = s.substr(question + 1);
        s = s.substr(0, question);
    }
    if (s.substr(0, 2) == "//") {
        std::size_t slash = s.find('/', 2);
        p.Authority = s.substr(2, slash == std::string_view::npos ? slash : slash - 2);
        s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
    }
    p.Path = s;
    return p;
}

// RFC 3986, section 5.2.4.
std::string RemoveDotSegments(std::string_view in) {
    std::vector<std::string_view> segments;
    bool absolute = !in.empty() && in.front() == '/';
    std::string_view rest = absolute ? in.substr(1) : in;
    bool trailingSlash = false;
    while (true) {
        std::size_t slash = rest.find('/');
        std::string_view seg = rest.substr(0, slash);
        bool last = slash == std::string_view::npos;
        if (seg == "..") {
            if (!segments.empty())
                segments.pop_back();
            trailingSlash = true;
        } else if (seg == ".") {
            trailingSlash = true;
        } else {
            segments.push_back(seg);
            trailingSlash = false;
        }
        if (last)
            break;
        rest.remove_prefix(slash + 1);
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            out += '/';
        out += segments[i];
    }
    if (trailingSlash && !segments.empty())
        out += '/';
    return out;
}

std::string Merge(const TUrlParts& base, std::string_view ref) {
    if (base.Authority && base.Path.empty())
        return "/" + std::string(ref);
    std::size_t slash = base.Path.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(ref);
    return std::string(base.Path.substr(0, slash + 1)) + std::string(ref);
}

std::string Join(const std::optional<std::string_view>& scheme,
                 const std::optional<std::string_view>& authority, std::string_view path,
                 const std::optional<std::string_view>& query,
                 const std::optional<std::string_view>& fragment) {
    std::string out;
    if (scheme) {
        out += *scheme;
        out += ':';
    }
    if (authority) {
        out += "//";
        out += *authority;
    }
    out += path;
    if (query) {
        out += '?';
        out += *query;
    }
    if (fragment) {
        out += '#';
        out += *fragment;
    }
    return out;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsUrlByte(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F)
        return false;
    switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return false;
    default:
        return true;
    }
}

} // namespace

std::string ResolveUrl(std::string_view base, std::string_view ref) {
    TUrlParts r = Split(ref);
    if (r.Scheme) {
        std::string path = RemoveDotSegments(r.Path);
        return Join(r.Scheme, r.Authority, path, r.Query, r.Fragment);
    }
    TUrlParts b = Split(base);
    if (!b.Scheme)
        return {};
    if (r.Authority)
        return Join(b.Scheme, r.Authority, RemoveDotSegments(r.Path), r.Query, r.Fragment);
    if (r.Path.empty())
        return Join(b.Scheme, b.Authority, b.Path, r.Query ? r.Query : b.Query, r.Fragment);
    std::string path =
        r.Path.front() == '/' ? RemoveDotSegments(r.Path) : RemoveDotSegments(Merge(b, r.Path));
    return Join(b.Scheme, b.Authority, path, r.Query, r.Fragment);
}

std::string UrlHost(std::string_view url) {
    TUrlParts p = Split(url);
    if (!p.Authority)
        return {};
    std::string_view host = *p.Authority;
    if (auto at = host.rfind('@'); at != std::string_view::npos)
        host.remove_prefix(at + 1);
    if (!host.empty() && host.front() == '[') {
        std::size_t close = host.find(']');
        return close == std::string_view::npos ? std::string()
                                               : std::string(host.substr(0, close + 1));
    }
    host = host.substr(0, host.find(':'));
    std::string out(host);
    for (char& c : out)
        c = Lower(c);
    return out;
}

std::string WebLink(std::string_view base, std::string_view ref) {
    // Surrounding whitespace is dropped, and tabs and line breaks inside, as browsers do.
    std::string cleaned;
    for (char c : ref)
        if (c != '\t' && c != '\n' && c != '\r')
            cleaned += c;
    std::size_t first = cleaned.find_first_not_of(' ');
    std::size_t last = cleaned.find_last_not_of(' ');
    if (first == std::string::npos)
        return {};
    cleaned = cleaned.substr(first, last - first + 1);
    std::string encoded;
    for (unsigned char c : cleaned) {
        if (c < 0x20 || c == 0x7F)
            return {};
        if (IsUrlByte(c)) {
            encoded += static_cast<char>(c);
        } else {
            static constexpr char Digits[] = "0123456789ABCDEF";
            encoded += '%';
            encoded += Digits[c >> 4];
            encoded += Digits[c & 0x0F];
        }
    }
    if (encoded.size() > MaxLinkBytes)
        return {};
    std::string url = ResolveUrl(base, encoded);
    TUrlParts p = Split(url);
    if (!p.Scheme)
        return {};
    std::string scheme(*p.Scheme);
    for (char& c : scheme)
        c = Lower(c);
    if ((scheme != "http" && scheme != "https") || UrlHost(url).empty() ||
        url.size() > MaxLinkBytes)
        return {};
    return scheme + url.substr(p.Scheme->size());
}

} // namespace news::feeds
