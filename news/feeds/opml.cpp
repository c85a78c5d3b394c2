#include "news/feeds/opml.h"

#include "news/feeds/url.h"

#include <pugixml.hpp>

#include <cstring>
#include <set>
#include <sstream>

namespace news::feeds {

namespace {

bool NameIs(const char* name, const char* wanted) {
    return strcasecmp(name, wanted) == 0;
}

// Attribute names differ in case between the readers that wrote the file ("xmlUrl", "xmlurl").
pugi::xml_attribute Attribute(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (NameIs(a.name(), name))
            return a;
    return {};
}

// Document order without recursion, so the depth of the nesting costs no stack.
pugi::xml_node NextInOrder(pugi::xml_node node, const pugi::xml_node& root) {
    if (pugi::xml_node child = node.first_child())
        return child;
    while (node && node != root) {
        if (pugi::xml_node sibling = node.next_sibling())
            return sibling;
        node = node.parent();
    }
    return {};
}

} // namespace

TOpmlList ReadOpml(std::string_view text) {
    TOpmlList list;
    if (text.size() > MaxOpmlBytes) {
        list.Status = TOpmlStatus::TooLarge;
        return list;
    }
    pugi::xml_document doc;
    // Without parse_doctype the declaration and its entities are passed over; references to
    // them stay as they are written.
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        list.Status = TOpmlStatus::Malformed;
        return list;
    }
    const pugi::xml_node opml = doc.document_element();
    if (!opml || !NameIs(opml.name(), "opml")) {
        list.Status = TOpmlStatus::NotOpml;
        return list;
    }
    list.Status = TOpmlStatus::Ok;
    std::set<std::string> seen;
    for (pugi::xml_node node = opml.first_child(); node; node = NextInOrder(node, opml)) {
        if (node.type() != pugi::node_element || !NameIs(node.name(), "outline"))
            continue;
        const pugi::xml_attribute xmlUrl = Attribute(node, "xmlUrl");
        if (!xmlUrl)
            continue; // a folder of outlines
        std::string url = WebLink({}, xmlUrl.value());
        if (url.empty()) {
            ++list.Refused;
            continue;
        }
        if (!seen.insert(url).second) {
            ++list.Duplicates;
            continue;
        }
        TOpmlFeed feed;
        feed.Url = std::move(url);
        const pugi::xml_attribute title = Attribute(node, "title");
        feed.Title = title ? title.value() : Attribute(node, "text").value();
        list.Feeds.push_back(std::move(feed));
    }
    return list;
}

std::string WriteOpml(const std::vector<TOpmlFeed>& feeds, std::string_view title) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node opml = doc.append_child("opml");
    opml.append_attribute("version") = "2.0";
    opml.append_child("head").append_child("title").text() = std::string(title).c_str();
    pugi::xml_node body = opml.append_child("body");
    for (const TOpmlFeed& feed : feeds) {
        pugi::xml_node outline = body.append_child("outline");
        const std::string name = feed.Title.empty() ? UrlHost(feed.Url) : feed.Title;
        outline.append_attribute("type") = "rss";
        outline.append_attribute("text") = name.c_str();
        outline.append_attribute("title") = name.c_str();
        outline.append_attribute("xmlUrl") = feed.Url.c_str();
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace news::feeds
