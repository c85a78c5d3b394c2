// Any bytes as news.xml: reading never fails in another way than refusing the document, keeps
// at most the list's number of items, and keeps each headline and summary to what the card
// shows, cut on a character boundary.
#include "elements/newsdocument.h"
#include "fuzz_check.h"
#include "news/feed.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using fuzz::Check;

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void CheckCardText(const std::u16string& Text, std::size_t MaxChars) {
    std::u16string plain;
    for (char16_t c : Text)
        if (c != u'\r' && c != u'\n')
            plain += c;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (IsHigh(plain[i]) && i + 1 < plain.size() && IsLow(plain[i + 1]))
            ++i;
        ++chars;
    }
    // The cut keeps at most MaxChars characters and adds the ellipsis. Decoding turns broken
    // UTF-8 into U+FFFD, never into a lone surrogate, so none may appear after the cut either.
    Check(chars <= MaxChars + 1, "card text longer than the card keeps");
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (IsHigh(plain[i])) {
            Check(i + 1 < plain.size() && IsLow(plain[i + 1]), "cut inside a surrogate pair");
            ++i;
        } else {
            Check(!IsLow(plain[i]), "lone low surrogate");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string text(reinterpret_cast<const char*>(Data), Size);
    elements::TElementList items;
    items.push_back(std::make_unique<elements::TElement>());
    items.back()->Id = "old";
    if (!elements::ReadNewsText(text, items)) {
        Check(items.size() == 1 && items[0]->Id == "old", "a refused document changed the items");
        return 0;
    }
    Check(items.size() <= news::MaxNewsItems, "more items than the list keeps");
    for (const auto& item : items) {
        CheckCardText(item->Title, elements::MaxTitleChars);
        CheckCardText(item->Summary, elements::MaxSummaryChars);
    }
    return 0;
}
