// Serious Sam 1 textures: the reader of versions 3 and 4 and of effect textures. The byte
// layout is described at the top of ss1_tex.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "adjust/hdr_tone.h"
#include "platform/image.h"
#include "texformats/load_info.h"

/// Decodes a Serious Sam 1 texture: frame (frame 0 when out of range) at its largest stored mip
/// level, or, for an effect texture, its base texture (looked up beside sourcePath while
/// depth < 4) or else its effect buffer as a grayscale image. Fills info (kind 1) on top of a
/// cleared record; returns none with info.error set on failure.
std::optional<Image> LoadSs1Tex(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                int frame, int depth, const HdrSettings& hdr);

/// Parses the header and checks that the frames (or the effect data) fit in bytes. Returns the
/// error text, empty on success; info receives every header field.
std::string ReadSs1Header(std::span<const uint8_t> bytes, LoadInfo& info);

/// Validates info.firstMip and info.frameCount and sets info.width/height to the full size
/// shifted down by the first mip level. Returns the error text, empty on success.
std::string CheckSs1Size(LoadInfo& info, int32_t fullWidth, int32_t fullHeight);

/// Reads the FXDT part of an effect texture: class, buffer size, the FXBF buffer position and
/// the DFNM base name. Returns the error text, empty on success.
std::string ReadEffectData(std::span<const uint8_t> bytes, LoadInfo& info);

/// A new width x height image of the given frame, decoded after ReadSs1Header succeeded; none
/// when the image cannot be created or the frame does not lie within bytes.
std::optional<Image> DecodeSs1Frame(std::span<const uint8_t> bytes, const LoadInfo& info, int frame);

/// The effect buffer as a grayscale image (minimum black, maximum white); none when the image
/// cannot be created or the buffer does not lie within bytes.
std::optional<Image> EffectBufferImage(std::span<const uint8_t> bytes, const LoadInfo& info);
