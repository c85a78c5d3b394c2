#include "platform/sys/resources.h"

#include "platform/sys/utf.h"
#include "resources/embedded.h"

namespace platform {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() != '#')
            out.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        default: // "\\" and any unknown escape keep the character itself
            out += s[i];
            break;
        }
    }
    return out;
}

// Splits "key<TAB>value"; false when there is no tab.
bool SplitTab(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos)
        return false;
    key = line.substr(0, tab);
    value = line.substr(tab + 1);
    return true;
}

bool ParseId(std::string_view s, UINT& id) {
    if (s.empty() || s.size() > 9)
        return false;
    UINT v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<UINT>(c - '0');
    }
    id = v;
    return true;
}

std::string_view RequiredFile(const std::string& name, int id) {
    if (auto f = FindResourceFile(name))
        return *f;
    throw EResNotFound(std::to_string(id));
}

} // namespace

std::optional<std::string_view> FindResourceFile(std::string_view Name) {
    for (std::size_t i = 0; i < resources::FileCount; ++i) {
        const auto& f = resources::Files[i];
        if (Name == f.Name)
            return std::string_view(reinterpret_cast<const char*>(f.Data), f.Size);
    }
    return std::nullopt;
}

std::string_view LoadPngResource(int ResId) {
    return RequiredFile("images/" + std::to_string(ResId) + ".png", ResId);
}

std::optional<std::string_view> LoadPngResourceVariant(int ResId, int Scale) {
    return FindResourceFile("images/" + std::to_string(ResId) + "@" + std::to_string(Scale) +
                            "x.png");
}

std::string_view LoadIconResource(int ResId) {
    return RequiredFile("images/icon" + std::to_string(ResId) + ".png", ResId);
}

std::map<UINT, std::u16string> ParseStringTable(std::string_view Text) {
    std::map<UINT, std::u16string> table;
    for (auto line : Lines(Text)) {
        std::string_view key, value;
        UINT id;
        if (!SplitTab(line, key, value) || !ParseId(key, id))
            continue;
        std::u16string text = Utf8ToUtf16(Unescape(value), TUtf8Replacement::EachByte);
        // The buffer keeps room for its terminating zero.
        if (text.size() > StringBufferSize - 1) {
            text.resize(StringBufferSize - 1);
            if (text.back() >= 0xD800 && text.back() <= 0xDBFF)
                text.pop_back(); // never leave half a surrogate pair behind
        }
        table[id] = std::move(text);
    }
    return table;
}

std::u16string LoadStr(UINT Id) {
    static const std::map<UINT, std::u16string> table =
        ParseStringTable(FindResourceFile("strings.txt").value_or(std::string_view()));
    const auto it = table.find(Id);
    return it == table.end() ? std::u16string() : it->second;
}

std::optional<TMenuResource> ParseMenu(std::string_view Text) {
    std::optional<TMenuResource> menu;
    for (auto line : Lines(Text)) {
        std::string_view key, value;
        if (!SplitTab(line, key, value))
            continue;
        UINT id;
        if (key == "popup") {
            if (menu)
                break; // only the first popup is shown
            menu.emplace();
            menu->Caption = Utf8ToUtf16(Unescape(value), TUtf8Replacement::EachByte);
        } else if (menu && ParseId(key, id)) {
            menu->Items.push_back({id, Utf8ToUtf16(Unescape(value), TUtf8Replacement::EachByte)});
        }
    }
    return menu;
}

std::optional<TMenuResource> LoadMenuResource(int Id) {
    const auto file = FindResourceFile("menu" + std::to_string(Id) + ".txt");
    if (!file)
        return std::nullopt;
    return ParseMenu(*file);
}

TVersionInfo LoadVersionInfo() {
    TVersionInfo info;
    for (auto line : Lines(FindResourceFile("version.txt").value_or(std::string_view()))) {
        std::string_view key, value;
        if (!SplitTab(line, key, value))
            continue;
        std::u16string* field = key == "FileVersion"      ? &info.FileVersion
                                : key == "ProductVersion" ? &info.ProductVersion
                                : key == "ProductName"    ? &info.ProductName
                                : key == "InternalName"   ? &info.InternalName
                                                          : nullptr;
        if (field)
            *field = Utf8ToUtf16(Unescape(value), TUtf8Replacement::EachByte);
    }
    return info;
}

} // namespace platform
