// The news service's answer and the local news document made from it: the request path, the
// conversion of the answer's records into "news.xml", and the byte encodings that protect the
// fields inside the document. Everything here is plain byte-string work on the window thread.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace news {

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EWebBrokerException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Path and query of the news request on the alarm server.
std::string NewsRequestPath();

// Records of the answer are separated by the UTF-8 bytes of U+00F1, fields by "|".
constexpr std::string_view RecordSeparator = "\xC3\xB1";
constexpr char FieldSeparator = '|';
constexpr std::size_t MinRecordFields = 8;

// The local news document is kept small whatever a server sends: it holds at most this many
// items (more than the tallest list can show) and is at most this large, far above any real
// answer's share.
constexpr std::size_t MaxNewsItems = 500;
constexpr std::size_t MaxNewsDocumentBytes = 4u << 20;
// Headlines and summaries longer than this are cut (at a UTF-8 character boundary) before they
// go into the document; the list shows a few hundred characters of them.
constexpr std::size_t MaxNewsTextBytes = 16u << 10;

// The answer turned into the local news document (empty for an empty answer).
std::string ConvertNews(std::string_view answer);

// One item of the local news document, its fields as they are before escaping.
struct TNewsFields {
    std::string_view Id;      // i
    std::string_view Section; // si
    std::string_view Title;   // t
    std::string_view Summary; // s
    std::string_view Date;    // cd
    std::string_view Link;    // u, URL-encoded when written
};

// The pieces ConvertNews builds the document from, for other writers of the same document.
std::string_view NewsDocumentHead();
std::string_view NewsDocumentTail();
void AppendNewsItem(std::string& out, const TNewsFields& item);

// The answer's records of eight or more fields, in answer order, with the label already
// shortened as ConvertNews shortens it. The views point into answer.
std::vector<TNewsFields> ReadAlarmRecords(std::string_view answer);

// Escapes & < > and the double quote; every other byte is copied.
std::string EncodeMarkup(std::string_view text);
// Keeps letters, digits and * @ . _ - $ ! ' ( ), writes a space as "+" and every other byte
// as "%XX" with upper-case digits.
std::string EncodeUrl(std::string_view text);
// The inverse of EncodeUrl; throws EConvertError for a "%" followed by two bytes that are not
// both hexadecimal digits, and EWebBrokerException for a "%" too close to the end.
std::string DecodeUrl(std::string_view text);

constexpr const char* NewsFileName = "news.xml";

// Where the local news document lives inside the data folder.
std::string NewsFilePath(const std::string& dataFolder);

// Replaces the file at path with text. On failure the earlier file stays as it was.
bool SaveTextFile(const std::string& path, std::string_view text);

} // namespace news
