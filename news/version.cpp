#include "news/version.h"

#include <algorithm>
#include <pugixml.hpp>

namespace news {

namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// All text below a node in document order, as a DOM's text of an element gives it.
void CollectText(const pugi::xml_node& node, std::string& out) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            out += child.value();
        else if (child.type() == pugi::node_element)
            CollectText(child, out);
    }
}

} // namespace

std::string ReadVersion(std::string_view document) {
    pugi::xml_document doc;
    if (!doc.load_buffer(document.data(), document.size()))
        return std::string();
    pugi::xml_node version = doc.child("data").child("version");
    if (!version)
        return std::string();
    std::string text;
    CollectText(version, text);
    // The document is often hand-edited: a version on its own line must still compare equal.
    auto first = std::find_if_not(text.begin(), text.end(), IsXmlSpace);
    auto last = std::find_if_not(text.rbegin(), text.rend(), IsXmlSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

bool IsNewerVersion(std::string_view version, std::string_view own) {
    return std::lexicographical_compare(
        own.begin(), own.end(), version.begin(), version.end(), [](char a, char b) {
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        });
}

} // namespace news
