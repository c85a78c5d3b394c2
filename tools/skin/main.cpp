// skingen: draws the widget's skin pictures.
//
//   skingen DIR              writes 5000.png ... 5011.png and icon101.png into DIR, and each
//                            skin picture drawn at 2x and 3x (5000@2x.png ...) beside them
//   skingen --icons DIR      writes the program's mark as 16x16.png ... 256x256.png into DIR
//   skingen --sheet OUT.png  writes a contact sheet of every picture and three mock-ups
//
// From a build tree, `cmake --build build --target skin` rewrites resources/images and
// dist/icons in place.
// The output depends only on this code and the installed fonts ("Roboto Condensed" for the
// wordmark), so the committed pictures can be reproduced exactly.
#include "tools/skin/skin.h"

#include <cstdio>
#include <string>

namespace {

bool Write(cairo_surface_t* surface, const std::string& path) {
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "skingen: cannot write %s: %s\n", path.c_str(),
                     cairo_status_to_string(status));
        return false;
    }
    return true;
}

int Usage() {
    std::fprintf(
        stderr, "usage: skingen DIR\n       skingen --icons DIR\n       skingen --sheet OUT.png\n");
    return 2;
}

std::string MarkFileName(int size) {
    return std::to_string(size) + "x" + std::to_string(size) + ".png";
}

int Run(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sheet") {
        skin::Surface sheet = skin::DrawContactSheet();
        return Write(sheet.get(), argv[2]) ? 0 : 1;
    }
    if (argc == 3 && std::string(argv[1]) == "--icons") {
        for (int size : skin::MarkSizes()) {
            skin::Surface mark = skin::DrawMark(size);
            if (!Write(mark.get(), std::string(argv[2]) + "/" + MarkFileName(size)))
                return 1;
        }
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-')
        return Usage();
    const std::string dir = argv[1];
    for (int scale : skin::PictureScales()) {
        const skin::TDrawScale drawing(scale);
        for (const skin::Picture& p : skin::Pictures()) {
            // The program's icon has its own sizes (--icons).
            if (scale > 1 && !p.Scaled)
                continue;
            skin::Surface surface = p.Draw();
            if (cairo_image_surface_get_width(surface.get()) != p.Width * scale ||
                cairo_image_surface_get_height(surface.get()) != p.Height * scale) {
                std::fprintf(stderr, "skingen: %s came out at the wrong size\n", p.File.c_str());
                return 1;
            }
            if (!Write(surface.get(), dir + "/" + skin::ScaledFileName(p.File, scale)))
                return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}

// fontconfig keeps its configuration until the process ends, which a leak checker reports.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
