// Pure helpers of the X11 backend: alpha masks to shape rectangles, the XSETTINGS blob and the
// desktop's scale from the places it is published.
#include "platform/display/x11/x11_settings.h"
#include "platform/display/x11/x11_shape.h"

#include <gtest/gtest.h>

#include <cstring>

#include <optional>
#include <string>
#include <vector>

using namespace platform;

namespace {

std::vector<std::uint32_t> Mask(const std::vector<const char*>& rows) {
    std::vector<std::uint32_t> px;
    for (const char* row : rows)
        for (const char* c = row; *c != '\0'; ++c)
            px.push_back(*c == '#' ? 0xFF000000u : *c == '+' ? 0x01000000u : 0x00FFFFFFu);
    return px;
}

std::vector<TRect> Rects(const std::vector<const char*>& rows) {
    const auto px = Mask(rows);
    const int w = static_cast<int>(std::strlen(rows[0]));
    TFrameView view{px.data(), w, static_cast<int>(rows.size()), w * 4};
    return AlphaMaskRects(view);
}

TEST(AlphaMaskRects, RowsWithEqualRunsShareABand) {
    struct TCase {
        std::vector<const char*> Rows;
        std::vector<TRect> Expected;
    };
    const TCase cases[] = {
        {{"....", "...."}, {}},
        {{"####", "####"}, {{0, 0, 4, 2}}},
        // Alpha 1 counts; colour without alpha (as after a Clear to white) does not.
        {{".+#.", ".##."}, {{1, 0, 3, 2}}},
        {{".##.", "####", "####", ".##."}, {{1, 0, 3, 1}, {0, 1, 4, 3}, {1, 3, 3, 4}}},
        {{"#.#.#", "#.#.#"}, {{0, 0, 1, 2}, {2, 0, 3, 2}, {4, 0, 5, 2}}},
        {{"##..", "..##"}, {{0, 0, 2, 1}, {2, 1, 4, 2}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rects(c.Rows), c.Expected) << c.Rows[0];
    // With a threshold the faint pixels fall out; the threshold itself counts.
    const auto px = Mask({".+#.", ".##."});
    const TFrameView view{px.data(), 4, 2, 16};
    EXPECT_EQ(AlphaMaskRects(view, 2), (std::vector<TRect>{{2, 0, 3, 1}, {1, 1, 3, 2}}));
    EXPECT_EQ(AlphaMaskRects(view, 0xFF), AlphaMaskRects(view, 2));
}

TEST(AlphaMaskRects, HonoursTheStrideAndRejectsEmptyFrames) {
    // Two pixels wide, stored with a stride of three; the padding is opaque and must be ignored.
    std::vector<std::uint32_t> px = {0xFF000000u, 0, 0xFF000000u, 0, 0xFF000000u, 0xFF000000u};
    TFrameView view{px.data(), 2, 2, 12};
    EXPECT_EQ(AlphaMaskRects(view), (std::vector<TRect>{{0, 0, 1, 1}, {1, 1, 2, 2}}));
    EXPECT_TRUE(AlphaMaskRects(TFrameView{}).empty());
}

// Builds a settings blob; names and strings padded to four bytes.
struct TBlob {
    bool Msb = false;
    std::vector<std::uint8_t> Bytes;
    void U8(std::uint8_t v) { Bytes.push_back(v); }
    void U16(std::uint16_t v) { Msb ? (U8(v >> 8), U8(v & 0xFF)) : (U8(v & 0xFF), U8(v >> 8)); }
    void U32(std::uint32_t v) {
        const auto high = static_cast<std::uint16_t>(v >> 16), low = static_cast<std::uint16_t>(v);
        Msb ? (U16(high), U16(low)) : (U16(low), U16(high));
    }
    void Text(const std::string& s) {
        Bytes.insert(Bytes.end(), s.begin(), s.end());
        while (Bytes.size() % 4 != 0)
            U8(0);
    }
    void Header(std::uint32_t count) {
        U8(Msb ? 1 : 0), U8(0), U8(0), U8(0);
        U32(7);
        U32(count);
    }
    void Integer(const std::string& name, std::int32_t v) {
        U8(0), U8(0), U16(static_cast<std::uint16_t>(name.size())), Text(name), U32(0);
        U32(static_cast<std::uint32_t>(v));
    }
    void String(const std::string& name, const std::string& v) {
        U8(1), U8(0), U16(static_cast<std::uint16_t>(name.size())), Text(name), U32(0);
        U32(static_cast<std::uint32_t>(v.size())), Text(v);
    }
    void Color(const std::string& name) {
        U8(2), U8(0), U16(static_cast<std::uint16_t>(name.size())), Text(name), U32(0);
        U16(1), U16(2), U16(3), U16(4);
    }
};

TEST(ParseXSettings, ReadsEveryKindInBothByteOrders) {
    for (bool msb : {false, true}) {
        TBlob b{msb, {}};
        b.Header(3);
        b.Integer("Net/DoubleClickTime", 250);
        b.String("Net/ThemeName", "Adwaita");
        b.Color("Gtk/Color");
        TXSettings s;
        ASSERT_TRUE(ParseXSettings(b.Bytes.data(), b.Bytes.size(), s)) << msb;
        EXPECT_EQ(s["Net/DoubleClickTime"].Integer, 250);
        EXPECT_EQ(s["Net/ThemeName"].Text, "Adwaita");
        EXPECT_EQ(s["Gtk/Color"].Color[3], 4);
    }
}

TEST(ParseXSettings, RejectsTruncatedAndLyingBlobsWithoutReadingPastThem) {
    TBlob b;
    b.Header(2);
    b.Integer("Net/DoubleClickTime", 250);
    b.String("Net/ThemeName", "Adwaita");
    // Every prefix that cuts the last entry short fails, but keeps the entries before it.
    for (std::size_t n = 0; n < b.Bytes.size(); ++n) {
        std::vector<std::uint8_t> cut(b.Bytes.begin(), b.Bytes.begin() + n);
        TXSettings s;
        EXPECT_FALSE(ParseXSettings(cut.data(), cut.size(), s)) << n;
    }
    // A string that claims four gigabytes.
    TBlob liar;
    liar.Header(1);
    liar.U8(1), liar.U8(0), liar.U16(1), liar.Text("x"), liar.U32(0), liar.U32(0xFFFFFFFFu);
    TXSettings s;
    EXPECT_FALSE(ParseXSettings(liar.Bytes.data(), liar.Bytes.size(), s));
    // An unknown kind stops the parse: its size cannot be known.
    TBlob odd;
    odd.Header(1);
    odd.U8(9), odd.U8(0), odd.U16(1), odd.Text("x"), odd.U32(0), odd.U32(1);
    EXPECT_FALSE(ParseXSettings(odd.Bytes.data(), odd.Bytes.size(), s));
}

// The sources in their order, each skipped when it holds nothing usable; expected factors are the
// published DPI / 96, rounded to a quarter and kept within 1 to 3.
TEST(DesktopScale, TakesTheFirstUsableSourceInOrder) {
    struct TCase {
        const char* Name;
        std::optional<std::string> GdkScale;
        std::optional<std::int32_t> XftDpi;        // in 1024ths, as published
        std::optional<std::int32_t> WindowScaling; // Gdk/WindowScalingFactor
        std::optional<std::string> Resources;
        double Expected;
    };
    const std::int32_t k = 1024;
    const std::string spaced = "  Xft.dpi : 96\nXcursor.size: 48\nXft.dpi:\t192\n";
    const TCase cases[] = {
        {"nothing published", {}, {}, {}, {}, 1},
        {"resources only", {}, {}, {}, "Xft.antialias:\t1\nXft.dpi:\t144\n", 1.5},
        {"resources with spaces and a later override", {}, {}, {}, spaced, 2},
        {"resources without the key", {}, {}, {}, "Xft.dpis: 192\n*dpi: 192\n", 1},
        {"resources with a word for a number", {}, {}, {}, "Xft.dpi: big\n", 1},
        {"XSETTINGS over resources", {}, 120 * k, {}, "Xft.dpi: 192\n", 1.25},
        {"GNOME at 200 % publishes both, once", {}, 192 * k, 2, "Xft.dpi: 192\n", 2},
        {"scaling factor alone is not a source", {}, {}, 2, "Xft.dpi: 96\n", 1},
        {"unset Xft/DPI falls through", {}, -1, {}, "Xft.dpi: 240\n", 2.5},
        {"almost 96 is 1", {}, 97 * k, {}, {}, 1},
        {"environment over everything", "2", 96 * k, 1, "Xft.dpi: 144\n", 2},
        {"environment fraction", "1.75", {}, {}, {}, 1.75},
        {"environment that is no number", "two", 144 * k, {}, {}, 1.5},
        {"environment zero", "0", {}, {}, "Xft.dpi: 192\n", 2},
        {"below 1 is 1", "0.5", 192 * k, {}, {}, 1},
        {"above 3 is 3", "4", {}, {}, {}, 3},
        {"a huge DPI is 3", {}, 2000000000, {}, {}, 3},
    };
    for (const TCase& c : cases) {
        TScaleSources sources{c.GdkScale, {}, c.Resources};
        // Through the blob a settings manager really publishes.
        TBlob blob;
        blob.Header(static_cast<std::uint32_t>(c.XftDpi.has_value() + c.WindowScaling.has_value()));
        if (c.WindowScaling)
            blob.Integer("Gdk/WindowScalingFactor", *c.WindowScaling);
        if (c.XftDpi)
            blob.Integer("Xft/DPI", *c.XftDpi);
        ASSERT_TRUE(ParseXSettings(blob.Bytes.data(), blob.Bytes.size(), sources.XSettings));
        EXPECT_DOUBLE_EQ(DesktopScale(sources), c.Expected) << c.Name;
    }
}

} // namespace
