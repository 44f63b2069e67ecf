// DXT1, DXT3, DXT5 and BC5 (ATI2) 4x4 block decoding, and DXT1 / DXT5 / BC5 encoding.
//
// Supported: decoding all four formats into 32-bit RGBA; encoding DXT1 (never transparent),
// DXT5 and BC5. DXT3 is decoded but not produced. Blocks are stored row by row from the top,
// left to right, with nothing between them; blocks on the right and bottom edges are stored
// whole and their pixels outside the image are ignored (decoding) or repeat the last column /
// row (encoding). Pixel i of a block is at column i % 4 and row i / 4. All multi-byte fields
// are little-endian.
//
// Block layouts:
//   colour block (8 bytes): c0 (5-6-5), c1 (5-6-5), 32-bit index word, pixel i in bits 2i..2i+1.
//     c0 > c1 (or any DXT3/DXT5 block): palette c0, c1, (2*c0 + c1) / 3, (c0 + 2*c1) / 3.
//     c0 <= c1 in DXT1: palette c0, c1, (c0 + c1) / 2, transparent black.
//   explicit alpha (DXT3, 8 bytes): 4-bit alpha per pixel, pixel i in byte i / 2, low nibble
//     first; alpha = nibble * 17.
//   interpolated block (DXT5 alpha, BC5 red and green, 8 bytes): a0, a1, then a 48-bit index
//     number with pixel i in bits 3i..3i+2. a0 > a1: a0, a1 and six values ((7-j)*a0 + j*a1) / 7;
//     otherwise a0, a1, four values ((5-j)*a0 + j*a1) / 5, then 0 and 255.
//   BC5 decodes blue as the z of a unit normal: x = r / 127.5 - 1, y = g / 127.5 - 1,
//     blue = int((sqrt(max(0, 1 - x*x - y*y)) + 1) * 127.5).
// All divisions are integer divisions, truncated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/image.h"

/// Block format codes.
enum DxtFormat : int { kDxt1 = 1, kDxt3 = 2, kDxt5 = 3, kBc5 = 4 };

/// Bytes needed for a width x height image in the given block format (ceil to whole 4x4
/// blocks): 8 bytes per block for kDxt1, 16 for the others. 0 for an unknown format or a size
/// below 1.
std::size_t DxtDataSize(int width, int height, int format);

/// Decodes width x height pixels; none when the format is unknown, available < DxtDataSize,
/// the size is invalid or there is no memory. Reads exactly DxtDataSize bytes of data; every
/// pixel of the result is written with all four channels.
std::optional<Image> DecodeDxt(const uint8_t* data, std::size_t available, int width, int height, int format);

/// Appends the blocks of the whole image in format kDxt1, kDxt5 or kBc5 to out and returns the
/// number of bytes appended (DxtDataSize of the image). Edge pixels are repeated into partial
/// blocks. Throws nothing; returns 0 (out unchanged) for another format or when out cannot grow.
std::size_t EncodeDxtImage(ByteBuffer& out, const Image& image, int format);

// ---- per-block building blocks, shared by the decoder and the encoder ----------------------

/// Writes the 8-bit red, green and blue of a 5-6-5 colour (red in bits 11-15, green 5-10,
/// blue 0-4) into palette[slot], each as level * 255 / max level, truncated. Alpha is untouched.
void Expand565(uint16_t color, Rgba* palette, int slot);

/// Blue of a BC5 texel: the z of the unit normal whose x and y are red and green (also used for
/// two-channel normal maps stored uncompressed).
uint8_t Bc5Blue(uint8_t red, uint8_t green);

/// The sixteen 8-bit values of an interpolated block (DXT5 alpha, BC5 red or green).
void DecodeAlphaBlock(const uint8_t block[8], uint8_t values[16]);

/// The nearest 5-6-5 colour: (red * 31 + 127) / 255 << 11 | (green * 63 + 127) / 255 << 5 |
/// (blue * 31 + 127) / 255. Channels must be 0 to 255.
uint16_t Pack565(int red, int green, int blue);

/// Writes one colour block for sixteen pixels (alpha ignored): endpoints from the bounding box
/// moved inwards by a sixteenth of each channel's range and oriented by the signs of the
/// red/green and blue/green covariances, c0 >= c1 (never three-colour mode), each pixel the
/// nearest palette entry by squared RGB distance, the lower index on a tie.
void EncodeColorBlock(const Rgba colors[16], uint8_t out[8]);

/// Writes one interpolated block for sixteen values: a0 = maximum, a1 = minimum, eight-value
/// table when they differ, each value the nearest entry (lower index on a tie); all indices 0
/// when the values are all equal.
void EncodeAlphaBlock(const uint8_t values[16], uint8_t out[8]);
