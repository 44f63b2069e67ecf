// DirectDraw Surface (DDS) files: reader, writer and the choices behind the "Save as DDS" window.
//
// Reads the top mip level of DXT1, DXT3, DXT5 and ATI2/BC5U (BC5) files and of uncompressed
// 32-bit files with the masks 0x00FF0000 / 0x0000FF00 / 0x000000FF (BGRA in memory; the fourth
// byte is alpha only when pixel-format flag 0x1 is set). Refuses every other FourCC (DX10
// extended headers among them), other bit depths and mask orders, sides outside 1..16384, and
// data shorter than the top level. Further mip levels, cube faces and volume slices are ignored.
//
// Writes DXT1, DXT5, BC5 (FourCC "ATI2") or uncompressed BGRA, optionally with the full mip
// chain down to 1 x 1 built by HalveImage.
//
// Layout: "DDS " + a 124-byte header, little-endian 32-bit fields at file offsets
//   4 header size (124)      8 flags                12 height           16 width
//   20 pitch / linear size  24 depth               28 mipmap count     32 11 reserved values
//   76 pixel format size (32)                       80 pixel format flags (0x4 FourCC, 0x1 alpha)
//   84 FourCC               88 RGB bit count       92/96/100/104 red/green/blue/alpha masks
//   108 caps 1              112 caps 2, caps 3, caps 4, reserved
// The top level's data starts at offset 128, the smaller levels follow it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// DDS output format codes (the save options, the remembered choice, the batch converter).
enum DdsOutputFormat : int { kDdsDxt1 = 0, kDdsDxt5 = 1, kDdsBc5 = 2, kDdsBgra = 3 };

/// Largest width or height LoadDds accepts.
constexpr uint32_t kMaxDdsSide = 16384;

/// Decodes the top level of a DDS file. Fills width and height (once they pass the check),
/// bytesPerPixel 4, formatText ("DirectDraw Surface (DXT5)", "DirectDraw Surface (BGRA
/// 32-bit)") and hasAlpha (whether a pixel is transparent; always 0 for BC5). None with one
/// sentence in info.error for refused, truncated or hostile files; nothing is allocated before
/// the data has been found long enough.
std::optional<Image> LoadDds(std::span<const uint8_t> file, LoadInfo& info);

/// Number of levels written: 1 without mipmaps; with them, one per halving until both sides
/// are 1 (256 x 64 -> 9, 1 x 1 -> 1).
int DdsLevelCount(int width, int height, bool mipmaps);

/// Appends a whole DDS file for image in output format code 0..3 to out. False (out then
/// holds an unfinished file) for an empty image, an unknown format code or when memory runs out.
bool EncodeDds(const Image& image, int format, bool mipmaps, ByteBuffer& out);

/// Writes image to path as a DDS file (atomically: a failed save leaves an existing file
/// untouched). False for an empty image, an unknown format, no memory or a failed write.
bool SaveDds(const Image& image, const std::string& path, int format, bool mipmaps);

// ---- the choices around the DDS save options ---------------------------------------------

/// The format first offered for an image: BC5 for a normal map, else DXT5 when the image keeps
/// transparency, else DXT1. The "Save as DDS" window starts on it and the batch converter
/// uses it (the format chosen last time deliberately does not count).
int DefaultDdsFormat(bool hasTransparency, bool normalMap);

/// Whether a format description names a normal map ("normal" in any case).
bool MentionsNormalMap(const std::string& formatText);

/// False for the two output formats without an alpha channel (DXT1 and BC5).
bool DdsFormatHasAlpha(int format);
