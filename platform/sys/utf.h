// UTF-8 <-> UTF-16 for the edges of the program: file names, documents, resources and Pango.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// How much of a broken UTF-8 sequence one U+FFFD stands for.
enum class TUtf8Replacement {
    // One per byte that does not start a well-formed sequence.
    EachByte,
    // One per longest prefix that could still have become well-formed (the Unicode
    // recommendation).
    MaximalSubpart,
    // One for a lead byte together with the continuation bytes that follow it, up to the
    // length the lead announces, even when the value turns out overlong or a surrogate.
    WholeSequence,
};

// Never fails: malformed input turns into U+FFFD by Rule. NUL bytes pass through.
std::u16string Utf8ToUtf16(std::string_view Text, TUtf8Replacement Rule);

// Unpaired surrogates become U+FFFD; NUL passes through.
std::string Utf16ToUtf8(std::u16string_view Text);

} // namespace platform
