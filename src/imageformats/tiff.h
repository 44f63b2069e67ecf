// TIFF: our own reader for the one common layout, and our writer.
//
// LoadTiff reads exactly one layout: little-endian ("II") classic TIFF, first image only,
// uncompressed, RGB photometric, chunky (interleaved) samples, 3 or 4 samples of 8 bits, in
// strips. A fourth sample is taken as straight alpha whatever the extra-samples tag says.
// Everything else (big-endian "MM", BigTIFF, any compression, greyscale or palette images,
// 16-bit or float samples, separate planes, tiles) is "not mine": LoadTiff returns none without
// an error text, and the caller hands the file to the TIFF library (tiff_fallback.h). Strip
// tables that lie outside the file count as not mine too. Strips that end early are no error:
// the rows without data stay opaque black.
//
// SaveTiff writes the same layout: uncompressed little-endian RGB or RGBA in one strip, 72 dpi,
// with unassociated alpha. Byte layout (w x h pixels, s = 4 samples with alpha or 3 without,
// n = w * h * s, n' = n rounded up to even):
//
//   offset            size        content
//   0                 8           "II", 42, offset of the IFD = n' + 2s + 24
//   8                 n           pixels, top row first, R G B (A)
//   8 + n             0 or 1      one zero byte when n is odd
//   8 + n'            2s          bits per sample: s values of 8
//   8 + n' + 2s       8           X resolution 72 / 1
//   16 + n' + 2s      8           Y resolution 72 / 1
//   24 + n' + 2s      2 + 12k + 4 the IFD: k = 12 entries (13 with alpha), next-IFD offset 0
//
// The entries, in order: 256 width (LONG), 257 height (LONG), 258 bits per sample (SHORT x s,
// at its offset), 259 compression 1, 262 photometric 2, 273 strip offset 8 (LONG), 277 samples
// per pixel s, 278 rows per strip h (LONG), 279 strip byte count n (LONG), 282 and 283 the
// resolutions (RATIONAL, at their offsets), 296 resolution unit 2 (inch), and with alpha 338
// extra samples 2 (unassociated). A single SHORT is stored as the value and a zero word.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Reads the layout described above into a new 32-bit image and sets info.bytesPerPixel to the
/// samples per pixel (3 or 4). Returns none, without touching info.error, when the file is not
/// of that layout or the image cannot be created.
std::optional<Image> LoadTiff(std::span<const uint8_t> bytes, LoadInfo& info);

/// Encodes image as described above into out (replacing its contents), with the alpha channel
/// when keepAlpha. False when the image has no pixels, is too large for a classic TIFF (4 GiB)
/// or the memory cannot be had.
bool EncodeTiff(const Image& image, bool keepAlpha, ByteBuffer& out);

/// EncodeTiff written to path atomically. False when encoding or writing fails; an existing file
/// at path is then left as it was.
bool SaveTiff(const Image& image, const std::string& path, bool keepAlpha);
