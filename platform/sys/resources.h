// The program's resources: skin pictures, the icon, the string table, menu 101, the version
// block and the font aliases, compiled into the executable from resources/ and asked for by id.
// Nothing here touches the disk.
#pragma once

#include "platform/types.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Raised for a picture or icon id the program does not carry.
class EResNotFound : public std::runtime_error {
public:
    explicit EResNotFound(const std::string& name)
        : std::runtime_error("Resource " + name + " not found") {}
};

// Bytes of a compiled-in file by its path under resources/ ("fonts.conf"); nullopt if absent.
std::optional<std::string_view> FindResourceFile(std::string_view Name);

// The PNG bytes of skin picture ResId (5000-5011). Throws EResNotFound for an unknown id.
std::string_view LoadPngResource(int ResId);
// The PNG bytes of skin picture ResId drawn at a whole factor above 1 of its size;
// nullopt when the program carries no such variant.
std::optional<std::string_view> LoadPngResourceVariant(int ResId, int Scale);
// The PNG bytes of icon ResId (101). Throws EResNotFound for an unknown id.
std::string_view LoadIconResource(int ResId);

// The text of string-table entry Id, read through a buffer of this many UTF-16 units (so at
// most one less survives); an id not in the table gives the empty text.
constexpr std::size_t StringBufferSize = 2048;
std::u16string LoadStr(UINT Id);

struct TMenuItemResource {
    UINT Id = 0;
    std::u16string Text; // '&' marks the access key; a tab separates the shortcut text
};
struct TMenuResource {
    std::u16string Caption; // the popup's own caption
    std::vector<TMenuItemResource> Items;
};
// The popup of menu resource Id, items in order; nullopt when the program has no such menu.
std::optional<TMenuResource> LoadMenuResource(int Id);

struct TVersionInfo {
    std::u16string FileVersion;
    std::u16string ProductVersion;
    std::u16string ProductName;
    std::u16string InternalName;
};
TVersionInfo LoadVersionInfo();

// The parsers behind the calls above, open for tests. Lines starting with '#' and blank lines
// are skipped; malformed lines are ignored rather than guessed at.
std::map<UINT, std::u16string> ParseStringTable(std::string_view Text);
std::optional<TMenuResource> ParseMenu(std::string_view Text);

} // namespace platform
