// Case rules and conversions for the UTF-16 text held by the lists and the INI store.
#pragma once

#include "platform/sys/utf.h"

#include <string>

// Full Unicode upper-casing without a language, so "ß" gives "SS" and dotless "ı" gives "I";
// a Turkish mapping would make ASCII keys such as "options" miss their upper-case forms.
std::u16string WideUpperCase(const std::u16string& S);

// Locale-aware order of two texts; 0 only when they are equal code unit for code unit, so the
// order can drive binary searches that must agree with exact lookups.
int WideCompareStr(const std::u16string& A, const std::u16string& B);

// The same order on the upper-cased forms: 0 exactly when both upper-case to the same text,
// which is also the rule the hashed lookups use.
int WideCompareText(const std::u16string& A, const std::u16string& B);

// File names leave the program as UTF-8; unpaired surrogates become U+FFFD.
inline std::string WideToUtf8(const std::u16string& S) {
    return platform::Utf16ToUtf8(S);
}
inline std::u16string Utf8ToWide(const std::string& S) {
    return platform::Utf8ToUtf16(S, platform::TUtf8Replacement::MaximalSubpart);
}
