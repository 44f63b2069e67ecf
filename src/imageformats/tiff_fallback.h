// TIFF files of every other layout, read through libtiff.
//
// Our own reader (tiff.h) handles the common uncompressed RGB/RGBA layout; every other TIFF
// (compressed, big-endian, greyscale, palette, 16-bit, planar, tiled, ...) goes through the
// library's RGBA interface. That interface premultiplies straight alpha, so semi-transparent
// pixels come out darker than stored; kTiffFallbackNote says so in the image description.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/image.h"

/// The note the open flow shows when a TIFF was read by the library instead of our reader.
inline constexpr const char* kTiffFallbackNote =
    "Read with the fallback TIFF decoder; semi-transparent pixels may look darker.";

/// Decodes the first image of a TIFF file held in memory with libtiff, top row first. The result
/// has 32 bits per pixel when the file has an alpha (extra) sample, else 24. None when libtiff
/// cannot read the file, its size is not one an image may have, or memory is short. The
/// library's warnings and errors are not printed.
std::optional<Image> DecodeTiffWithLibrary(std::span<const uint8_t> bytes);
