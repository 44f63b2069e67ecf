// Truevision TGA reading and writing.
//
// Reads image types 1, 2, 3 (colour-mapped, true-colour, greyscale) and their run-length
// encoded forms 9, 10, 11 at 8, 15, 16, 24 or 32 bits per pixel, in all four orientations.
// Run packets may cross rows; encoded data that ends early still loads, the pixels never
// reached being the conversion of an all-zero stored pixel. 8-bit true-colour pixels read as
// grey. A colour map is never read past the end of the file: entries missing there are black.
// A 32-bit true-colour file that declares no alpha bits but carries non-zero fourth bytes
// loads with that alpha (writers that forget the descriptor); with all fourth bytes zero it
// loads opaque. Refused: other image types and depths, and uncompressed data shorter than the
// header promises.
//
// Writes uncompressed true-colour, top row first, 24 bits, or 32 bits with 8 alpha bits,
// followed by the version-2 footer with empty extension and developer areas.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a whole TGA file into a new 32-bit RGBA image. Sets info.formatText,
/// info.bytesPerPixel (bytes of one stored pixel, 1 to 4), info.width, info.height and
/// info.hasAlpha (HasTransparency of the result). On failure returns nothing and leaves one
/// sentence in info.error. Never reads outside bytes.
std::optional<Image> LoadTga(std::span<const uint8_t> bytes, LoadInfo& info);

/// The TGA file of image: 32 bits per pixel with its alpha when withAlpha, else 24 bits.
/// Empty when the image is empty, a side is 65536 or more, or the memory cannot be had.
ByteBuffer EncodeTga(const Image& image, bool withAlpha);

/// Writes EncodeTga(image, withAlpha) to path, replacing an existing file only when the whole
/// new one was written. True on success.
bool SaveTga(const Image& image, const std::string& path, bool withAlpha);
