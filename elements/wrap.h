// Word wrapping of headlines and summaries, and the cut that keeps them to what the card shows.
#pragma once

#include <cstddef>
#include <string>

namespace elements {

// Breaks Line after the last break character that keeps each line within MaxCol columns and
// inserts BreakStr there. Existing BreakStr sequences stay, a word longer than MaxCol is never
// split, and text between two '|' is never broken. One column per character. The work is
// linear in the length of Line; when Steps is given, the number of characters looked at is
// added to it.
std::u16string WrapText(const std::u16string& Line, const std::u16string& BreakStr,
                        const std::u16string& BreakChars, int MaxCol, std::size_t* Steps = nullptr);

// The wrap the news list applies to its texts: CR LF, and TAB, space, '-' and '.'.
std::u16string WrapNewsText(const std::u16string& Text, int MaxCol, std::size_t* Steps = nullptr);

// What a cut text ends with.
constexpr char16_t Ellipsis = u'\u2026';

// The length Text may be cut to so that it keeps at most MaxChars characters (code points) and
// no character as a reader sees it (a letter with its marks, an emoji sequence, a flag) is
// split; Text.size() when Text is short enough already.
std::size_t CharacterCut(const std::u16string& Text, std::size_t MaxChars);

} // namespace elements
