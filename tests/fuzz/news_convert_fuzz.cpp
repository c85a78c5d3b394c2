// Any answer, however broken, must turn into a document that parses and holds one item per
// record of eight or more fields, in order and up to the document's caps, with the field bytes
// recoverable from the attributes.
#include "fuzz_check.h"
#include "news/feed.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Check;

std::string_view UpToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

std::string XmlText(std::string_view s) {
    std::string out;
    for (unsigned char c : UpToNul(s))
        out += (c < 0x20 && c != '\t' && c != '\n' && c != '\r') ? ' ' : static_cast<char>(c);
    return out;
}

std::vector<std::string_view> Fields(std::string_view record) {
    std::vector<std::string_view> fields;
    while (true) {
        auto bar = record.find('|');
        if (bar == std::string_view::npos) {
            if (!record.empty())
                fields.push_back(record);
            return fields;
        }
        fields.push_back(record.substr(0, bar));
        record.remove_prefix(bar + 1);
    }
}

// Headlines and summaries are cut to MaxNewsTextBytes, never inside a UTF-8 sequence.
std::string_view Capped(std::string_view f) {
    if (f.size() <= news::MaxNewsTextBytes)
        return f;
    std::size_t end = news::MaxNewsTextBytes;
    for (int back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(f[end]) & 0xC0) == 0x80;
         ++back)
        --end;
    return f.substr(0, end);
}

std::string_view Label(std::string_view f) {
    auto at = f.find("Son Dakika");
    if (at == std::string_view::npos)
        return f;
    return at + 11 >= f.size() ? std::string_view() : f.substr(at + 11);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);
    std::string doc = news::ConvertNews(answer);
    if (answer.empty()) {
        Check(doc.empty());
        return 0;
    }
    for (unsigned char c : doc)
        Check(c >= 0x20 || c == '\t' || c == '\n' || c == '\r');

    std::vector<std::vector<std::string_view>> records;
    std::string_view rest = answer;
    while (!rest.empty()) {
        auto at = rest.find("\xC3\xB1");
        auto fields = Fields(rest.substr(0, at));
        if (fields.size() >= 8)
            records.push_back(fields);
        if (at == std::string_view::npos)
            break;
        rest.remove_prefix(at + 2);
    }

    // The document stays within what the list reads. An answer that cannot reach a cap keeps
    // every record; otherwise the kept items are records of the answer, in their order.
    Check(doc.size() <= news::MaxNewsDocumentBytes);
    pugi::xml_document strict;
    Check(static_cast<bool>(strict.load_buffer(doc.data(), doc.size())));
    const std::size_t kept = strict.select_nodes("/r/n").size();
    Check(kept <= news::MaxNewsItems && kept <= records.size());
    // No byte grows past six in the document, and an item's own markup is below 64 bytes.
    if (records.size() <= news::MaxNewsItems &&
        6 * answer.size() + 64 * records.size() + 128 < news::MaxNewsDocumentBytes)
        Check(kept == records.size());

    // Entities only, so attribute values come back byte for byte.
    pugi::xml_document raw;
    Check(static_cast<bool>(raw.load_buffer(doc.data(), doc.size(), pugi::parse_escapes)));
    auto matches = [](const pugi::xml_node& n, const std::vector<std::string_view>& f) {
        return n.attribute("i").value() == XmlText(f[0]) &&
               n.attribute("t").value() == XmlText(Capped(f[2])) &&
               n.attribute("s").value() == XmlText(Capped(f[3])) &&
               n.attribute("cd").value() == XmlText(f[5]) &&
               n.attribute("si").value() == XmlText(Label(f[7])) &&
               news::DecodeUrl(n.attribute("u").value()) == UpToNul(f[6]);
    };
    std::size_t k = 0, next = 0;
    for (pugi::xml_node n : raw.child("r").children("n")) {
        while (next < records.size() && !matches(n, records[next]))
            ++next;
        Check(next < records.size());
        ++next;
        ++k;
    }
    Check(k == kept);
    return 0;
}
