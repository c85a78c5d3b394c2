// UTF-8 <-> UTF-16 at the edges of the elements: document text in, file names out.
#pragma once

#include "platform/sys/utf.h"

#include <string>

namespace elements {

// A broken sequence in a document shows as one U+FFFD, however many bytes it spans.
inline std::u16string Utf8ToUtf16(const std::string& Text) {
    return platform::Utf8ToUtf16(Text, platform::TUtf8Replacement::WholeSequence);
}
// Unpaired surrogates become U+FFFD.
inline std::string Utf16ToUtf8(const std::u16string& Text) {
    return platform::Utf16ToUtf8(Text);
}

} // namespace elements
