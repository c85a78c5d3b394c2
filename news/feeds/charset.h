// Turning an answer's bytes into UTF-8 before anything parses them. Feeds arrive in UTF-8,
// UTF-16 with a byte order mark, or the legacy encodings Turkish publishers still use
// (ISO-8859-9, windows-1254, ISO-8859-1, windows-1252), declared in the Content-Type header or
// the XML declaration; ICU does the converting.
#pragma once

#include <string>
#include <string_view>

namespace news::feeds {

// The charset the bytes are in, as ICU names it ("UTF-8" when nothing usable is declared): a
// byte order mark first, then the bytes' own look for UTF-16, then the declarations, where
// ISO-8859-1 and ISO-8859-9 are read as their Windows supersets and US-ASCII as UTF-8. When the
// Content-Type header and the XML declaration disagree and one of them says UTF-8, the bytes
// decide (servers often label every answer ISO-8859-1); otherwise the header wins.
std::string DetectCharset(std::string_view body, std::string_view contentType = {});

// The body in UTF-8 without a byte order mark. Never fails: bytes that do not belong to the
// charset, and broken UTF-8, become U+FFFD.
std::string ToUtf8(std::string_view body, std::string_view contentType = {});

// Well-formed UTF-8: every maximal broken sequence becomes U+FFFD.
std::string RepairUtf8(std::string_view text);
bool IsValidUtf8(std::string_view text);

// The charset parameter of a Content-Type value, without quotes; empty when there is none.
std::string ContentTypeCharset(std::string_view contentType);

} // namespace news::feeds
