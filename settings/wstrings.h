// settings/ holds the wide string lists, the INI store on top of them and the widget's options.
// Plain C++ without a display: start here with the string lists, then the INI
// store (inifile.h).
//
// Lists of UTF-16 strings, each with an optional object reference beside it: the abstract
// TWStrings and the array-backed TWStringList. The hashed variant is in hashedlist.h.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

// Index and sorted-list errors of the lists carry these exact messages.
class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a text file as the lists write it: the mark FF FE, then UTF-16LE.
std::string EncodeTextFile(const std::u16string& Text);

// The text of a file's bytes: UTF-16LE after FF FE, UTF-16BE after FE FF, UTF-8 after EF BB BF.
// Without a mark the bytes are UTF-8 when none of them is NUL (text editors save that way) and
// UTF-16LE from the first byte otherwise. False when some bytes did not decode exactly
// (malformed UTF-8 became U+FFFD, an odd last byte of UTF-16 was dropped).
bool DecodeTextFile(const std::string& Bytes, std::u16string& Text);

enum class TDuplicates : std::uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TWStrings {
public:
    TWStrings() = default;
    TWStrings(const TWStrings&) = delete;
    TWStrings& operator=(const TWStrings&) = delete;
    virtual ~TWStrings() = default;

    // Becomes a copy of Source: strings and object references, in one bulk change.
    virtual void Assign(const TWStrings& Source);

    int Count() const { return GetCount(); }
    // Text before the first "=", or empty when the entry has none.
    std::u16string GetName(int Index) const;

    void BeginUpdate();
    void EndUpdate();

    virtual std::u16string Get(int Index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual void* GetObject(int Index) const;
    // Every string followed by CR LF, the last one too.
    virtual std::u16string GetTextStr() const;
    virtual void Put(int Index, const std::u16string& S);
    virtual void PutObject(int Index, void* AObject);
    virtual void SetCapacity(int NewCapacity);
    // One entry per line; CR LF, a lone CR and a lone LF each end a line; U+0000 ends the text.
    virtual void SetTextStr(const std::u16string& Value);
    // Below, equal to or above 0; case-insensitive here.
    virtual int CompareStrings(const std::u16string& S1, const std::u16string& S2) const;
    virtual int Add(const std::u16string& S);
    virtual int AddObject(const std::u16string& S, void* AObject);
    virtual void AddStrings(const TWStrings& Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const std::u16string& S) const;
    // Only entries holding an "=" take part; their text before the first "=" is the name.
    virtual int IndexOfName(const std::u16string& Name) const;
    virtual int IndexOfObject(const void* AObject) const;
    virtual void Insert(int Index, const std::u16string& S) = 0;
    // The file's text as DecodeTextFile reads it. False when the file cannot be read (missing,
    // not a regular file, larger than a settings file can be); the list is then unchanged.
    virtual bool LoadFromFile(const std::u16string& FileName);
    // The rest of the stream as UTF-16LE code units; an odd last byte is ignored.
    virtual void LoadFromStream(std::istream& Stream);
    virtual void Move(int CurIndex, int NewIndex);
    // FF FE and the text as UTF-16LE, replacing the file atomically. False when it could not
    // be written; the old file is then untouched.
    virtual bool SaveToFile(const std::u16string& FileName) const;
    virtual void SaveToStream(std::ostream& Stream) const;

protected:
    virtual void SetUpdateState(bool Updating);
    int UpdateCount() const { return FUpdateCount; }
    [[noreturn]] static void IndexError(int Index);
    // Decodes UTF-16LE bytes from Offset and hands them to SetTextStr inside one bulk change.
    void SetTextFromBytes(const std::string& Bytes, size_t Offset);

private:
    int FUpdateCount = 0;
};

// Keeps a list inside one bulk change for the lifetime of the guard, exceptions included.
class TWUpdateGuard {
public:
    explicit TWUpdateGuard(TWStrings& List) : FList(List) { FList.BeginUpdate(); }
    TWUpdateGuard(const TWUpdateGuard&) = delete;
    TWUpdateGuard& operator=(const TWUpdateGuard&) = delete;
    ~TWUpdateGuard() { FList.EndUpdate(); }

private:
    TWStrings& FList;
};

class TWStringList : public TWStrings {
public:
    using TStringListSortCompare = std::function<int(TWStringList& List, int Index1, int Index2)>;

    TWStringList() = default;

    // Fired only outside bulk changes; a bulk change fires each once around itself.
    std::function<void(TWStrings* Sender)> OnChange;
    std::function<void(TWStrings* Sender)> OnChanging;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);

    std::u16string Get(int Index) const override;
    int GetCapacity() const override { return FCapacity; }
    int GetCount() const override { return static_cast<int>(FList.size()); }
    void* GetObject(int Index) const override;
    void Put(int Index, const std::u16string& S) override;
    void PutObject(int Index, void* AObject) override;
    void SetCapacity(int NewCapacity) override;
    int CompareStrings(const std::u16string& S1, const std::u16string& S2) const override;
    int Add(const std::u16string& S) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const std::u16string& S) const override;
    void Insert(int Index, const std::u16string& S) override;
    void Move(int CurIndex, int NewIndex) override;

    // Binary search of a sorted list: the match, or the place where S would be inserted.
    virtual bool Find(const std::u16string& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool Updating) override;

private:
    struct TEntry {
        std::u16string FString;
        void* FObject = nullptr;
    };

    static int CompareEntries(TWStringList& List, int Index1, int Index2);
    void Grow();
    void InsertItem(int Index, const std::u16string& S, void* AObject);
    // Sorts regardless of Sorted; used when the order rule itself changes.
    void SortEntries(const TStringListSortCompare& Compare);

    std::vector<TEntry> FList;
    int FCapacity = 0;
    bool FSorted = false;
    TDuplicates FDuplicates = TDuplicates::dupIgnore;
    bool FCaseSensitive = false;
};
