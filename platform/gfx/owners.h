// gfx/ is the one home of the cairo, Pango and GObject helpers that the platform's own painting,
// the X11 tray and the toolkit above share: the owners below, which free each C object exactly
// once, and the PNG decoder (png.h). Read this file first.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>

namespace platform {

struct TCairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
    void operator()(cairo_font_options_t* o) const { cairo_font_options_destroy(o); }
};
using TCairoPtr = std::unique_ptr<cairo_t, TCairoDeleter>;
using TCairoSurfacePtr = std::unique_ptr<cairo_surface_t, TCairoDeleter>;
using TCairoPatternPtr = std::unique_ptr<cairo_pattern_t, TCairoDeleter>;
using TCairoFontOptionsPtr = std::unique_ptr<cairo_font_options_t, TCairoDeleter>;

// Any GObject: layouts, contexts, font maps.
struct TGObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using TGObjectPtr = std::unique_ptr<T, TGObjectDeleter>;
using TPangoLayoutPtr = TGObjectPtr<PangoLayout>;
using TPangoContextPtr = TGObjectPtr<PangoContext>;
using TPangoFontMapPtr = TGObjectPtr<PangoFontMap>;

// Pango's plain structures, each with its own free function.
struct TPangoDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
    void operator()(PangoAttrList* a) const { pango_attr_list_unref(a); }
};
using TFontDescriptionPtr = std::unique_ptr<PangoFontDescription, TPangoDeleter>;
using TAttrListPtr = std::unique_ptr<PangoAttrList, TPangoDeleter>;

// Pairs cairo_save with cairo_restore, so no drawing call leaves its source, clip or matrix
// behind in the context (a left-over source would also keep the source surface alive).
class TCairoSaveGuard {
public:
    explicit TCairoSaveGuard(cairo_t* cr) : FCr(cr) { cairo_save(FCr); }
    ~TCairoSaveGuard() { cairo_restore(FCr); }
    TCairoSaveGuard(const TCairoSaveGuard&) = delete;
    TCairoSaveGuard& operator=(const TCairoSaveGuard&) = delete;

private:
    cairo_t* FCr;
};

} // namespace platform
