// Reading the local news document (root r, one n element per item) into the news list's items,
// and the table that turns an item's section number into its label.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"

namespace elements {

// Columns the headline and the summary are wrapped at.
constexpr int TitleColumns = 50;
constexpr int SummaryColumns = 60;

// Characters of a headline and a summary the card keeps; a longer text is cut there (at the
// edge of a whole character) and ends in an ellipsis.
constexpr std::size_t MaxTitleChars = 300;
constexpr std::size_t MaxSummaryChars = 600;

// One news item as the list shows it.
struct TElement {
    std::u16string Title;   // wrapped
    std::u16string Summary; // wrapped
    std::string Id;
    std::string Section;
    std::string Link; // URL-decoded
    std::string Date; // not filled by the reader
    // The headline's rectangle, set by layout and painting; the list measures its width (Right)
    // only once the item comes near the shown part or under the pointer.
    platform::TRect HitRect;
    // Set by painting: the boxes of the headline's drawn lines, and the label's rectangle.
    std::vector<platform::TRect> HeadlineLines;
    platform::TRect LabelRect;
};

using TElementList = std::vector<std::unique_ptr<TElement>>;

// Loads Path and, only when it parses, replaces Items with its items. An item whose fields
// cannot be read (a broken link escape) ends the reading: the items before it stay. Returns
// false, leaving Items untouched, when the document does not load.
bool ReadNewsDocument(const std::u16string& Path, TElementList& Items);

// The same from the document's text, for callers that already hold it.
bool ReadNewsText(const std::string& Text, TElementList& Items);

// Number of known sections and the first string id of their names.
constexpr int SectionCount = 12;
constexpr int SectionNameBaseId = 400;

// Position of Section in the section table (exact match), or -1.
int SectionIndex(const std::string& Section);

} // namespace elements
