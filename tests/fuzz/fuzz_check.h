// What the fuzz targets share: a broken property aborts, so libFuzzer keeps the input that broke
// it, and raw bytes become UTF-16 code units for the wide-string parsers.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline void Check(bool Condition, const char* What = "see the stack") {
    if (!Condition) {
        std::fprintf(stderr, "property violated: %s\n", What);
        std::abort();
    }
}

// Byte pairs, little-endian; an odd last byte is dropped.
inline std::u16string Wide(const std::string& Bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < Bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(Bytes[i]) |
                                            (static_cast<unsigned char>(Bytes[i + 1]) << 8)));
    return out;
}

} // namespace fuzz
