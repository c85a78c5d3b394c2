#include "news/feed.h"

#include "platform/sys/atomic_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace news {

namespace {

constexpr std::string_view UniqueID = "5a1c07d3e82b964f10ac7e35d2b891";
constexpr std::array<int, 14> SelectedSections = {-1, 2,  3,  4,  5,  6,  12,
                                                  13, 14, 27, 28, 29, 30, 342};
constexpr std::string_view EncodedComma = "%2C";

constexpr std::string_view DocumentHead = "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?>\r\n"
                                          "<r>\r\n";
constexpr std::string_view DocumentTail = "</r>";
constexpr std::string_view LabelPrefix = "Son Dakika";

// Every encoding reads its input only up to the first NUL.
std::string_view UpToNul(std::string_view text) {
    auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool IsXmlForbidden(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

constexpr std::size_t NoLimit = std::string::npos;

// Escapes the four characters markup gives a meaning to. The answer may carry control bytes
// that XML does not allow anywhere; one of them in an attribute would make the whole document
// unreadable, so with BlankControls each becomes a space. Stops once out is longer than limit.
void AppendMarkup(std::string& out, std::string_view text, bool BlankControls,
                  std::size_t limit = NoLimit) {
    for (unsigned char c : UpToNul(text)) {
        if (out.size() > limit)
            return;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += BlankControls && IsXmlForbidden(c) ? ' ' : static_cast<char>(c);
        }
    }
}

void AppendAttributeText(std::string& out, std::string_view value, std::size_t limit = NoLimit) {
    AppendMarkup(out, value, true, limit);
}

void AppendAttribute(std::string& out, std::string_view name, std::string_view escaped) {
    out += name;
    out += "=\"";
    out += escaped;
    out += "\" ";
}

// At most MaxNewsTextBytes of text, never ending inside a UTF-8 sequence.
std::string_view CappedText(std::string_view field) {
    if (field.size() <= MaxNewsTextBytes)
        return field;
    std::size_t end = MaxNewsTextBytes;
    for (int back = 0;
         back < 3 && end > 0 && (static_cast<unsigned char>(field[end]) & 0xC0) == 0x80; ++back)
        --end;
    return field.substr(0, end);
}

std::string_view ShortLabel(std::string_view field) {
    auto at = field.find(LabelPrefix);
    if (at == std::string_view::npos)
        return field;
    // The prefix is followed by one separator byte (usually a colon) that goes with it.
    std::size_t start = at + LabelPrefix.size() + 1;
    return start >= field.size() ? std::string_view() : field.substr(start);
}

void AppendUrl(std::string& out, std::string_view text, std::size_t limit);

// Splits a record at "|" into its first eight fields; false when it has fewer.
bool SplitRecord(std::string_view record, std::array<std::string_view, MinRecordFields>& fields) {
    std::size_t count = 0;
    std::string_view rest = record;
    while (count < MinRecordFields) {
        auto bar = rest.find(FieldSeparator);
        if (bar == std::string_view::npos) {
            // An empty last field does not count as a field.
            if (!rest.empty())
                fields[count++] = rest;
            break;
        }
        fields[count++] = rest.substr(0, bar);
        rest.remove_prefix(bar + 1);
    }
    return count == MinRecordFields;
}

// Appends the record's item and returns true, or appends nothing and returns false for a record
// with too few fields or one that would make out longer than limit.
bool ConvertRecord(std::string& out, std::string_view record, std::size_t limit) {
    std::array<std::string_view, MinRecordFields> fields;
    if (!SplitRecord(record, fields))
        return false;

    const std::size_t start = out.size();
    // Each value is escaped into its own string first; it stops growing once it could no
    // longer fit, so a huge field costs no more than the room that is left.
    auto room = [&] { return out.size() < limit ? limit - out.size() : 0; };
    std::string value;
    out += "  <n ";
    AppendAttributeText(value, fields[0], room());
    AppendAttribute(out, "i", value);
    value.clear();
    AppendAttributeText(value, ShortLabel(fields[7]), room());
    AppendAttribute(out, "si", value);
    value.clear();
    AppendAttributeText(value, CappedText(fields[2]), room());
    AppendAttribute(out, "t", value);
    value.clear();
    AppendAttributeText(value, CappedText(fields[3]), room());
    AppendAttribute(out, "s", value);
    value.clear();
    AppendAttributeText(value, fields[5], room());
    AppendAttribute(out, "cd", value);
    value.clear();
    AppendUrl(value, fields[6], room());
    AppendAttribute(out, "u", value);
    out += "/>\r\n";
    if (out.size() > limit) {
        out.resize(start);
        return false;
    }
    return true;
}

bool IsUrlKept(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '*':
    case '@':
    case '.':
    case '_':
    case '-':
    case '$':
    case '!':
    case '\'':
    case '(':
    case ')':
        return true;
    default:
        return false;
    }
}

// EncodeUrl into out; stops once out is longer than limit.
void AppendUrl(std::string& out, std::string_view text, std::size_t limit) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (unsigned char c : UpToNul(text)) {
        if (out.size() > limit)
            return;
        if (IsUrlKept(c)) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += Digits[c >> 4];
            out += Digits[c & 0x0F];
        }
    }
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string NewsRequestPath() {
    std::string path = "/HashtableControl.aspx?UniqueID=";
    path += UniqueID;
    path += "&SelectedSections=";
    for (int section : SelectedSections) {
        path += std::to_string(section);
        path += EncodedComma;
    }
    path += "&rand=";
    // Always the same number: the server only needs something there.
    path += std::to_string(std::numeric_limits<std::int32_t>::max());
    return path;
}

void AppendNewsItem(std::string& out, const TNewsFields& item) {
    std::string value;
    out += "  <n ";
    AppendAttributeText(value, item.Id);
    AppendAttribute(out, "i", value);
    value.clear();
    AppendAttributeText(value, item.Section);
    AppendAttribute(out, "si", value);
    value.clear();
    AppendAttributeText(value, item.Title);
    AppendAttribute(out, "t", value);
    value.clear();
    AppendAttributeText(value, item.Summary);
    AppendAttribute(out, "s", value);
    value.clear();
    AppendAttributeText(value, item.Date);
    AppendAttribute(out, "cd", value);
    AppendAttribute(out, "u", EncodeUrl(item.Link));
    out += "/>\r\n";
}

std::string_view NewsDocumentHead() {
    return DocumentHead;
}

std::string_view NewsDocumentTail() {
    return DocumentTail;
}

std::vector<TNewsFields> ReadAlarmRecords(std::string_view answer) {
    std::vector<TNewsFields> records;
    std::array<std::string_view, MinRecordFields> fields;
    std::string_view rest = answer;
    while (!rest.empty()) {
        auto at = rest.find(RecordSeparator);
        if (SplitRecord(rest.substr(0, at), fields))
            records.push_back(
                {fields[0], ShortLabel(fields[7]), fields[2], fields[3], fields[5], fields[6]});
        if (at == std::string_view::npos)
            break;
        rest.remove_prefix(at + RecordSeparator.size());
    }
    return records;
}

std::string ConvertNews(std::string_view answer) {
    if (answer.empty())
        return std::string();
    std::string out;
    out.reserve(std::min(answer.size() + answer.size() / 4 + 64, MaxNewsDocumentBytes));
    out += DocumentHead;
    // Records past the item cap are not looked at; a record too large for what is left of the
    // document is left out, and smaller ones after it still get their place.
    const std::size_t limit = MaxNewsDocumentBytes - DocumentTail.size();
    std::size_t items = 0;
    std::string_view rest = answer;
    while (!rest.empty() && items < MaxNewsItems) {
        const auto at = rest.find(RecordSeparator);
        if (ConvertRecord(out, rest.substr(0, at), limit))
            ++items;
        if (at == std::string_view::npos)
            break;
        rest.remove_prefix(at + RecordSeparator.size());
    }
    out += DocumentTail;
    return out;
}

std::string EncodeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendMarkup(out, text, false);
    return out;
}

std::string EncodeUrl(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUrl(out, text, NoLimit);
    return out;
}

std::string DecodeUrl(std::string_view text) {
    text = UpToNul(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c != '%') {
            out += c;
        } else if (i + 1 < text.size() && text[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (i + 2 >= text.size()) {
            throw EWebBrokerException("Error decoding URL style (%XX) encoded string at position " +
                                      std::to_string(i + 1));
        } else {
            int hi = HexValue(static_cast<unsigned char>(text[i + 1]));
            int lo = HexValue(static_cast<unsigned char>(text[i + 2]));
            if (hi < 0 || lo < 0)
                throw EConvertError("Invalid URL encoded character (" +
                                    std::string(text.substr(i, 3)) + ") at position " +
                                    std::to_string(i + 1));
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        }
    }
    return out;
}

std::string NewsFilePath(const std::string& dataFolder) {
    if (dataFolder.empty() || dataFolder.back() == '/')
        return dataFolder + NewsFileName;
    return dataFolder + "/" + NewsFileName;
}

bool SaveTextFile(const std::string& path, std::string_view text) {
    return platform::WriteFileAtomically(path, text);
}

} // namespace news
