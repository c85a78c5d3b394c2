#include "settings/inifile.h"

#include "settings/filereplace.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char16_t Backslash = u'\\';
constexpr char16_t CR = u'\r';
constexpr char16_t LF = u'\n';
constexpr char16_t TAB = u'\t';
constexpr char16_t Blank = u' ';
// A backslash pair the reader drops; it keeps blanks and leading marks from being eaten.
const std::u16string LineGuard = u"\\_";

bool IsBlank(char16_t c) {
    return c <= Blank;
}

std::u16string Trim(const std::u16string& S) {
    size_t start = 0;
    size_t end = S.size();
    while (start < end && IsBlank(S[start]))
        ++start;
    while (end > start && IsBlank(S[end - 1]))
        --end;
    return S.substr(start, end - start);
}

std::u16string GuardEnds(std::u16string Part) {
    if (Part.empty())
        return Part;
    if (IsBlank(Part.back()))
        Part += LineGuard;
    if (IsBlank(Part.front()))
        Part.insert(0, LineGuard);
    return Part;
}

std::u16string IntToWide(std::int64_t Value) {
    std::string digits = std::to_string(Value);
    return std::u16string(digits.begin(), digits.end());
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

std::u16string EscapeIniLine(const std::u16string& Line) {
    std::u16string e;
    e.reserve(Line.size() + 4);
    for (char16_t c : Line) {
        switch (c) {
        case Backslash:
            e += u"\\\\";
            break;
        case CR:
            e += u"\\r";
            break;
        case LF:
            e += u"\\n";
            break;
        case TAB:
            e += u"\\t";
            break;
        case u'\0':
            break; // would end the reader's text and lose every line after it
        default:
            e += c;
        }
    }
    size_t eq = e.find(u'=');
    if (eq != std::u16string::npos)
        e = GuardEnds(e.substr(0, eq)) + u'=' + GuardEnds(e.substr(eq + 1));
    else if (e.empty())
        e = LineGuard; // an empty line would be skipped
    else
        e = GuardEnds(e);
    if (e.front() == u';' || (e.front() == u'[' && e.back() == u']'))
        e.insert(0, LineGuard);
    return e;
}

std::u16string UnescapeIniLine(const std::u16string& Line) {
    std::u16string out;
    out.reserve(Line.size());
    bool pending = false;
    for (char16_t c : Line) {
        if (pending) {
            pending = false;
            switch (c) {
            case Backslash:
                out += Backslash;
                break;
            case u'n':
                out += LF;
                break;
            case u'r':
                out += CR;
                break;
            case u't':
                out += TAB;
                break;
            default:
                break;
            }
        } else if (c == Backslash) {
            pending = true;
        } else {
            out += c;
        }
    }
    return out;
}

bool TryStrToInt(const std::u16string& S, int& Value) {
    size_t i = 0;
    bool negative = false;
    if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) {
        negative = S[i] == u'-';
        ++i;
    }
    if (i < S.size() && S[i] == u'$') {
        ++i;
        if (i == S.size())
            return false;
        std::uint64_t v = 0;
        for (; i < S.size(); ++i) {
            int d = HexDigit(S[i]);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFu)
                return false;
        }
        // Hexadecimal is a 32-bit pattern, so "0xffffffff" reads back what WriteHexInteger(-1)
        // wrote.
        auto bits = static_cast<std::uint32_t>(v);
        if (negative)
            bits = 0u - bits;
        Value = static_cast<std::int32_t>(bits);
        return true;
    }
    if (i == S.size())
        return false;
    std::int64_t v = 0;
    for (; i < S.size(); ++i) {
        if (S[i] < u'0' || S[i] > u'9')
            return false;
        v = v * 10 + (S[i] - u'0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    Value = static_cast<int>(v);
    return true;
}

// ---- TWCustomIniFile ----

int TWCustomIniFile::ReadInteger(const std::u16string& Section, const std::u16string& Ident,
                                 int Default) const {
    std::u16string text = ReadString(Section, Ident, std::u16string());
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text.replace(0, 2, u"$");
    int value = 0;
    return TryStrToInt(text, value) ? value : Default;
}

void TWCustomIniFile::WriteInteger(const std::u16string& Section, const std::u16string& Ident,
                                   int Value) {
    WriteString(Section, Ident, IntToWide(Value));
}

bool TWCustomIniFile::ReadBool(const std::u16string& Section, const std::u16string& Ident,
                               bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TWCustomIniFile::WriteBool(const std::u16string& Section, const std::u16string& Ident,
                                bool Value) {
    WriteString(Section, Ident, Value ? u"1" : u"0");
}

void TWCustomIniFile::WriteHexInteger(const std::u16string& Section, const std::u16string& Ident,
                                      int Value) {
    static const char16_t digits[] = u"0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(Value);
    std::u16string text = u"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(bits >> shift) & 0xF];
    WriteString(Section, Ident, text);
}

// ---- TWMemIniFile ----

TWMemIniFile::TWMemIniFile(const std::u16string& FileName) : TWCustomIniFile(FileName) {
    LoadValues();
}

TWMemIniFile::~TWMemIniFile() {
    Clear();
}

void TWMemIniFile::Clear() {
    FSections.Clear();
    FSectionLists.clear();
}

TWHashedStringList* TWMemIniFile::AddSection(const std::u16string& Section) {
    FSectionLists.push_back(std::make_unique<TWHashedStringList>());
    TWHashedStringList* lines = FSectionLists.back().get();
    FSections.AddObject(Section, lines);
    return lines;
}

TWHashedStringList* TWMemIniFile::SectionAt(int Index) const {
    return static_cast<TWHashedStringList*>(FSections.GetObject(Index));
}

TWHashedStringList* TWMemIniFile::FindSection(const std::u16string& Section) const {
    int index = FSections.IndexOf(Section);
    return index < 0 ? nullptr : SectionAt(index);
}

std::u16string TWMemIniFile::ReadString(const std::u16string& Section, const std::u16string& Ident,
                                        const std::u16string& Default) const {
    const TWHashedStringList* lines = FindSection(Section);
    if (!lines)
        return Default;
    int index = lines->IndexOfName(Ident);
    if (index < 0)
        return Default;
    // The value starts after the stored key's "=": case mapping may give the stored key and
    // the asked one different lengths ("Straße" and "STRASSE").
    std::u16string line = lines->Get(index);
    return line.substr(line.find(u'=') + 1);
}

void TWMemIniFile::WriteString(const std::u16string& Section, const std::u16string& Ident,
                               const std::u16string& Value) {
    TWHashedStringList* lines = FindSection(Section);
    if (!lines)
        lines = AddSection(Section);
    std::u16string line = Ident + u'=' + Value;
    int index = lines->IndexOfName(Ident);
    if (index >= 0)
        lines->Put(index, line);
    else
        lines->Add(line);
}

void TWMemIniFile::ReadSection(const std::u16string& Section, TWStrings& Strings) const {
    TWUpdateGuard guard(Strings);
    Strings.Clear();
    if (const TWHashedStringList* lines = FindSection(Section)) {
        int count = lines->Count();
        for (int i = 0; i < count; ++i)
            Strings.Add(lines->GetName(i));
    }
}

void TWMemIniFile::ReadSections(TWStrings& Strings) const {
    Strings.Assign(FSections);
}

void TWMemIniFile::ReadSectionValues(const std::u16string& Section, TWStrings& Strings) const {
    TWUpdateGuard guard(Strings);
    Strings.Clear();
    if (const TWHashedStringList* lines = FindSection(Section))
        Strings.AddStrings(*lines);
}

void TWMemIniFile::EraseSection(const std::u16string& Section) {
    int index = FSections.IndexOf(Section);
    if (index >= 0)
        EraseSectionAt(index);
}

void TWMemIniFile::EraseSectionAt(int Index) {
    TWHashedStringList* lines = SectionAt(Index);
    FSections.Delete(Index);
    auto owned = std::find_if(FSectionLists.begin(), FSectionLists.end(),
                              [lines](const auto& p) { return p.get() == lines; });
    if (owned != FSectionLists.end())
        FSectionLists.erase(owned);
}

void TWMemIniFile::ClearSection(const std::u16string& Section) {
    TWHashedStringList* first = nullptr;
    for (int i = 0; i < FSections.Count(); ++i) {
        if (FSections.CompareStrings(FSections.Get(i), Section) != 0)
            continue;
        if (!first) {
            first = SectionAt(i);
            first->Clear();
        } else {
            EraseSectionAt(i--);
        }
    }
    if (!first)
        AddSection(Section);
}

void TWMemIniFile::ReadSectionLines(const std::u16string& Section, TWStrings& Strings) const {
    TWUpdateGuard guard(Strings);
    Strings.Clear();
    for (int i = 0; i < FSections.Count(); ++i)
        if (FSections.CompareStrings(FSections.Get(i), Section) == 0)
            Strings.AddStrings(*SectionAt(i));
}

bool TWMemIniFile::SectionExists(const std::u16string& Section) const {
    return FindSection(Section) != nullptr;
}

void TWMemIniFile::DeleteKey(const std::u16string& Section, const std::u16string& Ident) {
    if (TWHashedStringList* lines = FindSection(Section)) {
        int index = lines->IndexOfName(Ident);
        if (index >= 0)
            lines->Delete(index);
    }
}

bool TWMemIniFile::UpdateFile() {
    if (FileName().empty())
        return false;
    TWStringList list;
    GetStrings(list);
    if (!ReplaceFileContents(FileName(), EncodeTextFile(list.GetTextStr()), FKeepOldFile))
        return false;
    FKeepOldFile = false;
    return true;
}

void TWMemIniFile::LoadValues() {
    Clear();
    FKeepOldFile = false;
    if (FileName().empty())
        return;
    std::string bytes;
    switch (ReadFileContents(FileName(), bytes)) {
    case platform::TReadResult::Read:
        break;
    case platform::TReadResult::Missing:
        return;
    default:
        FKeepOldFile = true;
        return;
    }
    std::u16string text;
    const bool exact = DecodeTextFile(bytes, text);
    TWStringList list;
    list.SetTextStr(text);
    SetStrings(list);
    if (!exact) {
        FKeepOldFile = true;
        return;
    }
    // Comments and blank lines alone are an empty store; other lines without any section are
    // something the store cannot read.
    if (FSections.Count() == 0) {
        for (int i = 0; i < list.Count() && !FKeepOldFile; ++i) {
            const std::u16string line = Trim(list.Get(i));
            FKeepOldFile = !line.empty() && line.front() != u';';
        }
    }
}

void TWMemIniFile::GetStrings(TWStrings& List) const {
    TWUpdateGuard guard(List);
    List.Clear();
    int count = FSections.Count();
    for (int s = 0; s < count; ++s) {
        std::u16string name = FSections.Get(s);
        // A line break inside a header would split it and push its keys into another section.
        name.erase(std::remove_if(name.begin(), name.end(),
                                  [](char16_t c) { return c == CR || c == LF || c == u'\0'; }),
                   name.end());
        List.Add(u'[' + name + u']');
        const TWHashedStringList* lines = SectionAt(s);
        int lineCount = lines->Count();
        for (int i = 0; i < lineCount; ++i)
            List.Add(EscapeIniLine(lines->Get(i)));
        List.Add(std::u16string());
    }
}

void TWMemIniFile::SetStrings(const TWStrings& List) {
    Clear();
    TWHashedStringList* current = nullptr;
    int count = List.Count();
    for (int i = 0; i < count; ++i) {
        std::u16string s = Trim(List.Get(i));
        if (s.empty() || s.front() == u';')
            continue;
        if (s.front() == u'[' && s.back() == u']' && s.size() >= 2) {
            current = AddSection(Trim(s.substr(1, s.size() - 2)));
            continue;
        }
        if (!current)
            continue;
        size_t eq = s.find(u'=');
        if (eq == std::u16string::npos)
            current->Add(UnescapeIniLine(s));
        else
            current->Add(UnescapeIniLine(Trim(s.substr(0, eq)) + u'=' + Trim(s.substr(eq + 1))));
    }
}
