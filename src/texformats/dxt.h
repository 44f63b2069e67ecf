// DXT (BC1/BC2/BC3) and BC5 block decoding and encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/image.h"

/// Block format codes.
enum DxtFormat : int { kDxt1 = 1, kDxt3 = 2, kDxt5 = 3, kBc5 = 4 };

/// Bytes needed for a width x height image in the given block format (ceil to whole 4x4 blocks).
std::size_t DxtDataSize(int width, int height, int format);

/// Decodes width x height pixels; none when available < DxtDataSize or no memory.
std::optional<Image> DecodeDxt(const uint8_t* data, std::size_t available, int width, int height, int format);

/// Appends the blocks of the whole image in format kDxt1, kDxt5 or kBc5 to out and returns the
/// number of bytes appended (DxtDataSize of the image). Edge pixels are repeated into partial
/// blocks. Throws nothing; returns 0 when out cannot grow.
std::size_t EncodeDxtImage(ByteBuffer& out, const Image& image, int format);
