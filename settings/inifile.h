// The INI store: typed reads and writes of values addressed by section and key
// (TWCustomIniFile), kept wholly in memory and written back on request (TWMemIniFile).
#pragma once

#include "settings/hashedlist.h"

#include <memory>
#include <string>
#include <vector>

class TWCustomIniFile {
public:
    explicit TWCustomIniFile(std::u16string FileName) : FFileName(std::move(FileName)) {}
    TWCustomIniFile(const TWCustomIniFile&) = delete;
    TWCustomIniFile& operator=(const TWCustomIniFile&) = delete;
    virtual ~TWCustomIniFile() = default;

    const std::u16string& FileName() const { return FFileName; }

    virtual std::u16string ReadString(const std::u16string& Section, const std::u16string& Ident,
                                      const std::u16string& Default) const = 0;
    virtual void WriteString(const std::u16string& Section, const std::u16string& Ident,
                             const std::u16string& Value) = 0;
    // Decimal, or hexadecimal after "$" or a leading "0x"; anything else gives Default.
    virtual int ReadInteger(const std::u16string& Section, const std::u16string& Ident,
                            int Default) const;
    virtual void WriteInteger(const std::u16string& Section, const std::u16string& Ident,
                              int Value);
    virtual bool ReadBool(const std::u16string& Section, const std::u16string& Ident,
                          bool Default) const;
    virtual void WriteBool(const std::u16string& Section, const std::u16string& Ident, bool Value);
    virtual void WriteHexInteger(const std::u16string& Section, const std::u16string& Ident,
                                 int Value);
    virtual void ReadSection(const std::u16string& Section, TWStrings& Strings) const = 0;
    virtual void ReadSections(TWStrings& Strings) const = 0;
    virtual void ReadSectionValues(const std::u16string& Section, TWStrings& Strings) const = 0;
    virtual void EraseSection(const std::u16string& Section) = 0;
    virtual void DeleteKey(const std::u16string& Section, const std::u16string& Ident) = 0;
    // True when FileName now holds the whole store. False when it could not be written: the
    // previous file is then left exactly as it was and the store keeps its content.
    virtual bool UpdateFile() = 0;

private:
    std::u16string FFileName;
};

class TWMemIniFile : public TWCustomIniFile {
public:
    // Reads the file at once; a missing or unreadable file gives an empty store. UTF-8 files
    // are read as well as UTF-16 ones (see DecodeTextFile); the store always writes UTF-16LE.
    explicit TWMemIniFile(const std::u16string& FileName);
    ~TWMemIniFile() override;

    std::u16string ReadString(const std::u16string& Section, const std::u16string& Ident,
                              const std::u16string& Default) const override;
    void WriteString(const std::u16string& Section, const std::u16string& Ident,
                     const std::u16string& Value) override;
    void ReadSection(const std::u16string& Section, TWStrings& Strings) const override;
    void ReadSections(TWStrings& Strings) const override;
    void ReadSectionValues(const std::u16string& Section, TWStrings& Strings) const override;
    void EraseSection(const std::u16string& Section) override;
    void DeleteKey(const std::u16string& Section, const std::u16string& Ident) override;
    // Leaves exactly one section of that name, without lines: the first one where it stood
    // (later ones of the same name go), or a new one at the end.
    void ClearSection(const std::u16string& Section);
    // The lines of every section of that name, in file order.
    void ReadSectionLines(const std::u16string& Section, TWStrings& Strings) const;
    bool SectionExists(const std::u16string& Section) const;
    // A file that existed but could not be understood is first kept beside the new one (see
    // KeepsOldFile).
    bool UpdateFile() override;

    // Discards the content and reads FileName again.
    virtual void LoadValues();

    // True while FileName holds a file the store could not understand: one that is not a
    // regular file of settings size, that did not decode exactly, or that has lines but no
    // section. It may hold what the user typed, so the next UpdateFile keeps it as
    // "<name>.bad" (or ".bad.2" ...) before replacing it.
    bool KeepsOldFile() const { return FKeepOldFile; }

    // The store as the lines of its file, and back; the file is these lines as UTF-16LE.
    void GetStrings(TWStrings& List) const;
    void SetStrings(const TWStrings& List);
    void Clear();

    // Section names in file order; each object is that section's TWHashedStringList of lines.
    const TWHashedStringList& Sections() const { return FSections; }

private:
    TWHashedStringList* AddSection(const std::u16string& Section);
    TWHashedStringList* SectionAt(int Index) const;
    TWHashedStringList* FindSection(const std::u16string& Section) const;
    void EraseSectionAt(int Index);

    TWHashedStringList FSections;
    std::vector<std::unique_ptr<TWHashedStringList>> FSectionLists;
    bool FKeepOldFile = false;
};

// One stored line as it goes into the file: backslash, CR, LF and TAB escaped, U+0000 dropped,
// and a vanishing "\_" pair added where the reader would otherwise trim, skip or misread the line.
std::u16string EscapeIniLine(const std::u16string& Line);
// The reader's side: "\\", "\n", "\r", "\t" decoded; any other backslash pair vanishes.
std::u16string UnescapeIniLine(const std::u16string& Line);
// Optional sign, then decimal digits or "$" and up to 32 bits of hexadecimal digits.
bool TryStrToInt(const std::u16string& S, int& Value);
