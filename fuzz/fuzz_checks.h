// Contract checks shared by the fuzz targets: a reader either returns a well-formed image or
// refuses with a message. Anything else is a finding, reported by aborting.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/image.h"
#include "texformats/load_info.h"

inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}

/// The image has a valid size and exactly width * height * 4 bytes of pixels, which are all
/// read once (so a buffer of the wrong size shows up under AddressSanitizer).
inline void CheckImage(const Image& image) {
    if (!IsValidImageSize(image.width, image.height)) FuzzFail("image of invalid size returned");
    if (image.bitsPerPixel != 24 && image.bitsPerPixel != 32) FuzzFail("bitsPerPixel is not 24 or 32");
    if (image.pixels.size() != image.byteSize()) FuzzFail("pixel buffer does not match the size");
    unsigned sum = 0;
    for (uint8_t byte : image.pixels) sum += byte;
    volatile unsigned sink = sum;
    (void)sink;
}

/// A loader's result: an image with no error text, or no image with one.
inline void CheckLoadResult(const std::optional<Image>& image, const LoadInfo& info) {
    if (image) {
        CheckImage(*image);
        if (!info.error.empty()) FuzzFail("image returned together with an error text");
    } else if (info.error.empty()) {
        FuzzFail("refusal without an error text");
    }
}
