// The general decoder: PNG, JPEG, TIFF and BMP through the system libraries (libpng,
// libjpeg-turbo, libtiff, gdk-pixbuf). The format is recognised by the first bytes, not by the
// file name. Every image comes back as 32-bit RGBA; decodedBitsPerPixel tells what the file held
// (8 for grey, 24 for RGB, 32 with alpha, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/image.h"

struct DecodedImage {
    Image image;
    int decodedBitsPerPixel = 32;
};

/// Decodes bytes held in memory; none when the format is unknown or the data is damaged.
std::optional<DecodedImage> DecodeWithLibraries(std::span<const uint8_t> bytes);
