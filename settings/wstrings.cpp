#include "settings/wstrings.h"

#include "settings/filereplace.h"
#include "settings/unicode.h"

#include <algorithm>
#include <istream>
#include <iterator>
#include <ostream>
#include <string_view>

namespace {

constexpr char16_t CR = u'\r';
constexpr char16_t LF = u'\n';
constexpr char16_t ByteOrderMark = 0xFEFF;

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

std::string FormatIndexError(int Index) {
    std::string message = SListIndexError;
    message.replace(message.find("%d"), 2, std::to_string(Index));
    return message;
}

void AppendUtf16Le(std::string& Out, const std::u16string& Text) {
    Out.reserve(Out.size() + Text.size() * 2);
    for (char16_t c : Text) {
        Out.push_back(static_cast<char>(c & 0xFF));
        Out.push_back(static_cast<char>(c >> 8));
    }
}

} // namespace

std::string EncodeTextFile(const std::u16string& Text) {
    std::string bytes;
    AppendUtf16Le(bytes, std::u16string(1, ByteOrderMark));
    AppendUtf16Le(bytes, Text);
    return bytes;
}

bool DecodeTextFile(const std::string& Bytes, std::u16string& Text) {
    auto startsWith = [&](std::string_view mark) {
        return Bytes.compare(0, mark.size(), mark) == 0;
    };
    auto utf16 = [&](std::size_t offset, bool bigEndian) {
        const std::size_t units = (Bytes.size() - offset) / 2;
        Text.clear();
        Text.reserve(units);
        for (std::size_t i = 0; i < units; ++i) {
            const auto first = static_cast<unsigned char>(Bytes[offset + 2 * i]);
            const auto second = static_cast<unsigned char>(Bytes[offset + 2 * i + 1]);
            Text.push_back(
                static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8)));
        }
        return (Bytes.size() - offset) % 2 == 0;
    };
    auto utf8 = [&](std::size_t offset) {
        const std::string_view body = std::string_view(Bytes).substr(offset);
        Text = platform::Utf8ToUtf16(body, platform::TUtf8Replacement::MaximalSubpart);
        // Well-formed UTF-8 is exactly what comes back from its UTF-16.
        return platform::Utf16ToUtf8(Text) == body;
    };
    if (startsWith("\xFF\xFE"))
        return utf16(2, false);
    if (startsWith("\xFE\xFF"))
        return utf16(2, true);
    if (startsWith("\xEF\xBB\xBF"))
        return utf8(3);
    if (Bytes.find('\0') == std::string::npos)
        return utf8(0);
    return utf16(0, false);
}

// ---- TWStrings ----

void TWStrings::IndexError(int Index) {
    throw EStringListError(FormatIndexError(Index));
}

void TWStrings::Assign(const TWStrings& Source) {
    if (&Source == this)
        return;
    TWUpdateGuard guard(*this);
    Clear();
    AddStrings(Source);
}

std::u16string TWStrings::GetName(int Index) const {
    std::u16string s = Get(Index);
    size_t p = s.find(u'=');
    return p == std::u16string::npos ? std::u16string() : s.substr(0, p);
}

void TWStrings::BeginUpdate() {
    // The state change is announced before the count rises, so the before-change event fires.
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TWStrings::EndUpdate() {
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

int TWStrings::GetCapacity() const {
    return GetCount();
}

void* TWStrings::GetObject(int) const {
    return nullptr;
}

std::u16string TWStrings::GetTextStr() const {
    std::u16string text;
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        text += Get(i);
        text += CR;
        text += LF;
    }
    return text;
}

void TWStrings::Put(int Index, const std::u16string& S) {
    void* object = GetObject(Index);
    TWUpdateGuard guard(*this);
    Delete(Index);
    Insert(Index, S);
    PutObject(Index, object);
}

void TWStrings::PutObject(int, void*) {}

void TWStrings::SetCapacity(int) {}

void TWStrings::SetTextStr(const std::u16string& Value) {
    TWUpdateGuard guard(*this);
    Clear();
    size_t end = Value.find(u'\0');
    if (end == std::u16string::npos)
        end = Value.size();
    size_t p = 0;
    while (p < end) {
        size_t start = p;
        while (p < end && Value[p] != CR && Value[p] != LF)
            ++p;
        Add(Value.substr(start, p - start));
        if (p < end && Value[p] == CR)
            ++p;
        if (p < end && Value[p] == LF)
            ++p;
    }
}

void TWStrings::SetUpdateState(bool) {}

int TWStrings::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    return WideCompareText(S1, S2);
}

int TWStrings::Add(const std::u16string& S) {
    int index = GetCount();
    Insert(index, S);
    return index;
}

int TWStrings::AddObject(const std::u16string& S, void* AObject) {
    int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TWStrings::AddStrings(const TWStrings& Strings) {
    TWUpdateGuard guard(*this);
    int count = Strings.GetCount();
    for (int i = 0; i < count; ++i)
        AddObject(Strings.Get(i), Strings.GetObject(i));
}

void TWStrings::Exchange(int Index1, int Index2) {
    std::u16string s1 = Get(Index1);
    std::u16string s2 = Get(Index2);
    void* o1 = GetObject(Index1);
    void* o2 = GetObject(Index2);
    TWUpdateGuard guard(*this);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
}

int TWStrings::IndexOf(const std::u16string& S) const {
    int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TWStrings::IndexOfName(const std::u16string& Name) const {
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        std::u16string s = Get(i);
        size_t p = s.find(u'=');
        if (p != std::u16string::npos && CompareStrings(s.substr(0, p), Name) == 0)
            return i;
    }
    return -1;
}

int TWStrings::IndexOfObject(const void* AObject) const {
    int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (GetObject(i) == AObject)
            return i;
    return -1;
}

bool TWStrings::LoadFromFile(const std::u16string& FileName) {
    std::string bytes;
    if (ReadFileContents(FileName, bytes) != platform::TReadResult::Read)
        return false;
    std::u16string text;
    DecodeTextFile(bytes, text);
    TWUpdateGuard guard(*this);
    SetTextStr(text);
    return true;
}

void TWStrings::LoadFromStream(std::istream& Stream) {
    std::string bytes{std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>()};
    SetTextFromBytes(bytes, 0);
}

void TWStrings::SetTextFromBytes(const std::string& Bytes, size_t Offset) {
    std::u16string text;
    size_t units = (Bytes.size() - Offset) / 2;
    text.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        auto lo = static_cast<unsigned char>(Bytes[Offset + 2 * i]);
        auto hi = static_cast<unsigned char>(Bytes[Offset + 2 * i + 1]);
        text.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    TWUpdateGuard guard(*this);
    SetTextStr(text);
}

void TWStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    // Both places are checked first so a bad target cannot lose the entry taken out.
    if (NewIndex < 0 || NewIndex >= GetCount())
        IndexError(NewIndex);
    std::u16string s = Get(CurIndex);
    void* object = GetObject(CurIndex);
    TWUpdateGuard guard(*this);
    Delete(CurIndex);
    Insert(NewIndex, s);
    PutObject(NewIndex, object);
}

bool TWStrings::SaveToFile(const std::u16string& FileName) const {
    return ReplaceFileContents(FileName, EncodeTextFile(GetTextStr()));
}

void TWStrings::SaveToStream(std::ostream& Stream) const {
    std::string bytes;
    AppendUtf16Le(bytes, GetTextStr());
    Stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---- TWStringList ----

void TWStringList::SetSorted(bool Value) {
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TWStringList::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        SortEntries(&TWStringList::CompareEntries);
    else
        Changed(); // lookups keyed on the old rule are stale
}

std::u16string TWStringList::Get(int Index) const {
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
    return FList[static_cast<size_t>(Index)].FString;
}

void* TWStringList::GetObject(int Index) const {
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
    return FList[static_cast<size_t>(Index)].FObject;
}

void TWStringList::Put(int Index, const std::u16string& S) {
    if (FSorted)
        throw EStringListError(SSortedListError);
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FString = S;
    Changed();
}

void TWStringList::PutObject(int Index, void* AObject) {
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FObject = AObject;
    Changed();
}

void TWStringList::SetCapacity(int NewCapacity) {
    // Never below the entries held: shrinking would drop strings.
    if (NewCapacity < GetCount() || NewCapacity == FCapacity)
        return;
    FList.reserve(static_cast<size_t>(NewCapacity));
    FCapacity = NewCapacity;
}

int TWStringList::CompareStrings(const std::u16string& S1, const std::u16string& S2) const {
    return FCaseSensitive ? WideCompareStr(S1, S2) : WideCompareText(S1, S2);
}

int TWStringList::Add(const std::u16string& S) {
    int index = GetCount();
    if (FSorted && Find(S, index)) {
        if (FDuplicates == TDuplicates::dupIgnore)
            return index;
        if (FDuplicates == TDuplicates::dupError)
            throw EStringListError(SDuplicateString);
    }
    InsertItem(index, S, nullptr);
    return index;
}

void TWStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    std::vector<TEntry>().swap(FList);
    FCapacity = 0;
    Changed();
}

void TWStringList::Delete(int Index) {
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TWStringList::Exchange(int Index1, int Index2) {
    if (Index1 < 0 || Index1 >= GetCount())
        IndexError(Index1);
    if (Index2 < 0 || Index2 >= GetCount())
        IndexError(Index2);
    Changing();
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
    Changed();
}

int TWStringList::IndexOf(const std::u16string& S) const {
    if (!FSorted)
        return TWStrings::IndexOf(S);
    int index = 0;
    return Find(S, index) ? index : -1;
}

void TWStringList::Insert(int Index, const std::u16string& S) {
    if (FSorted)
        throw EStringListError(SSortedListError);
    if (Index < 0 || Index > GetCount())
        IndexError(Index);
    InsertItem(Index, S, nullptr);
}

void TWStringList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    if (CurIndex < 0 || CurIndex >= GetCount())
        IndexError(CurIndex);
    if (NewIndex < 0 || NewIndex >= GetCount())
        IndexError(NewIndex);
    // Moving within a sorted list would break its order.
    if (FSorted)
        throw EStringListError(SSortedListError);
    Changing();
    TEntry entry = std::move(FList[static_cast<size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(entry));
    Changed();
}

bool TWStringList::Find(const std::u16string& S, int& Index) const {
    bool found = false;
    int low = 0;
    int high = GetCount() - 1;
    while (low <= high) {
        int middle = low + (high - low) / 2;
        int c = CompareStrings(FList[static_cast<size_t>(middle)].FString, S);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != TDuplicates::dupAccept)
                    low = middle;
            }
        }
    }
    Index = low;
    return found;
}

void TWStringList::Sort() {
    CustomSort(&TWStringList::CompareEntries);
}

void TWStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (FSorted || GetCount() < 2)
        return;
    SortEntries(Compare);
}

void TWStringList::SortEntries(const TStringListSortCompare& Compare) {
    int count = GetCount();
    if (count < 2)
        return;
    Changing();
    // A stable merge sort of positions: the comparison sees the list as it stands and an
    // inconsistent comparison can only give an odd order, never a bad index.
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<size_t>(i)] = i;
    std::vector<int> scratch(order.size());
    for (size_t width = 1; width < order.size(); width *= 2) {
        for (size_t left = 0; left < order.size(); left += 2 * width) {
            size_t mid = std::min(left + width, order.size());
            size_t right = std::min(left + 2 * width, order.size());
            size_t a = left, b = mid, out = left;
            while (a < mid && b < right)
                scratch[out++] = Compare(*this, order[b], order[a]) < 0 ? order[b++] : order[a++];
            while (a < mid)
                scratch[out++] = order[a++];
            while (b < right)
                scratch[out++] = order[b++];
        }
        order.swap(scratch);
    }
    std::vector<TEntry> sorted;
    sorted.reserve(FList.capacity());
    for (int i : order)
        sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
    FList.swap(sorted);
    Changed();
}

int TWStringList::CompareEntries(TWStringList& List, int Index1, int Index2) {
    return List.CompareStrings(List.FList[static_cast<size_t>(Index1)].FString,
                               List.FList[static_cast<size_t>(Index2)].FString);
}

void TWStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TWStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TWStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

void TWStringList::Grow() {
    int delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
    SetCapacity(FCapacity + delta);
}

void TWStringList::InsertItem(int Index, const std::u16string& S, void* AObject) {
    Changing();
    if (GetCount() == FCapacity)
        Grow();
    FList.insert(FList.begin() + Index, TEntry{S, AObject});
    Changed();
}
