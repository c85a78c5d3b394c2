// A string list that answers IndexOf and IndexOfName through hash tables, and the hash table
// itself. The INI store keeps its sections and lines in these.
#pragma once

#include "settings/wstrings.h"

#include <cstdint>
#include <forward_list>
#include <memory>

// Fixed number of buckets, each a chain with the newest entry first.
class TWStringHash {
public:
    explicit TWStringHash(unsigned BucketCount = 256);
    virtual ~TWStringHash() = default;

    void Add(const std::u16string& Key, int Value);
    // The value of the most recently added entry with exactly this key, or -1.
    int ValueOf(const std::u16string& Key) const;
    void Clear();
    virtual std::uint32_t HashOf(const std::u16string& Key) const;

private:
    struct TEntry {
        std::u16string Key;
        int Value;
    };
    std::vector<std::forward_list<TEntry>> FBuckets;
};

// Because the hashes are filled in index order and chains are newest first, a string or name
// held more than once resolves to its highest index.
class TWHashedStringList : public TWStringList {
public:
    int IndexOf(const std::u16string& S) const override;
    int IndexOfName(const std::u16string& Name) const override;

protected:
    // Any change makes both hashes stale; they are rebuilt at the next lookup.
    void Changed() override;

private:
    std::u16string HashKey(const std::u16string& S) const;
    void UpdateValueHash() const;
    void UpdateNameHash() const;

    static constexpr unsigned HashBuckets = 256;
    mutable std::unique_ptr<TWStringHash> FValueHash;
    mutable std::unique_ptr<TWStringHash> FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
};
