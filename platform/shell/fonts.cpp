#include "platform/shell/fonts.h"

#include "platform/gfx/owners.h"
#include "platform/sys/resources.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <map>
#include <memory>

namespace platform {

namespace {

struct TFcConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
struct TFcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct TFcObjectSetDeleter {
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
struct TFcFontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using TFcConfigPtr = std::unique_ptr<FcConfig, TFcConfigDeleter>;
using TFcPatternPtr = std::unique_ptr<FcPattern, TFcPatternDeleter>;

class TFontSystem {
public:
    TFontSystem() {
        // A configuration of our own: the system's, then our aliases.
        Config.reset(FcInitLoadConfigAndFonts());
        if (const auto conf = FindResourceFile("fonts.conf")) {
            // The embedded file carries a trailing zero, as fontconfig wants a C string.
            FcConfigParseAndLoadFromMemory(Config.get(),
                                           reinterpret_cast<const FcChar8*>(conf->data()), FcTrue);
        }
        // Pango reads the process-wide configuration on a thread of its own as soon as a font
        // map exists, and the first text waits for it: with ours made the current one first,
        // the system's files are read and its caches mapped once instead of twice. Ours only
        // adds the skin's two families, so the platform's own "Sans" resolves as before.
        FcConfigSetCurrent(Config.get());
        Map.reset(pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT));
        if (Map && PANGO_IS_FC_FONT_MAP(Map.get()))
            pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(Map.get()), Config.get());
    }

    bool Installed(const std::string& family) {
        TFcPatternPtr pattern(FcPatternCreate());
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(family.c_str()));
        std::unique_ptr<FcObjectSet, TFcObjectSetDeleter> objects(
            FcObjectSetBuild(FC_FAMILY, nullptr));
        std::unique_ptr<FcFontSet, TFcFontSetDeleter> fonts(
            FcFontList(Config.get(), pattern.get(), objects.get()));
        return fonts && fonts->nfont > 0;
    }

    std::string Resolve(const std::string& family) {
        const auto cached = Cache.find(family);
        if (cached != Cache.end())
            return cached->second;
        static const char* const generic[] = {"sans-serif", "sans", "serif", "monospace", "mono"};
        bool usable = false;
        for (const char* g : generic)
            usable =
                usable || FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(g),
                                             reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
        if (!usable && !family.empty()) {
            // After substitution an alias of ours (a strong binding) stands first; weak
            // system fallbacks are appended behind the name and do not count.
            TFcPatternPtr pattern(FcPatternCreate());
            FcPatternAddString(pattern.get(), FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(family.c_str()));
            FcConfigSubstitute(Config.get(), pattern.get(), FcMatchPattern);
            FcChar8* first = nullptr;
            if (FcPatternGetString(pattern.get(), FC_FAMILY, 0, &first) == FcResultMatch)
                usable = Installed(reinterpret_cast<const char*>(first));
        }
        const std::string resolved = usable ? family : "sans-serif";
        Cache.emplace(family, resolved);
        return resolved;
    }

    TFcConfigPtr Config;
    TPangoFontMapPtr Map;
    std::map<std::string, std::string> Cache;
};

TFontSystem& Fonts() {
    static TFontSystem fonts;
    return fonts;
}

} // namespace

PangoFontMap* FontMap() {
    return Fonts().Map.get();
}

std::string ResolveFontFamily(const std::string& Family) {
    return Fonts().Resolve(Family);
}

} // namespace platform
