// Serious Sam 1 texture writer: version 4, one frame, largest mip level only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"

/// The bytes of a version-4 Serious Sam 1 texture holding image: the 40-byte header (flags 3
/// with alpha, else 0, plus bit 1 when setFlag1; full size = size << firstMip), the pixels as
/// RGBA (withAlpha) or RGB rows, and the fixed one-animation "ANIM" chunk. The file has
/// 40 + width * height * (4 or 3) + 56 bytes. None when image holds no pixels, firstMip is
/// outside 0..20, the full size does not fit in 32 bits, or memory runs out.
std::optional<ByteBuffer> EncodeSs1Tex(const Image& image, bool withAlpha, int firstMip, bool setFlag1);

/// Writes EncodeSs1Tex's bytes to path (replacing an existing file only when the new one is
/// complete). False, with nothing written, when encoding or writing fails.
bool WriteSs1Tex(const Image& image, const std::string& path, bool withAlpha, int firstMip, bool setFlag1);
