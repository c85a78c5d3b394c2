#include "platform/sys/utf.h"

namespace platform {

namespace {

constexpr char32_t ReplacementChar = 0xFFFD;

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The range the second byte of a sequence must fall in for the whole to stay well-formed;
// narrower than 80-BF where it rules out overlong forms, surrogates and values past U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char b) {
    switch (lead) {
    case 0xE0:
        return b >= 0xA0 && b <= 0xBF;
    case 0xED:
        return b >= 0x80 && b <= 0x9F;
    case 0xF0:
        return b >= 0x90 && b <= 0xBF;
    case 0xF4:
        return b >= 0x80 && b <= 0x8F;
    default:
        return lead >= 0xC2 && lead <= 0xF4 && IsContinuation(b);
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view Text, TUtf8Replacement Rule) {
    std::u16string out;
    out.reserve(Text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t n = Text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        const std::size_t need = (lead >> 5) == 0x06   ? 1
                                 : (lead >> 4) == 0x0E ? 2
                                 : (lead >> 3) == 0x1E ? 3
                                                       : 0;
        // Continuation bytes present after the lead, and how many bytes of the sequence
        // could still have been the start of a well-formed one.
        std::size_t conts = 0;
        std::size_t subpart = 1;
        char32_t cp = lead & (0x3F >> need);
        while (conts < need && i + conts + 1 < n && IsContinuation(s[i + conts + 1])) {
            const unsigned char b = s[i + conts + 1];
            if (subpart == conts + 1 && (conts > 0 || SecondByteFits(lead, b)))
                ++subpart;
            cp = (cp << 6) | (b & 0x3F);
            ++conts;
        }
        if (need != 0 && subpart == need + 1) {
            AppendUtf16(out, cp);
            i += need + 1;
            continue;
        }
        out += static_cast<char16_t>(ReplacementChar);
        switch (Rule) {
        case TUtf8Replacement::EachByte:
            i += 1;
            break;
        case TUtf8Replacement::MaximalSubpart:
            i += subpart;
            break;
        case TUtf8Replacement::WholeSequence:
            i += 1 + conts;
            break;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t cp = Text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
            Text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = ReplacementChar;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace platform
