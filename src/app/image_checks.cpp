#include "app/image_checks.h"

#include <utility>

bool HasTransparency(const Image& image) {
    if (image.bitsPerPixel < 32) return false;
    const std::size_t bytes = image.byteSize();
    const uint8_t* pixels = image.pixels.data();
    for (std::size_t i = 3; i < bytes; i += 4)
        if (pixels[i] != 255) return true;
    return false;
}

Image EnsureRgba32(Image image) {
    if (image.bitsPerPixel == 32) return image;
    const std::size_t bytes = image.byteSize();
    uint8_t* pixels = image.pixels.data();
    for (std::size_t i = 3; i < bytes; i += 4) pixels[i] = 255;
    image.bitsPerPixel = 32;
    return image;
}
