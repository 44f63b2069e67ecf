// HDR exposure and tone mapping: from linear RGBE pixels to the 8-bit display image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/image.h"

/// The process-wide HDR display state, passed to every function that turns HDR into 8 bits.
struct HdrSettings {
    double exposure = 0.0;  // EV; the multiplier is 2^exposure
    int tone = 0;           // 0 editor (clip), 1 filmic; any other value behaves as 0
};

/// Maps one linear channel value v with multiplier k (2^exposure) to a display value 0..255.
int ToneChannel(double v, double k, int tone);

/// Converts width x height RGBE pixels to a new opaque RGBA image; none when the image cannot be
/// created. rgbe must hold width * height * 4 bytes.
std::optional<Image> RgbeToDisplay(const uint8_t* rgbe, int width, int height, const HdrSettings& hdr);
