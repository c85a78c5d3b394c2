// UTF-8 <-> UTF-16 at the edges of the elements: document text in, file names out.
#pragma once

#include <string>

namespace elements {

// Malformed sequences become U+FFFD instead of failing the whole text.
std::u16string Utf8ToUtf16(const std::string& Text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& Text);

} // namespace elements
