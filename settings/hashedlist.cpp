#include "settings/hashedlist.h"

#include "settings/unicode.h"

TWStringHash::TWStringHash(unsigned BucketCount) : FBuckets(BucketCount ? BucketCount : 1) {}

void TWStringHash::Add(const std::u16string& Key, int Value) {
    FBuckets[HashOf(Key) % FBuckets.size()].push_front(TEntry{Key, Value});
}

int TWStringHash::ValueOf(const std::u16string& Key) const {
    for (const TEntry& entry : FBuckets[HashOf(Key) % FBuckets.size()])
        if (entry.Key == Key)
            return entry.Value;
    return -1;
}

void TWStringHash::Clear() {
    for (auto& bucket : FBuckets)
        bucket.clear();
}

std::uint32_t TWStringHash::HashOf(const std::u16string& Key) const {
    std::uint32_t hash = 0;
    for (char16_t c : Key)
        hash = ((hash << 2) | (hash >> 30)) ^ c;
    return hash;
}

int TWHashedStringList::IndexOf(const std::u16string& S) const {
    UpdateValueHash();
    return FValueHash->ValueOf(HashKey(S));
}

int TWHashedStringList::IndexOfName(const std::u16string& Name) const {
    UpdateNameHash();
    return FNameHash->ValueOf(HashKey(Name));
}

void TWHashedStringList::Changed() {
    TWStringList::Changed();
    FValueHashValid = false;
    FNameHashValid = false;
}

std::u16string TWHashedStringList::HashKey(const std::u16string& S) const {
    return CaseSensitive() ? S : WideUpperCase(S);
}

void TWHashedStringList::UpdateValueHash() const {
    if (FValueHashValid)
        return;
    if (FValueHash)
        FValueHash->Clear();
    else
        FValueHash = std::make_unique<TWStringHash>(HashBuckets);
    int count = GetCount();
    for (int i = 0; i < count; ++i)
        FValueHash->Add(HashKey(Get(i)), i);
    FValueHashValid = true;
}

void TWHashedStringList::UpdateNameHash() const {
    if (FNameHashValid)
        return;
    if (FNameHash)
        FNameHash->Clear();
    else
        FNameHash = std::make_unique<TWStringHash>(HashBuckets);
    int count = GetCount();
    for (int i = 0; i < count; ++i) {
        std::u16string s = Get(i);
        size_t p = s.find(u'=');
        if (p != std::u16string::npos)
            FNameHash->Add(HashKey(s.substr(0, p)), i);
    }
    FNameHashValid = true;
}
