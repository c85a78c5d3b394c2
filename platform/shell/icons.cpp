#include "platform/shell/icons.h"

#include "platform/gfx/png.h"
#include "platform/sys/resources.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace {

// The sizes of the program's mark it carries drawn for each (the icon theme's); bigger ones
// would only make the window's icon property large.
constexpr int MarkSizes[] = {16, 22, 24, 32, 48, 64, 128};

TFrameView ViewOf(const TCairoSurfacePtr& image) {
    return TFrameView{
        reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image.get())),
        cairo_image_surface_get_width(image.get()), cairo_image_surface_get_height(image.get()),
        cairo_image_surface_get_stride(image.get())};
}

} // namespace

HICON LoadIcon(HINSTANCE instance, int resourceId) {
    return LoadIconSizes(instance, resourceId, false);
}

HICON LoadIconSizes(HINSTANCE, int resourceId, bool everySize) {
    std::string_view png;
    try {
        png = LoadIconResource(resourceId);
    } catch (const EResNotFound&) {
        return 0;
    }
    std::vector<TCairoSurfacePtr> images;
    if (everySize && resourceId == IDI_PROGRAM) {
        for (int size : MarkSizes) {
            const std::string name =
                "icons/" + std::to_string(size) + "x" + std::to_string(size) + ".png";
            if (const auto mark = FindResourceFile(name)) {
                if (TCairoSurfacePtr image = DecodePng(mark->data(), mark->size())) {
                    images.push_back(std::move(image));
                }
            }
        }
    }
    if (images.empty()) {
        if (TCairoSurfacePtr image = DecodePng(png.data(), png.size())) {
            images.push_back(std::move(image));
        }
    }
    std::vector<TFrameView> frames;
    for (const auto& image : images) {
        frames.push_back(ViewOf(image));
    }
    return CreateIconFromFrames(frames);
}

} // namespace platform
