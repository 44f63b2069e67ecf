#include "adjust/hdr_tone.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr double kFilmicA = 2.51, kFilmicB = 0.03;
constexpr double kFilmicC = 2.43, kFilmicD = 0.59, kFilmicE = 0.14;
constexpr double kClipCeiling = 1.0;
constexpr double kDisplayExponent = 0.45454545454545453;  // 1 / 2.2
constexpr double kOutputScale = 255.0, kOutputOffset = 0.5;

// Above this the filmic curve lies above the clip ceiling (it crosses 1.0 near 7.24 and stays
// above it), so the result is the ceiling. Checking first keeps infinite products away from
// the inf / inf of the rational curve.
constexpr double kFilmicAlwaysClipped = 8.0;

}  // namespace

int ToneChannel(double v, double k, int tone) {
    double x = v * k;
    if (!(x > 0.0)) return 0;  // zero, and the undefined negative or NaN products
    if (tone == 1) {
        if (x > kFilmicAlwaysClipped)
            x = kClipCeiling;
        else
            x = x * (kFilmicA * x + kFilmicB) / (x * (kFilmicC * x + kFilmicD) + kFilmicE);
    }
    if (x > kClipCeiling) x = kClipCeiling;
    return int(std::pow(x, kDisplayExponent) * kOutputScale + kOutputOffset);
}

double RgbeExponentFactor(int exponent) { return std::ldexp(1.0, exponent - 128) / 256.0; }

std::optional<Image> RgbeToDisplay(const uint8_t* rgbe, int width, int height, const HdrSettings& hdr) {
    std::optional<Image> image = CreateImageUninitialized(width, height, 32);
    if (!image) return std::nullopt;
    const double k = std::exp2(hdr.exposure);

    // The display value depends only on (mantissa, exponent), so each exponent that occurs gets
    // a 256-entry row computed with ToneChannel itself: the result is bit-identical to calling
    // it per channel, at a few hundred pow() calls per distinct exponent instead of three per
    // pixel. Exponent 0 is black and never gets a row.
    std::array<uint8_t, 256 * 256> table;
    std::array<bool, 256> ready{};
    auto rowFor = [&](int e) -> const uint8_t* {
        uint8_t* row = table.data() + e * 256;
        if (!ready[e]) {
            const double factor = RgbeExponentFactor(e);
            for (int m = 0; m < 256; ++m) row[m] = uint8_t(ToneChannel((m + 0.5) * factor, k, hdr.tone));
            ready[e] = true;
        }
        return row;
    };

    const std::size_t count = std::size_t(width) * std::size_t(height);
    uint8_t* out = image->pixels.data();
    for (std::size_t i = 0; i < count; ++i, rgbe += 4, out += 4) {
        const int e = rgbe[3];
        if (e == 0) {
            out[0] = out[1] = out[2] = 0;
        } else {
            const uint8_t* row = rowFor(e);
            out[0] = row[rgbe[0]];
            out[1] = row[rgbe[1]];
            out[2] = row[rgbe[2]];
        }
        out[3] = 255;
    }
    return image;
}

std::string ExposureText(double ev) {
    char text[400];  // the longest fixed form of a double has 309 digits before the point
    // to_chars ignores the locale, so the decimal separator is a full stop even under a GTK
    // locale that uses a comma. Adding 0.0 turns -0.0 into 0.0.
    auto [end, error] = std::to_chars(text, text + sizeof text, ev + 0.0, std::chars_format::fixed, 1);
    if (error != std::errc()) return "0.0";
    return std::string(text, end);
}

std::string HdrNote(const HdrSettings& hdr) {
    return "HDR exposure: " + ExposureText(hdr.exposure) + " EV" +
           (hdr.tone == 1 ? ", filmic" : ", editor (clip)");
}
