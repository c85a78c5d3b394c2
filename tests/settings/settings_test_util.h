// Scratch folders and byte-level file helpers shared by the settings tests.
#pragma once

#include "settings/unicode.h"
#include "settings/wstrings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A fresh folder under the system temp folder, removed with everything in it.
class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mpset-XXXXXX").string();
        FPath = ::mkdtemp(pattern.data());
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "/" + Name; }
    std::u16string WideFile(const std::string& Name) const { return Utf8ToWide(File(Name)); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(FPath))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::string FPath;
};

inline std::string Utf16Le(const std::u16string& Text, bool Bom = true) {
    std::string out = Bom ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : Text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

inline std::string ReadBytes(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

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
