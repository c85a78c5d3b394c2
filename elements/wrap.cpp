#include "elements/wrap.h"

#include <unicode/ubrk.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace elements {

namespace {

constexpr char16_t QuoteChar = u'|';

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

struct TBreakIteratorCloser {
    void operator()(UBreakIterator* it) const { ubrk_close(it); }
};

} // namespace

std::u16string WrapText(const std::u16string& Line, const std::u16string& BreakStr,
                        const std::u16string& BreakChars, int MaxCol, std::size_t* Steps) {
    // Zero-based positions; the algorithm is a character scan that re-reads the characters
    // after each break so that the column count restarts cleanly.
    const std::size_t len = Line.size();
    const std::size_t breakLen = BreakStr.size();
    auto isBreakChar = [&](char16_t c) { return BreakChars.find(c) != std::u16string::npos; };
    auto breakStrAt = [&](std::size_t p) {
        return breakLen > 0 && Line.compare(p, breakLen, BreakStr) == 0;
    };
    static const std::u16string crlf = u"\r\n";

    // After a break the run of break characters and CR LF pairs that follows is looked over.
    // Scanning it afresh at every break costs the square of a long run (a line of dots), so the
    // end of the run from each position, and whether its last element was a CR LF, are worked
    // out once, from the back.
    constexpr std::uint8_t RunEmpty = 0, RunEndsInBreakChar = 1, RunEndsInCrLf = 2;
    std::vector<std::size_t> runEnd(len + 1);
    std::vector<std::uint8_t> runLast(len + 1, RunEmpty);
    std::size_t steps = 0;
    runEnd[len] = len;
    for (std::size_t p = len; p-- > 0;) {
        ++steps;
        runEnd[p] = p;
        if (isBreakChar(Line[p])) {
            runEnd[p] = runEnd[p + 1];
            runLast[p] = runEnd[p + 1] == p + 1 ? RunEndsInBreakChar : runLast[p + 1];
        } else if (Line.compare(p, crlf.size(), crlf) == 0) {
            runEnd[p] = runEnd[p + 2];
            runLast[p] = runEnd[p + 2] == p + 2 ? RunEndsInCrLf : runLast[p + 2];
        }
    }

    std::u16string result;
    result.reserve(len + len / 8);
    int col = 1;
    std::size_t pos = 0;
    std::size_t lineStart = 0;
    // Break position as a count: the line ends just before index breakEnd; 0 means none yet.
    std::size_t breakEnd = 0;
    bool quoted = false;
    bool existingBreak = false;

    while (pos < len) {
        ++steps;
        const char16_t cur = Line[pos];
        if (cur == QuoteChar) {
            quoted = !quoted;
        } else if (!quoted) {
            if (breakStrAt(pos)) {
                existingBreak = true;
                pos += breakLen - 1;
                breakEnd = pos + 1;
            } else if (isBreakChar(cur)) {
                breakEnd = pos + 1;
            }
        }
        ++pos;
        // The second half of a surrogate pair takes no column of its own.
        if (!(IsLowSurrogate(cur) && pos >= 2 && IsHighSurrogate(Line[pos - 2])))
            ++col;
        if (quoted)
            continue;
        if (existingBreak || (col > MaxCol && breakEnd > lineStart + 1)) {
            result.append(Line, lineStart, breakEnd - lineStart);
            col = 1;
            if (cur != QuoteChar && pos < len) {
                // Each break character clears the existing-break mark, each CR LF sets it.
                if (runLast[pos] != RunEmpty)
                    existingBreak = runLast[pos] == RunEndsInCrLf;
                pos = runEnd[pos];
            }
            if (pos < len && !existingBreak)
                result += BreakStr;
            lineStart = breakEnd;
            pos = lineStart;
            existingBreak = false;
        }
    }
    result.append(Line, lineStart, std::u16string::npos);
    if (Steps)
        *Steps += steps;
    return result;
}

std::u16string WrapNewsText(const std::u16string& Text, int MaxCol, std::size_t* Steps) {
    return WrapText(Text, u"\r\n", u"\t -.", MaxCol, Steps);
}

std::size_t CharacterCut(const std::u16string& Text, std::size_t MaxChars) {
    std::size_t at = 0;
    for (std::size_t chars = 0; at < Text.size() && chars < MaxChars; ++chars)
        at += IsHighSurrogate(Text[at]) && at + 1 < Text.size() && IsLowSurrogate(Text[at + 1]) ? 2
                                                                                                : 1;
    if (at >= Text.size())
        return Text.size();
    // The grapheme rules look only a few characters past a position, so the text up to a
    // little beyond the cut is all the iterator needs.
    constexpr std::size_t Context = 64;
    const auto length = static_cast<int32_t>(std::min(Text.size(), at + Context));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UBreakIterator, TBreakIteratorCloser> it(
        ubrk_open(UBRK_CHARACTER, "", Text.data(), length, &status));
    if (U_FAILURE(status) || !it)
        return at; // still on a code point boundary
    const auto position = static_cast<int32_t>(at);
    if (ubrk_isBoundary(it.get(), position))
        return at;
    const int32_t before = ubrk_preceding(it.get(), position);
    return before == UBRK_DONE ? 0 : static_cast<std::size_t>(before);
}

} // namespace elements
