// TCanvasEx: one TBitmapEx with the cairo context that composites bitmaps onto it and the text
// tools that draw into it. Every painted element owns a canvas of its own size; the window's
// picture is built by compositing those canvases bottom-up.
#pragma once

#include "platform/types.h"
#include "widgets/bitmap.h"
#include "widgets/text.h"

#include <cairo.h>
#include <pango/pango.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace widgets {

// Rendering settings keep the numeric values of the original engine's enumerations, since the
// widget's code and its saved look are written in those numbers.
constexpr int TextRenderingHintSystemDefault = 0;
constexpr int TextRenderingHintSingleBitPerPixelGridFit = 1;
constexpr int TextRenderingHintSingleBitPerPixel = 2;
constexpr int TextRenderingHintAntiAliasGridFit = 3;
constexpr int TextRenderingHintAntiAlias = 4;
constexpr int TextRenderingHintClearTypeGridFit = 5;

constexpr int SmoothingModeDefault = 0;
constexpr int SmoothingModeHighSpeed = 1;
constexpr int SmoothingModeHighQuality = 2;
constexpr int SmoothingModeNone = 3;
constexpr int SmoothingModeAntiAlias = 4;

constexpr int InterpolationModeDefault = 0;
constexpr int InterpolationModeLowQuality = 1;
constexpr int InterpolationModeHighQuality = 2;
constexpr int InterpolationModeBilinear = 3;
constexpr int InterpolationModeBicubic = 4;
constexpr int InterpolationModeNearestNeighbor = 5;
constexpr int InterpolationModeHighQualityBilinear = 6;
constexpr int InterpolationModeHighQualityBicubic = 7;

constexpr int PixelOffsetModeDefault = 0;
constexpr int PixelOffsetModeHighSpeed = 1;
constexpr int PixelOffsetModeHighQuality = 2;
constexpr int PixelOffsetModeNone = 3;
constexpr int PixelOffsetModeHalf = 4;

using platform::TCairoPatternPtr;
using platform::TCairoSaveGuard;
using platform::TPangoContextPtr;
using platform::TPangoLayoutPtr;

struct TSize {
    int cx = 0;
    int cy = 0;
};

class TCanvasEx : public TGraphicObjectEx {
public:
    // Scale 0 draws at the window manager's render scale (see TBitmapEx).
    TCanvasEx(int Width, int Height, int Format = FormatARGB32, int Scale = 0);
    ~TCanvasEx() override;
    TCanvasEx(const TCanvasEx&) = delete;
    TCanvasEx& operator=(const TCanvasEx&) = delete;

    // Starts a fresh transparent bitmap of the new size; tools and settings are kept.
    void SetSize(int Width, int Height);
    void SetSize(int Width, int Height, int Scale);
    void Clear();
    // Drawing coordinates (X, Y) land on the bitmap's first pixel from now on, so a canvas may
    // hold just a window onto a larger picture that is drawn in the picture's own coordinates.
    void SetOrigin(int X, int Y);
    // Makes the pixels of Rect fully transparent, for redrawing a part of a kept picture.
    void ClearRect(const platform::TRect& Rect);
    // Moves the bitmap's pixels Rows rows down (up when negative), for a window onto a larger
    // picture that moves along it; the rows left behind keep what they held until redrawn.
    void ShiftRows(int Rows);

    void Draw(const TBitmapEx& Bitmap, int X, int Y);
    // Replaces the whole canvas with Bitmap at (0, 0): where Bitmap covers the canvas, the same
    // pixels as Clear followed by Draw, written once.
    void Replace(const TBitmapEx& Bitmap);
    // Alpha 0-255; 255 paints exactly like Draw.
    void DrawAlpha(const TBitmapEx& Bitmap, int X, int Y, int Alpha);
    // Nearest-neighbour scaling into (X, Y, Width, Height); fast, for animation frames.
    void StretchDraw(const TBitmapEx& Bitmap, int X, int Y, int Width, int Height);
    void DrawPart(const TBitmapEx& Bitmap, int X, int Y, int SrcX, int SrcY, int Width, int Height);
    // Tiles are aligned to the canvas origin, not to the rectangle's corner.
    void TileRect(const TBitmapEx& Bitmap, int Left, int Top, int Right, int Bottom);
    // Scaling with the filter chosen by InterpolationMode; for settled, smooth pictures.
    void DrawImageRect(const TBitmapEx& Bitmap, int X, int Y, int Width, int Height);

    // Text and lines use the Font, StringFormat and Pen in force at the call.
    // Bounding box without wrapping, side padding included: (Trunc(w + 1), Trunc(h + 1)).
    TSize TextExtent(const std::u16string& Text);
    int TextWidth(const std::u16string& Text) { return TextExtent(Text).cx; }
    // Height of Text's box without padding; trailing spaces count.
    float TypographicHeight(const std::u16string& Text);
    // Wraps at word boundaries inside Rect, clips to it and places the text by the format's
    // Alignment and LineAlignment, in the font's colour. Lines, when given, receives the box of
    // each line as drawn (logical extents, widened to whole pixels, clipped to Rect).
    void DrawText(const platform::TRect& Rect, const std::u16string& Text,
                  std::vector<platform::TRect>* Lines = nullptr);
    void Line(int X1, int Y1, int X2, int Y2);

    TFontEx& Font() { return FFont; }
    TStringFormatEx& StringFormat() { return FStringFormat; }
    TSolidBrushEx& Brush() { return FBrush; }
    TPenEx& Pen() { return FPen; }

    TBitmapEx& Bitmap() { return *FBitmap; }
    const TBitmapEx& Bitmap() const { return *FBitmap; }
    cairo_t* Context() const { return FContext.get(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Format() const { return FFormat; }
    int Scale() const { return FScale; }

    bool Antialias() const { return FAntialias; }
    // True selects TextRenderingHintAntiAlias, False TextRenderingHintAntiAliasGridFit.
    void SetAntialias(bool Value);
    int TextRenderingHint() const { return FTextRenderingHint; }
    void SetTextRenderingHint(int Value);
    int SmoothingMode() const { return FSmoothingMode; }
    void SetSmoothingMode(int Value);
    int InterpolationMode() const { return FInterpolationMode; }
    void SetInterpolationMode(int Value);
    int PixelOffsetMode() const { return FPixelOffsetMode; }
    void SetPixelOffsetMode(int Value);
    unsigned TextContrast() const { return FTextContrast; }
    void SetTextContrast(unsigned Value);

    // Set at creation; kept for callers that track repaint needs, no canvas operation reads it.
    bool Changed = true;

    // What this canvas has handed to the text engine: layouts made and the UTF-16 units in
    // them. The engine's cost follows these, so callers can be held to a bound on it.
    struct TTextWork {
        std::size_t Layouts = 0;
        std::size_t Characters = 0;
    };
    const TTextWork& TextWork() const { return FTextWork; }

private:
    void BuildSurface();
    void ApplySettings();
    struct TLineFont {
        // What selects the face: the description, the context's transformation and the hinting.
        TFontDescriptionPtr Description;
        double Matrix[4] = {};
        int Hint = -1;
        // Null when the description has no face that covers the sample character.
        platform::TGObjectPtr<PangoFont> Face;
        int LineUnits = 0;
        // Per code point below U+2028: 0 not yet asked, 1 set in Face, -1 not.
        std::vector<signed char> Covered;
    };
    // The Pango context, with the font options of the current rendering hint.
    PangoContext* TextContext();
    TPangoLayoutPtr MakeLayout(const std::u16string& Text, bool Typographic);
    // The face and line height of the current font, found once per font and transformation.
    TLineFont* LineFont();
    // The number of lines of Text when every line is set in the font's first face and so is as
    // tall as one line of it; 0 when only a layout can tell Text's height.
    int UniformLines(const std::u16string& Text);
    double Padding() const;

    std::unique_ptr<TBitmapEx> FBitmap;
    TCairoPtr FContext;
    int FOriginX = 0;
    int FOriginY = 0;
    int FWidth;
    int FHeight;
    int FFormat;
    int FScale;
    bool FAntialias = true;
    int FTextRenderingHint = TextRenderingHintAntiAlias;
    int FSmoothingMode = SmoothingModeAntiAlias;
    int FInterpolationMode = InterpolationModeNearestNeighbor;
    int FPixelOffsetMode = PixelOffsetModeNone;
    unsigned FTextContrast = 4;
    TFontEx FFont;
    TStringFormatEx FStringFormat;
    TSolidBrushEx FBrush;
    TPenEx FPen;
    // Made on first text use; independent of the surface, so SetSize keeps it.
    TPangoContextPtr FPangoContext;
    int FAppliedHint = -1;
    std::vector<std::unique_ptr<TLineFont>> FLineFonts;
    TTextWork FTextWork;
};

} // namespace widgets
