// RSS 2.0 and 0.9x, RSS 1.0 and Atom through pugixml. pugixml never reads a DTD: a DOCTYPE is
// skipped whole, so neither external entities nor entity expansion bombs can do anything, and
// an undeclared entity simply stays as text.
#include "news/feeds/parser_internal.h"
#include "news/feeds/url.h"

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace news::feeds::detail {

namespace {

constexpr std::string_view AtomNs = "http://www.w3.org/2005/Atom";
constexpr std::string_view Rss10Ns = "http://purl.org/rss/1.0/";
constexpr std::string_view Rss090Ns = "http://my.netscape.com/rdf/simple/0.9/";
constexpr std::string_view RdfNs = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view DcNs = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view ContentNs = "http://purl.org/rss/1.0/modules/content/";

std::string_view LocalName(const pugi::xml_node& node) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view PrefixOf(const pugi::xml_node& node) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon + 1);
}

// The prefix (with its colon) the root binds to a namespace, "" for the default namespace, or
// fallback when the root does not declare it.
std::string NsPrefix(const pugi::xml_node& root, std::string_view uri, std::string_view fallback) {
    for (const pugi::xml_attribute& a : root.attributes()) {
        std::string_view name = a.name();
        if (a.value() != uri)
            continue;
        if (name == "xmlns")
            return {};
        if (name.substr(0, 6) == "xmlns:")
            return std::string(name.substr(6)) + ":";
    }
    return std::string(fallback);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view prefix, std::string_view local) {
    for (const pugi::xml_node& c : node.children()) {
        std::string_view name = c.name();
        if (c.type() == pugi::node_element && name.size() == prefix.size() + local.size() &&
            name.substr(0, prefix.size()) == prefix && name.substr(prefix.size()) == local)
            return c;
    }
    return {};
}

struct TStringWriter : pugi::xml_writer {
    void write(const void* data, size_t size) override {
        Out.append(static_cast<const char*>(data), size);
    }
    std::string Out;
};

// What an element holds, as text: its character data when that is all it has (escaped HTML
// arrives this way, in CDATA or not), else its children written back as markup.
std::string Content(const pugi::xml_node& node) {
    bool markup = false;
    for (const pugi::xml_node& c : node.children())
        markup = markup || c.type() == pugi::node_element;
    std::string out;
    if (!markup) {
        for (const pugi::xml_node& c : node.children())
            if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
                out += c.value();
        return out;
    }
    TStringWriter writer;
    for (const pugi::xml_node& c : node.children())
        c.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.Out);
}

std::string Trimmed(std::string text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsAbsoluteWeb(std::string_view text) {
    std::string head(text.substr(0, 8));
    for (char& c : head)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

// The base address in force at node: the feed's address with every xml:base from the root
// down applied in turn.
std::string BaseOf(const pugi::xml_node& node, std::string_view feedUrl) {
    std::vector<std::string_view> bases;
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent())
        if (pugi::xml_attribute a = n.attribute("xml:base"))
            bases.push_back(a.value());
    std::string base(feedUrl);
    for (auto it = bases.rbegin(); it != bases.rend(); ++it) {
        std::string resolved = ResolveUrl(base, Trimmed(std::string(*it)));
        if (!resolved.empty())
            base = std::move(resolved);
    }
    return base;
}

// An Atom text construct: type "text" (the default) is plain, "html" escaped markup, "xhtml"
// a div of markup.
void AtomText(const pugi::xml_node& node, std::string& text, bool& isHtml) {
    std::string_view type = node.attribute("type").value();
    isHtml = type.find("html") != std::string_view::npos;
    if (isHtml) {
        text = Content(node);
        return;
    }
    text.clear();
    for (const pugi::xml_node& c : node.children())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            text += c.value();
}

// Walks the item elements under parents in order, at most MaxFeedItems of them.
template <typename TRead>
void ReadItems(const std::vector<pugi::xml_node>& parents, std::string_view prefix,
               std::string_view name, TFeed& feed, TRead read) {
    std::size_t seen = 0;
    for (const pugi::xml_node& parent : parents) {
        for (const pugi::xml_node& c : parent.children()) {
            if (c.type() != pugi::node_element || LocalName(c) != name || PrefixOf(c) != prefix)
                continue;
            if (seen == MaxFeedItems) {
                feed.Truncated = true;
                return;
            }
            ++seen;
            TFeedItem item;
            if (read(c, item))
                feed.Items.push_back(std::move(item));
        }
    }
}

struct TRssNames {
    std::string Item;    // prefix of title, link, description, item
    std::string Dc;      // Dublin Core
    std::string Content; // content:encoded
    std::string Atom;    // atom:link inside RSS
    std::string Rdf;
};

bool ReadRssItem(const pugi::xml_node& node, const TRssNames& ns, std::string_view feedUrl,
                 TFeedItem& item) {
    TRawItem raw;
    raw.Title = Content(Child(node, ns.Item, "title"));
    raw.Summary = Content(Child(node, ns.Item, "description"));
    if (Trimmed(raw.Summary).empty())
        raw.Summary = Content(Child(node, ns.Content, "encoded"));
    raw.Link = Trimmed(Child(node, ns.Item, "link").child_value());
    pugi::xml_node guid = Child(node, ns.Item, "guid");
    raw.Id = Trimmed(guid.child_value());
    if (raw.Id.empty())
        raw.Id = Trimmed(node.attribute((ns.Rdf + "about").c_str()).value());
    // A permanent-link guid is the link when the item has none of its own; many feeds leave
    // isPermaLink at its default on ids that are no address at all, so only an absolute web
    // address counts.
    if (raw.Link.empty() && guid &&
        std::string_view(guid.attribute("isPermaLink").value()) != "false" && IsAbsoluteWeb(raw.Id))
        raw.Link = raw.Id;
    if (raw.Link.empty())
        if (pugi::xml_node atomLink = Child(node, ns.Atom, "link"))
            raw.Link = Trimmed(atomLink.attribute("href").value());
    raw.Date = Child(node, ns.Item, "pubDate").child_value();
    if (Trimmed(raw.Date).empty())
        raw.Date = Child(node, ns.Dc, "date").child_value();
    return FinishItem(raw, BaseOf(node, feedUrl), item);
}

TFeed ReadRss(const pugi::xml_node& root, TFeedFormat format, std::string_view feedUrl) {
    TFeed feed;
    feed.Status = TFeedStatus::Ok;
    feed.Format = format;
    TRssNames ns;
    if (format == TFeedFormat::Rdf)
        ns.Item = NsPrefix(root, Rss10Ns, NsPrefix(root, Rss090Ns, ""));
    ns.Dc = NsPrefix(root, DcNs, "dc:");
    ns.Content = NsPrefix(root, ContentNs, "content:");
    ns.Atom = NsPrefix(root, AtomNs, "atom:");
    ns.Rdf = NsPrefix(root, RdfNs, "rdf:");
    pugi::xml_node channel = Child(root, ns.Item, "channel");
    feed.Title = FeedTitle(Content(Child(channel, ns.Item, "title")), true, feedUrl);
    // RSS 2.0 keeps its items in the channel; RSS 1.0 and some 0.9x feeds beside it.
    std::vector<pugi::xml_node> parents;
    if (channel)
        parents.push_back(channel);
    parents.push_back(root);
    ReadItems(parents, ns.Item, "item", feed, [&](const pugi::xml_node& n, TFeedItem& item) {
        return ReadRssItem(n, ns, feedUrl, item);
    });
    return feed;
}

std::string AtomLink(const pugi::xml_node& entry, std::string_view ns, std::string_view feedUrl) {
    pugi::xml_node chosen;
    for (const pugi::xml_node& c : entry.children()) {
        if (c.type() != pugi::node_element || LocalName(c) != "link" || PrefixOf(c) != ns)
            continue;
        std::string_view rel = c.attribute("rel").value();
        if (!rel.empty() && rel != "alternate")
            continue;
        std::string_view type = c.attribute("type").value();
        bool page = type.empty() || type.find("html") != std::string_view::npos;
        if (page) {
            chosen = c;
            break;
        }
        if (!chosen)
            chosen = c;
    }
    if (!chosen)
        return {};
    return ResolveUrl(BaseOf(chosen, feedUrl), Trimmed(chosen.attribute("href").value()));
}

bool ReadAtomEntry(const pugi::xml_node& node, const std::string& ns, std::string_view feedUrl,
                   TFeedItem& item) {
    TRawItem raw;
    AtomText(Child(node, ns, "title"), raw.Title, raw.TitleIsHtml);
    pugi::xml_node summary = Child(node, ns, "summary");
    if (!summary || Trimmed(Content(summary)).empty())
        summary = Child(node, ns, "content");
    if (summary && !summary.attribute("src"))
        AtomText(summary, raw.Summary, raw.SummaryIsHtml);
    raw.Link = AtomLink(node, ns, feedUrl);
    raw.Id = Trimmed(Child(node, ns, "id").child_value());
    // Atom 1.0 names, then those of the older 0.3 drafts.
    for (const char* name : {"published", "updated", "issued", "modified", "created"}) {
        raw.Date = Child(node, ns, name).child_value();
        if (!Trimmed(raw.Date).empty())
            break;
    }
    return FinishItem(raw, BaseOf(node, feedUrl), item);
}

TFeed ReadAtom(const pugi::xml_node& root, std::string_view feedUrl) {
    TFeed feed;
    feed.Status = TFeedStatus::Ok;
    feed.Format = TFeedFormat::Atom;
    std::string ns(PrefixOf(root));
    std::string title;
    bool isHtml = false;
    AtomText(Child(root, ns, "title"), title, isHtml);
    feed.Title = FeedTitle(title, isHtml, feedUrl);
    ReadItems({root}, ns, "entry", feed, [&](const pugi::xml_node& n, TFeedItem& item) {
        return ReadAtomEntry(n, ns, feedUrl, item);
    });
    return feed;
}

TFeedFormat RootFormat(const pugi::xml_node& root) {
    std::string_view name = LocalName(root);
    if (name == "rss")
        return TFeedFormat::Rss;
    if (name == "RDF")
        return TFeedFormat::Rdf;
    if (name == "feed")
        return TFeedFormat::Atom;
    return TFeedFormat::None;
}

} // namespace

TFeed ParseXmlFeed(const std::string& text, std::string_view feedUrl) {
    TFeed feed;
    pugi::xml_document doc;
    pugi::xml_parse_result result =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    pugi::xml_node root = doc.document_element();
    TFeedFormat format = RootFormat(root);
    if (format == TFeedFormat::None)
        return feed;
    if (!result) {
        feed.Status = TFeedStatus::Malformed;
        return feed;
    }
    if (format == TFeedFormat::Atom)
        return ReadAtom(root, feedUrl);
    return ReadRss(root, format, feedUrl);
}

} // namespace news::feeds::detail
