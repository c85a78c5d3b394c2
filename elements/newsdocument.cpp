#include "elements/newsdocument.h"

#include <exception>

#include <pugixml.hpp>

#include "elements/textconv.h"
#include "elements/wrap.h"
#include "news/feed.h"

namespace elements {

namespace {

const char* const SectionNumbers[SectionCount] = {
    "24927681", "24927412", "24927361", "24928011", "24927532", "24927482",
    "25042599", "24928008", "24928015", "24996390", "24927997", "24928019",
};

std::string Attribute(const pugi::xml_node& Node, const char* Name) {
    const pugi::xml_attribute a = Node.attribute(Name);
    return a ? std::string(a.value()) : std::string();
}

void ReadItems(const pugi::xml_document& Doc, TElementList& Items) {
    Items.clear();
    try {
        for (const pugi::xpath_node& x : Doc.select_nodes("/r/n")) {
            const pugi::xml_node node = x.node();
            auto item = std::make_unique<TElement>();
            item->Title = WrapNewsText(Utf8ToUtf16(Attribute(node, "t")), TitleColumns);
            item->Summary = WrapNewsText(Utf8ToUtf16(Attribute(node, "s")), SummaryColumns);
            item->Link = news::DecodeUrl(Attribute(node, "u"));
            item->Id = Attribute(node, "i");
            item->Section = Attribute(node, "si");
            Items.push_back(std::move(item));
        }
    } catch (const std::exception&) {
        // A malformed link ends this load; what was read before it is still worth showing.
    }
}

} // namespace

bool ReadNewsDocument(const std::u16string& Path, TElementList& Items) {
    pugi::xml_document doc;
    if (!doc.load_file(Utf16ToUtf8(Path).c_str()))
        return false;
    ReadItems(doc, Items);
    return true;
}

bool ReadNewsText(const std::string& Text, TElementList& Items) {
    pugi::xml_document doc;
    if (!doc.load_buffer(Text.data(), Text.size()))
        return false;
    ReadItems(doc, Items);
    return true;
}

int SectionIndex(const std::string& Section) {
    for (int i = 0; i < SectionCount; ++i)
        if (Section == SectionNumbers[i])
            return i;
    return -1;
}

} // namespace elements
