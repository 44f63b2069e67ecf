// Entry point for .tex files of every engine generation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "adjust/hdr_tone.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a whole .tex file held in memory. The first bytes pick the generation. sourcePath is
/// the file's path on disk (empty for archive members); it locates the base texture of an effect
/// texture. frame is the animation frame to decode, depth the nesting of effect-base lookups.
/// Returns the image, or none with info.error set.
std::optional<Image> LoadTexData(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                 int frame, int depth, const HdrSettings& hdr);

/// Reads the file at path and decodes it with LoadTexData.
std::optional<Image> LoadTexFile(const std::string& path, LoadInfo& info, int frame, int depth,
                                 const HdrSettings& hdr);
