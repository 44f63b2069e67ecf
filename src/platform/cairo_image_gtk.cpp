#include "platform/cairo_image_gtk.h"

#include <cstdint>

cairo_surface_t* ImageToCairoSurface(const Image& image) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* s = image.row(y);
        uint32_t* d = reinterpret_cast<uint32_t*>(data + std::size_t(y) * std::size_t(stride));
        for (int x = 0; x < image.width; ++x, s += 4)
            d[x] = 0xFF000000u | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}
