// HDR exposure and tone mapping: from linear RGBE pixels to the 8-bit display image.
//
// An HDR source is shown through one exposure (EV, multiplier 2^exposure) and one of two tone
// curves: the editor curve clips at 1.0, the filmic curve rolls off the highlights. Both end in
// a 1/2.2 display gamma. The RGBE pixels themselves are never changed by either setting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/image.h"

/// The process-wide HDR display state, passed to every function that turns HDR into 8 bits.
struct HdrSettings {
    double exposure = 0.0;  // EV; the multiplier is 2^exposure
    int tone = 0;           // 0 editor (clip), 1 filmic; any other value behaves as 0
};

/// Maps one linear channel value v with multiplier k (2^exposure) to a display value 0..255.
/// Products v * k that are zero, negative or NaN give 0.
int ToneChannel(double v, double k, int tone);

/// The linear value of one RGBE mantissa step at exponent byte e (1..255): 2^(e - 128) / 256.
/// A channel decodes to (mantissa + 0.5) * factor; exponent byte 0 means black.
double RgbeExponentFactor(int exponent);

/// Converts width x height RGBE pixels to a new opaque RGBA image; none when the image cannot be
/// created. rgbe must hold width * height * 4 bytes. The result equals ToneChannel applied to
/// every decoded channel, bit for bit.
std::optional<Image> RgbeToDisplay(const uint8_t* rgbe, int width, int height, const HdrSettings& hdr);

/// An exposure as shown to the user: one digit after a full stop whatever the locale, a minus
/// sign only for negative values ("-1.0", "0.0", "2.0").
std::string ExposureText(double ev);

/// The note an HDR loader appends to the image description:
/// "HDR exposure: 1.0 EV, filmic" or "HDR exposure: 0.0 EV, editor (clip)".
std::string HdrNote(const HdrSettings& hdr);
