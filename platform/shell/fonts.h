// The fonts text is laid out with: Pango over a fontconfig configuration of the program's own,
// the system's fonts plus the compiled-in aliases that map the skin's families ("Trebuchet MS",
// "Impact") to installed look-alikes. Built once on first use, window thread only.
#pragma once

#include <pango/pango.h>

#include <string>

namespace platform {

// The process-wide font map; every canvas makes its Pango context from it.
PangoFontMap* FontMap();

// Family to ask Pango for: Family itself when it is installed or aliased to an installed
// family (generic names included), otherwise the generic "sans-serif". fontconfig's own
// fallback for an unknown name can be anything, a symbol font included.
std::string ResolveFontFamily(const std::string& Family);

} // namespace platform
