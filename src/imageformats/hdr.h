// Radiance HDR files and the RGBE pixel encoding.
//
// RGBE is the one form of HDR pixels in the program: four bytes, the red, green and blue
// mantissas and a shared exponent byte E. E = 0 is black; otherwise a channel is
// (mantissa + 0.5) * 2^(E - 136). An RGBE array holds width * height such pixels, rows top to
// bottom, without padding.
//
// Reading supports the RGBE flavour of Radiance files ("FORMAT=32-bit_rle_rgbe", or no FORMAT
// line at all), the orientations "-Y h +X w" (rows top to bottom) and "+Y h +X w" (bottom to
// top), sizes up to 32768 x 32768, and scanlines that are either flat (4 bytes per pixel) or
// in the run-length form that starts with the bytes 2, 2. It refuses the XYZE format, every
// other orientation (columns first, right to left) and the old run-length form of Radiance 1.
// Truncated pixel data is no error: rows that get no data stay black.
//
// Writing produces the header "#?RADIANCE", "FORMAT=32-bit_rle_rgbe", an empty line and
// "-Y h +X w", then run-length scanlines made of literal packets only (no runs) for widths
// 8..32767, flat scanlines for other widths.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "adjust/hdr_tone.h"
#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Encodes linear red, green, blue into four RGBE bytes at out. Values whose largest channel is
/// below 1e-32 (or NaN) give four zeros; negative channels are stored as 0; values at or above
/// 2^127 saturate at the largest representable one.
void EncodeRgbe(double red, double green, double blue, uint8_t out[4]);

/// Decodes one RGBE pixel into linear red, green, blue at out (all 0 for exponent byte 0).
void DecodeRgbe(const uint8_t rgbe[4], double out[3]);

/// The pixels of a Radiance file.
struct RgbeImage {
    int width = 0;
    int height = 0;
    ByteBuffer rgbe;  // width * height * 4 bytes, rows top to bottom
};

/// Decodes a whole Radiance file held in memory into its RGBE pixels. On failure returns none
/// and sets error to the sentence shown to the user.
std::optional<RgbeImage> DecodeHdr(std::span<const uint8_t> bytes, std::string& error);

/// Reads a Radiance file for display: info (cleared by the caller) receives width, height,
/// isHdr = 1, bytesPerPixel = 4, formatText, the RGBE array in rgbeData and the exposure note;
/// the returned image is RgbeToDisplay of that array with hdr. On failure returns none with
/// info.error set and no RGBE array kept.
std::optional<Image> LoadHdr(std::span<const uint8_t> bytes, LoadInfo& info, const HdrSettings& hdr);

/// Encodes width x height RGBE pixels as a Radiance file into out (replacing its contents).
/// False when rgbe is null, a side is below 1 or the memory cannot be had.
bool EncodeHdr(const uint8_t* rgbe, int width, int height, ByteBuffer& out);

/// EncodeHdr written to path atomically. False when encoding or writing fails; an existing file
/// at path is then left as it was.
bool SaveHdr(const uint8_t* rgbe, int width, int height, const std::string& path);
