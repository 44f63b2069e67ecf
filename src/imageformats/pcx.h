// ZSoft PCX reading and writing.
//
// Reads 8 bits per plane only: one plane of palette indexes (with the 256-colour palette at
// the end of the file), three planes red, green, blue, or four planes with alpha; raw or
// run-length encoded. Runs may continue from one row into the next. Data that ends early is
// not an error: missing bytes read as 0. Refused: 1, 2 and 4 bits per plane, 2 planes,
// palette files without their palette, bytes per line below the width.
//
// Writes run-length encoded 24-bit three-plane files (version 5) without alpha; runs never
// cross a plane or a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a whole PCX file into a new 32-bit RGBA image. Sets info.width, info.height,
/// info.bytesPerPixel (the number of planes), info.formatText ("PiCture eXchange (24-bit)" and
/// so on) and info.hasAlpha (four planes with a pixel below 255). On failure returns nothing
/// and leaves one sentence in info.error. Never reads outside bytes.
std::optional<Image> LoadPcx(std::span<const uint8_t> bytes, LoadInfo& info);

/// Run-length encodes one plane row into out, which must hold 2 * row.size() bytes. Returns
/// the number of bytes written. A single byte of 192 or more becomes a run of one.
std::size_t EncodePcxRow(std::span<const uint8_t> row, uint8_t* out);

/// The PCX file of image (red, green, blue; alpha is dropped). Empty when the image is empty,
/// too wide for the 16-bit bytes-per-line field (65535 or more) or too high (65536 or more),
/// or the memory cannot be had.
ByteBuffer EncodePcx(const Image& image);

/// Writes EncodePcx(image) to path, replacing an existing file only when the whole new one was
/// written. True on success.
bool SavePcx(const Image& image, const std::string& path);
