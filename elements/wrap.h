// Word wrapping of headlines and summaries.
#pragma once

#include <string>

namespace elements {

// Breaks Line after the last break character that keeps each line within MaxCol columns and
// inserts BreakStr there. Existing BreakStr sequences stay, a word longer than MaxCol is never
// split, and text between two '|' is never broken. One column per character.
std::u16string WrapText(const std::u16string& Line, const std::u16string& BreakStr,
                        const std::u16string& BreakChars, int MaxCol);

// The wrap the news list applies to its texts: CR LF, and TAB, space, '-' and '.'.
std::u16string WrapNewsText(const std::u16string& Text, int MaxCol);

} // namespace elements
