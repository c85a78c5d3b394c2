#include "elements/wrap.h"

#include <cstdint>

namespace elements {

namespace {

constexpr char16_t QuoteChar = u'|';

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

} // namespace

std::u16string WrapText(const std::u16string& Line, const std::u16string& BreakStr,
                        const std::u16string& BreakChars, int MaxCol) {
    // Zero-based positions; the algorithm is a character scan that re-reads the characters
    // after each break so that the column count restarts cleanly.
    const std::size_t len = Line.size();
    const std::size_t breakLen = BreakStr.size();
    auto isBreakChar = [&](char16_t c) { return BreakChars.find(c) != std::u16string::npos; };
    auto breakStrAt = [&](std::size_t p) {
        return breakLen > 0 && Line.compare(p, breakLen, BreakStr) == 0;
    };
    static const std::u16string crlf = u"\r\n";

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
            if (cur != QuoteChar) {
                while (pos < len) {
                    if (isBreakChar(Line[pos])) {
                        ++pos;
                        existingBreak = false;
                    } else if (Line.compare(pos, crlf.size(), crlf) == 0) {
                        pos += crlf.size();
                        existingBreak = true;
                    } else {
                        break;
                    }
                }
            }
            if (pos < len && !existingBreak)
                result += BreakStr;
            lineStart = breakEnd;
            pos = lineStart;
            existingBreak = false;
        }
    }
    result.append(Line, lineStart, std::u16string::npos);
    return result;
}

std::u16string WrapNewsText(const std::u16string& Text, int MaxCol) {
    return WrapText(Text, u"\r\n", u"\t -.", MaxCol);
}

} // namespace elements
