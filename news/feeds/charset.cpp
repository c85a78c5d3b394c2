#include "news/feeds/charset.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace news::feeds {

namespace {

constexpr std::string_view Utf8 = "UTF-8";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Replacement = "\xEF\xBF\xBD";
// The XML declaration must sit at the very start; its end is never far away.
constexpr std::size_t DeclarationWindow = 512;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Case-insensitive search for an ASCII needle.
std::size_t FindNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0) {
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

struct TConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using TConverter = std::unique_ptr<UConverter, TConverterCloser>;

TConverter OpenConverter(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    TConverter conv(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status))
        return nullptr;
    return conv;
}

// ICU's canonical name for a charset label, or empty when ICU does not know it.
std::string CanonicalName(const std::string& label) {
    if (label.empty() || label.size() > 64)
        return {};
    TConverter conv = OpenConverter(label);
    if (!conv)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const char* name = ucnv_getName(conv.get(), &status);
    return U_SUCCESS(status) && name ? std::string(name) : std::string();
}

// The charset bytes labelled so are really in, as browsers read them: Latin-1 and Latin-5
// labels stand for their Windows supersets (feeds declared ISO-8859-1 are full of 0x93 and 0x94
// quotes), and ASCII for UTF-8, which it is a part of.
std::string EffectiveName(const std::string& label) {
    static const std::string Ascii = CanonicalName("US-ASCII");
    static const std::string Latin1 = CanonicalName("ISO-8859-1");
    static const std::string Latin5 = CanonicalName("ISO-8859-9");
    static const std::string Windows1252 = CanonicalName("windows-1252");
    static const std::string Windows1254 = CanonicalName("windows-1254");
    std::string name = CanonicalName(label);
    if (name.empty())
        return name;
    if (name == Ascii)
        return std::string(Utf8);
    if (name == Latin1)
        return Windows1252;
    if (name == Latin5)
        return Windows1254;
    return name;
}

bool IsUtf8Name(std::string_view name) {
    return name == Utf8;
}

// A declaration of a charset whose bytes are not ASCII where markup is: it cannot be true of
// bytes in which the declaration itself was readable.
bool IsWideName(std::string_view name) {
    return StartsWith(name, "UTF-16") || StartsWith(name, "UTF-32") || StartsWith(name, "UTF16") ||
           StartsWith(name, "UTF32");
}

// The byte order mark's charset, or the charset that "<?" in UTF-16 without one shows.
std::string_view SniffedCharset(std::string_view body) {
    if (StartsWith(body, Utf8Bom))
        return Utf8;
    if (StartsWith(body, std::string_view("\xFF\xFE\x00\x00", 4)))
        return "UTF-32LE";
    if (StartsWith(body, std::string_view("\x00\x00\xFE\xFF", 4)))
        return "UTF-32BE";
    if (StartsWith(body, "\xFF\xFE"))
        return "UTF-16LE";
    if (StartsWith(body, "\xFE\xFF"))
        return "UTF-16BE";
    if (StartsWith(body, std::string_view("<\0?\0", 4)))
        return "UTF-16LE";
    if (StartsWith(body, std::string_view("\0<\0?", 4)))
        return "UTF-16BE";
    return {};
}

// The encoding named in an XML declaration at the start of the body.
std::string DeclaredEncoding(std::string_view body) {
    std::string_view head = body.substr(0, DeclarationWindow);
    if (!StartsWith(head, "<?xml"))
        return {};
    head = head.substr(0, head.find("?>"));
    std::size_t at = head.find("encoding");
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = Trim(head.substr(at + 8));
    if (rest.empty() || rest.front() != '=')
        return {};
    rest = Trim(rest.substr(1));
    if (rest.empty() || (rest.front() != '"' && rest.front() != '\''))
        return {};
    std::size_t end = rest.find(rest.front(), 1);
    if (end == std::string_view::npos)
        return {};
    return std::string(rest.substr(1, end - 1));
}

std::size_t BomLength(std::string_view body, std::string_view charset) {
    if (charset == Utf8)
        return StartsWith(body, Utf8Bom) ? 3 : 0;
    if (StartsWith(charset, "UTF-32"))
        return StartsWith(body, std::string_view("\xFF\xFE\x00\x00", 4)) ||
                       StartsWith(body, std::string_view("\x00\x00\xFE\xFF", 4))
                   ? 4
                   : 0;
    if (StartsWith(charset, "UTF-16"))
        return StartsWith(body, "\xFF\xFE") || StartsWith(body, "\xFE\xFF") ? 2 : 0;
    return 0;
}

std::string Convert(std::string_view body, const std::string& charset) {
    TConverter conv = OpenConverter(charset);
    // ICU counts in 32-bit lengths; nothing that large ever gets here from a feed.
    if (!conv || body.size() > static_cast<std::size_t>(INT32_MAX) / 4)
        return RepairUtf8(body);
    std::vector<UChar> wide(body.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(conv.get(), wide.data(), static_cast<int32_t>(wide.size()),
                                   body.data(), static_cast<int32_t>(body.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        wide.resize(static_cast<std::size_t>(length) + 1);
        status = U_ZERO_ERROR;
        length = ucnv_toUChars(conv.get(), wide.data(), static_cast<int32_t>(wide.size()),
                               body.data(), static_cast<int32_t>(body.size()), &status);
    }
    if (U_FAILURE(status))
        return RepairUtf8(body);
    std::string out(static_cast<std::size_t>(length) * 3, '\0');
    int32_t written = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, wide.data(), length,
                       0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return RepairUtf8(body);
    out.resize(static_cast<std::size_t>(written));
    if (StartsWith(out, Utf8Bom))
        out.erase(0, Utf8Bom.size());
    return out;
}

} // namespace

std::string ContentTypeCharset(std::string_view contentType) {
    std::size_t at = 0;
    while ((at = FindNoCase(contentType, "charset", at)) != std::string_view::npos) {
        // Only a parameter counts, not "charset" inside another parameter's value.
        std::size_t before = at;
        while (before > 0 && IsSpace(contentType[before - 1]))
            --before;
        std::string_view rest = Trim(contentType.substr(at + 7));
        at += 7;
        if (before == 0 || contentType[before - 1] != ';' || rest.empty() || rest.front() != '=')
            continue;
        rest = Trim(rest.substr(1));
        if (!rest.empty() && rest.front() == '"') {
            std::size_t end = rest.find('"', 1);
            return std::string(rest.substr(1, end == std::string_view::npos ? end : end - 1));
        }
        std::size_t end = rest.find_first_of("; \t");
        return std::string(rest.substr(0, end));
    }
    return {};
}

std::string DetectCharset(std::string_view body, std::string_view contentType) {
    if (std::string_view sniffed = SniffedCharset(body); !sniffed.empty())
        return std::string(sniffed);
    std::string header = EffectiveName(ContentTypeCharset(contentType));
    std::string declared = EffectiveName(DeclaredEncoding(body));
    if (IsWideName(header))
        header.clear();
    if (IsWideName(declared))
        declared.clear();
    if (header.empty())
        return declared.empty() ? std::string(Utf8) : declared;
    if (declared.empty() || declared == header)
        return header;
    if (IsUtf8Name(header) || IsUtf8Name(declared))
        return IsValidUtf8(body) ? std::string(Utf8) : IsUtf8Name(header) ? declared : header;
    return header;
}

std::string ToUtf8(std::string_view body, std::string_view contentType) {
    std::string charset = DetectCharset(body, contentType);
    body.remove_prefix(BomLength(body, charset));
    if (IsUtf8Name(charset))
        return RepairUtf8(body);
    return Convert(body, charset);
}

bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<std::int64_t>(text.size());
    std::int64_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

std::string RepairUtf8(std::string_view text) {
    if (IsValidUtf8(text))
        return std::string(text);
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<std::int64_t>(text.size());
    std::string out;
    out.reserve(text.size() + 16);
    std::int64_t i = 0;
    while (i < length) {
        std::int64_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            out += Replacement;
        else
            out.append(text.data() + start, static_cast<std::size_t>(i - start));
    }
    return out;
}

} // namespace news::feeds
