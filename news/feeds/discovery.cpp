#include "news/feeds/discovery.h"

#include "news/feeds/charset.h"
#include "news/feeds/text.h"
#include "news/feeds/url.h"

#include <gumbo.h>

#include <unordered_set>
#include <vector>

namespace news::feeds {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerTrimmed(std::string_view s) {
    std::size_t first = s.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos)
        return {};
    std::size_t last = s.find_last_not_of(" \t\r\n\f");
    std::string out(s.substr(first, last - first + 1));
    for (char& c : out)
        c = Lower(c);
    return out;
}

std::size_t FindNoCase(std::string_view hay, std::string_view needle) {
    for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string::npos;
}

bool HasToken(std::string_view list, std::string_view token) {
    std::string lower = LowerTrimmed(list);
    std::string_view rest = lower;
    while (!rest.empty()) {
        std::size_t space = rest.find_first_of(" \t\r\n\f");
        if (rest.substr(0, space) == token)
            return true;
        if (space == std::string_view::npos)
            break;
        rest = rest.substr(space + 1);
    }
    return false;
}

TFeedFormat FormatOfType(std::string_view type) {
    std::string t = LowerTrimmed(type.substr(0, type.find(';')));
    if (t == "application/rss+xml")
        return TFeedFormat::Rss;
    if (t == "application/rdf+xml")
        return TFeedFormat::Rdf;
    if (t == "application/atom+xml")
        return TFeedFormat::Atom;
    if (t == "application/feed+json")
        return TFeedFormat::JsonFeed;
    return TFeedFormat::None;
}

const char* Attribute(const GumboElement& e, const char* name) {
    const GumboAttribute* a = gumbo_get_attribute(&e.attributes, name);
    return a ? a->value : nullptr;
}

struct TGumboPage {
    explicit TGumboPage(std::string_view html) {
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = 0;
        Output = gumbo_parse_with_options(&options, html.data(), html.size());
    }
    ~TGumboPage() { gumbo_destroy_output(&kGumboDefaultOptions, Output); }
    TGumboPage(const TGumboPage&) = delete;
    TGumboPage& operator=(const TGumboPage&) = delete;

    GumboOutput* Output;
};

} // namespace

std::vector<TDiscoveredFeed> DiscoverFeeds(std::string_view html, std::string_view pageUrl,
                                           std::string_view contentType) {
    std::string text = ToUtf8(html.substr(0, MaxDiscoveryBytes), contentType);
    text.resize(LeadingMarkup(text, MaxDiscoveryTags).size());
    std::size_t headEnd = FindNoCase(text, "</head");
    if (headEnd != std::string::npos)
        text.resize(headEnd);
    TGumboPage page(text);
    std::vector<TDiscoveredFeed> found;
    if (!page.Output)
        return found;
    // The document's base is its first <base href>, wherever it stands.
    std::string base;
    std::vector<const GumboNode*> links;
    std::vector<const GumboNode*> stack{page.Output->document};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT) {
            children = &node->v.document.children;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboElement& e = node->v.element;
            if (e.tag == GUMBO_TAG_BASE && base.empty())
                if (const char* href = Attribute(e, "href"))
                    base = WebLink(pageUrl, href);
            if (e.tag == GUMBO_TAG_LINK)
                links.push_back(node);
            children = &e.children;
        }
        if (children)
            for (unsigned i = children->length; i > 0; --i)
                stack.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
    }
    if (base.empty())
        base = std::string(pageUrl);
    std::unordered_set<std::string> seen;
    for (const GumboNode* node : links) {
        const GumboElement& e = node->v.element;
        const char* rel = Attribute(e, "rel");
        const char* type = Attribute(e, "type");
        const char* href = Attribute(e, "href");
        if (!rel || !type || !href || !HasToken(rel, "alternate"))
            continue;
        TFeedFormat format = FormatOfType(type);
        if (format == TFeedFormat::None)
            continue;
        std::string url = WebLink(base, href);
        if (url.empty() || !seen.insert(url).second)
            continue;
        const char* title = Attribute(e, "title");
        found.push_back({url, CutText(CleanText(title ? title : ""), MaxTitleChars), format});
    }
    return found;
}

} // namespace news::feeds
