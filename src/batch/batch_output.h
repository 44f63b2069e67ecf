// Writing one converted image by output extension, as the batch converter and the command-line
// converter do it.
#pragma once

#include <string>

#include "platform/image.h"
#include "texformats/load_info.h"

/// The DDS format the batch converter picks: BC5 for normal maps (formatText mentions
/// "normal"), DXT5 with alpha, else DXT1 (codes of the DDS writer).
int BatchDdsFormat(const LoadInfo& info);

/// Writes image as extension (tga, png, pcx, bmp, tif, jpg, dds, tex, hdr) to path. Returns ""
/// on success, "not an HDR texture" for .hdr output from a source that is not HDR (nothing is
/// written), or "could not write the file".
std::string SaveBatchOutput(const Image& image, const LoadInfo& info, const std::string& path,
                            const std::string& extension);
