// The Normal map menu: flip an axis, rebuild blue (Z) from red and green, renormalise, or build
// a normal map from the brightness of the image taken as a height map.
//
// A normal component v in [-1, 1] is stored as trunc((v + 1) * 127.5 + 0.5) (-1 -> 0, 0 -> 128,
// +1 -> 255) and a byte b decodes as b / 127.5 - 1. Red holds X (right), green Y, blue Z (out
// of the surface). Maps built here use the "OpenGL" convention: green grows toward the top of
// the image. Every builder returns a new 32-bit image of the source's size (none: no memory).
#pragma once

#include <optional>
#include <string>

#include "app/app_state.h"
#include "platform/image.h"

enum NormalMapMode : int { kFlipGreen = 1, kFlipRed = 2, kRebuildZ = 3, kNormalize = 4 };

/// (x, y, z) in [-1, 1] encoded into red, green and blue; alpha passed through.
Rgba EncodeNormal(double x, double y, double z, uint8_t alpha);

/// One of the four per-pixel operations (NormalMapMode) on every pixel; alpha is kept.
std::optional<Image> TransformNormalMap(const Image& image, int mode);

/// The normal map of image's Rec. 709 brightness taken as height (light = high), with 3 x 3
/// Sobel gradients scaled by strength (> 0). The image wraps around at its borders, so the
/// result tiles seamlessly; it is fully opaque.
std::optional<Image> HeightToNormalMap(const Image& image, double strength);

/// The strength the user typed: "," read as ".", the leading number of the text, 0 when there
/// is none.
double ParseNormalStrength(const std::string& text);
/// A strength with one decimal and a full stop whatever the locale ("2.5").
std::string NormalStrengthText(double strength);

/// The Normal map menu, ids 24 to 28 (kCmdNormalFirst..kCmdNormalLast); other ids do nothing.
void NormalMapCommand(AppState& app, int id);

/// Commits TransformNormalMap(working image, mode) with its undo label and suffix.
bool ApplyNormalMapTransform(AppState& app, int mode);
/// Commits HeightToNormalMap(working image, strength) with its undo label and suffix.
bool ApplyHeightToNormalMap(AppState& app, double strength);
