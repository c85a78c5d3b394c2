#include "elements/wrap.h"

#include <cstdint>

namespace elements {

namespace {

constexpr char16_t QuoteChar = u'|';
constexpr char16_t ReplacementChar = 0xFFFD;

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

std::u16string Utf8ToUtf16(const std::string& Text) {
    std::u16string out;
    out.reserve(Text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t n = Text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        std::uint32_t cp = 0;
        std::size_t need = 0;
        std::uint32_t min = 0;
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            need = 1;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            need = 2;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            need = 3;
            min = 0x10000;
        } else {
            out += ReplacementChar;
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j <= need && i + j < n && (s[i + j] & 0xC0) == 0x80; ++j)
            cp = (cp << 6) | (s[i + j] & 0x3F);
        if (j <= need) {
            // Truncated sequence: replace the bytes consumed so far and resync on the next one.
            out += ReplacementChar;
            i += j;
            continue;
        }
        i += need + 1;
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += ReplacementChar;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

} // namespace elements
