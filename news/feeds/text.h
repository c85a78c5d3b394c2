// The plain text the list shows, made from what feeds put in titles and summaries: HTML with
// every HTML5 entity and any amount of broken markup (gumbo parses it as a browser would),
// control characters, odd whitespace, and texts far longer than a headline.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace news::feeds {

// Only this much of one text is ever handed to the HTML parser, and only up to this many tags:
// the HTML5 tree builder's work grows with the square of the nesting depth, so a few thousand
// nested elements would cost seconds, while a headline or summary needs a few tags at most.
constexpr std::size_t MaxHtmlInput = 64u * 1024u;
constexpr std::size_t MaxHtmlTags = 256;

// Tags dropped (scripts, styles and the like with their content), entities decoded, block
// boundaries kept as spaces, then CleanText.
std::string HtmlToText(std::string_view html);

// Repaired UTF-8 without control characters or non-characters, every run of whitespace (the
// no-break space included) one space, no space at either end.
std::string CleanText(std::string_view text);

// At most maxChars characters: a longer text is cut after its last whole word that leaves room
// for a closing "…" (or inside a word that is longer than half the room).
std::string CutText(std::string_view text, std::size_t maxChars);

// The start of html up to (not including) its (maxTags + 1)-th "<".
std::string_view LeadingMarkup(std::string_view html, std::size_t maxTags);

// Characters (code points) of UTF-8 text.
std::size_t CharCount(std::string_view text);

} // namespace news::feeds
