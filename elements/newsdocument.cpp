#include "elements/newsdocument.h"

#include <exception>
#include <string_view>

#include <pugixml.hpp>

#include "elements/textconv.h"
#include "elements/wrap.h"
#include "news/feed.h"
#include "platform/sys/atomic_file.h"

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

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The attribute's text, of at most MaxChars characters. A longer text is cut at the edge of a
// whole character as the reader sees it (a letter with its marks, an emoji sequence, a flag)
// and ends in an ellipsis, so no later step ever works on more than a screenful.
std::u16string CardText(const pugi::xml_node& Node, const char* Name, std::size_t MaxChars) {
    const pugi::xml_attribute a = Node.attribute(Name);
    if (!a)
        return {};
    std::string_view bytes = a.value();
    // No character takes more than four bytes, so this much holds more than MaxChars of them
    // and the conversion below never sees the rest.
    const std::size_t room = 4 * (MaxChars + 1);
    if (bytes.size() > room) {
        std::size_t end = room;
        for (int back = 0; back < 3 && end > 0 && IsUtf8Continuation(bytes[end]); ++back)
            --end;
        bytes = bytes.substr(0, end);
    }
    std::u16string text = Utf8ToUtf16(std::string(bytes));
    const std::size_t cut = CharacterCut(text, MaxChars);
    if (cut < text.size()) {
        text.resize(cut);
        text += Ellipsis;
    }
    return text;
}

std::unique_ptr<TElement> ReadItem(const pugi::xml_node& Node) {
    auto item = std::make_unique<TElement>();
    item->Title = WrapNewsText(CardText(Node, "t", MaxTitleChars), TitleColumns);
    item->Summary = WrapNewsText(CardText(Node, "s", MaxSummaryChars), SummaryColumns);
    item->Link = news::DecodeUrl(Attribute(Node, "u"));
    item->Id = Attribute(Node, "i");
    item->Section = Attribute(Node, "si");
    return item;
}

void ReadItems(const pugi::xml_document& Doc, TElementList& Items) {
    Items.clear();
    try {
        // The elements "/r/n" selects, read only as far as the list keeps items.
        for (const pugi::xml_node root : Doc.children("r")) {
            for (const pugi::xml_node node : root.children("n")) {
                if (Items.size() >= news::MaxNewsItems)
                    return;
                Items.push_back(ReadItem(node));
            }
        }
    } catch (const std::exception&) {
        // A malformed link ends this load; what was read before it is still worth showing.
    }
}

} // namespace

bool ReadNewsDocument(const std::u16string& Path, TElementList& Items) {
    // The widget never writes a larger document; a larger file, or anything that is not a
    // regular file (a FIFO would block for ever), is not one to show.
    std::string bytes;
    if (platform::ReadRegularFile(Utf16ToUtf8(Path), bytes, news::MaxNewsDocumentBytes) !=
        platform::TReadResult::Read)
        return false;
    return ReadNewsText(bytes, Items);
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
