// Scratch folders and byte-level file helpers shared by the settings tests.
#pragma once

#include "settings/unicode.h"
#include "settings/wstrings.h"
#include "tests/support/scratch.h"

#include <string>
#include <vector>

// A scratch folder that also names its files in the store's wide strings.
class TTempDir : public testsupport::TTempDir {
public:
    std::u16string WideFile(const std::string& Name) const { return Utf8ToWide(File(Name)); }
};

inline std::string Utf16Le(const std::u16string& Text, bool Bom = true) {
    std::string out = Bom ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : Text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

using testsupport::ReadBytes;
using testsupport::WriteBytes;

inline std::vector<std::u16string> Lines(const TWStrings& List) {
    std::vector<std::u16string> out;
    for (int i = 0; i < List.Count(); ++i)
        out.push_back(List.Get(i));
    return out;
}

// gtest prints u16string as code units; UTF-8 makes failures readable.
inline std::string U8(const std::u16string& S) {
    return WideToUtf8(S);
}
