// A short stable fingerprint of a text, for identities and file names. Not a defence against
// anyone: whatever it names is compared in full where it matters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace news::feeds {

// 64-bit FNV-1a.
inline std::uint64_t Fingerprint(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Sixteen lower-case hexadecimal digits of Fingerprint.
inline std::string FingerprintHex(std::string_view text) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::uint64_t h = Fingerprint(text);
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = Digits[h & 0xF];
        h >>= 4;
    }
    return out;
}

} // namespace news::feeds
