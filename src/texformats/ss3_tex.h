// Serious Sam 3 and 2017 ("SE2017") textures. The byte layout is described at the top of
// ss3_tex.cpp; the container is the one of Serious Sam 2 (ss2_tex.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "adjust/hdr_tone.h"
#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a Serious Sam 3 / 2017 texture; bytes start at its "CTSEMETA" tag. Fills info
/// (kind 3) and returns the image, or none with info.error set. HDR textures (format 12 with four
/// channels) also get their pixels as RGBE in info.rgbeData, and are shown through hdr.
std::optional<Image> ReadSs3Tex(std::span<const uint8_t> bytes, LoadInfo& info, const HdrSettings& hdr);

/// The format name of code in the Serious Sam 3 (isSs3) or the 2017 table, without the "BFE, "
/// prefix the reader puts before Serious Sam 3 names; "unknown format " + code when the table
/// has no name for it.
std::string Ss3FormatName(int32_t code, bool isSs3);
/// The named flag bits joined by ", " (mipmaps, constant, resident, normalmap, atlas,
/// no streaming?); "none" when none is set.
std::string Ss3FlagsText(int32_t flags);

/// The pixel count of the whole mip chain from width x height down to 1 x 1 (each level halves
/// both sides, not below 1): 4 x 4 gives 21, 8 x 2 gives 23, 1 x 1 gives 1. Sides must be >= 1.
int64_t MipChainPixels(int32_t width, int32_t height);

/// The largest mip level as blue, green, red, alpha bytes, and the number of stored channels.
struct Ss3Pixels {
    ByteBuffer bgra;   // width * height * 4 bytes, rows from the top
    int channels = 0;  // 1 to 4
};

/// Unpacks uncompressed pixel data (all of it: the whole data size counts). The channel count
/// follows from the data size: planes of the whole mip chain, or else of the largest level.
/// With flag 0x200 the planes are stored one after the other, each delta-coded; without it the
/// data must hold four interleaved channels. Missing channels are completed (gray, opaque alpha,
/// the Z of a two-channel normal map). None when the size fits no layout, the channel count is
/// not 1 to 4, interleaved data has fewer than 4 channels, or the memory cannot be had.
std::optional<Ss3Pixels> UnpackSs3Pixels(std::span<const uint8_t> data, int32_t width, int32_t height,
                                         int32_t flags, int32_t format);

/// The linear value of one mantissa step at HDR exponent byte e: 2^((e - 127.5) / 8) / 256. A
/// channel with mantissa m decodes to (m + 0.5) times this.
double Ss3HdrFactor(int exponent);
