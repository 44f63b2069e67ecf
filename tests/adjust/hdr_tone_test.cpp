#include "adjust/hdr_tone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(ToneChannel, WorkedValues) {
    struct Case {
        double v, k;
        int tone, expected;
    } cases[] = {
        {0.18, 1, 0, 117}, {0.18, 1, 1, 140}, {0.5, 1, 0, 186}, {0.5, 1, 1, 205},
        {1.0, 1, 0, 255},  {1.0, 1, 1, 231}, {2.0, 1, 0, 255}, {2.0, 1, 1, 245},
        {0.18, 2, 0, 160}, {4.0, 1, 1, 252}, {6.0, 1, 1, 254}, {7.0, 1, 1, 255},
        {0.0, 1, 0, 0},    {0.0, 1, 1, 0},   {1e6, 1, 0, 255}, {1e6, 1, 1, 255},
        // Any tone other than 1 is the editor curve.
        {0.18, 1, 2, 117}, {0.18, 1, -1, 117},
        // Infinite products saturate; undefined inputs stay in range.
        {std::numeric_limits<double>::infinity(), 1, 0, 255},
        {std::numeric_limits<double>::infinity(), 1, 1, 255},
        {1.0, std::numeric_limits<double>::infinity(), 1, 255},
        {-0.5, 1, 0, 0}, {std::nan(""), 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "v=" << c.v << " k=" << c.k << " tone=" << c.tone);
        EXPECT_EQ(ToneChannel(c.v, c.k, c.tone), c.expected);
    }
}

TEST(ToneChannel, FilmicClipsOnlyAboveItsCrossing) {
    // The filmic curve passes 1.0 near x = 7.24 and stays above it from there on.
    EXPECT_LT(ToneChannel(7.2, 1, 1), 256);
    for (double x = 7.25; x < 1e4; x *= 1.5) EXPECT_EQ(ToneChannel(x, 1, 1), 255) << x;
    int previous = 0;
    for (double x = 0.0; x < 8.0; x += 0.01) {
        int value = ToneChannel(x, 1, 1);
        EXPECT_GE(value, previous) << x;
        previous = value;
    }
}

TEST(RgbeExponentFactor, MatchesTheDefinition) {
    EXPECT_EQ(RgbeExponentFactor(128), 1.0 / 256);
    EXPECT_EQ(RgbeExponentFactor(129), 2.0 / 256);
    EXPECT_EQ(RgbeExponentFactor(1), std::ldexp(1.0, -135));
    EXPECT_EQ(RgbeExponentFactor(255), std::ldexp(1.0, 119));
    // 128, 64, 32 at exponent 129 decode to about 1.0039, 0.5039, 0.2539.
    EXPECT_NEAR((128 + 0.5) * RgbeExponentFactor(129), 1.0039, 1e-4);
    EXPECT_NEAR((64 + 0.5) * RgbeExponentFactor(129), 0.5039, 1e-4);
    EXPECT_NEAR((32 + 0.5) * RgbeExponentFactor(129), 0.2539, 1e-4);
}

// Every (mantissa, exponent) pair once, so the per-exponent tables are compared with the direct
// computation over their whole domain.
std::vector<uint8_t> AllRgbeValues() {
    std::vector<uint8_t> rgbe;
    for (int e = 0; e < 256; ++e)
        for (int m = 0; m < 256; ++m) {
            uint8_t pixel[4] = {uint8_t(m), uint8_t(255 - m), uint8_t(m * 7), uint8_t(e)};
            rgbe.insert(rgbe.end(), pixel, pixel + 4);
        }
    return rgbe;
}

TEST(RgbeToDisplay, EqualsToneChannelOfEveryDecodedChannel) {
    const std::vector<uint8_t> rgbe = AllRgbeValues();
    const HdrSettings settings[] = {{0.0, 0}, {0.0, 1}, {1.0, 0}, {-3.5, 1}, {12.0, 0}, {-0.3, 7}};
    for (const HdrSettings& hdr : settings) {
        SCOPED_TRACE(testing::Message() << "exposure " << hdr.exposure << " tone " << hdr.tone);
        std::optional<Image> image = RgbeToDisplay(rgbe.data(), 256, 256, hdr);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bitsPerPixel, 32);
        const double k = std::pow(2.0, hdr.exposure);
        int mismatches = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const uint8_t* in = &rgbe[(std::size_t(y) * 256 + x) * 4];
                Rgba expected{0, 0, 0, 255};
                if (in[3] != 0) {
                    const double f = std::ldexp(1.0, in[3] - 128) / 256;
                    expected = {uint8_t(ToneChannel((in[0] + 0.5) * f, k, hdr.tone)),
                                uint8_t(ToneChannel((in[1] + 0.5) * f, k, hdr.tone)),
                                uint8_t(ToneChannel((in[2] + 0.5) * f, k, hdr.tone)), 255};
                }
                if (!(GetPixel(*image, x, y) == expected)) ++mismatches;
            }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(RgbeToDisplay, ExponentZeroIsBlackAtAnyExposure) {
    const uint8_t rgbe[] = {255, 255, 255, 0, 128, 64, 32, 129};
    for (double exposure : {0.0, 10.0, 100.0}) {
        std::optional<Image> image = RgbeToDisplay(rgbe, 2, 1, {exposure, 1});
        ASSERT_TRUE(image);
        EXPECT_EQ(GetPixel(*image, 0, 0), (Rgba{0, 0, 0, 255}));
        EXPECT_EQ(GetPixel(*image, 1, 0).a, 255);
    }
    std::optional<Image> plain = RgbeToDisplay(rgbe, 2, 1, {});
    EXPECT_EQ(GetPixel(*plain, 1, 0), (Rgba{255, 187, 137, 255}));  // 1.0039, 0.5039, 0.2539
}

TEST(RgbeToDisplay, RefusesSizesNoImageCanHave) {
    const uint8_t rgbe[4] = {};
    EXPECT_FALSE(RgbeToDisplay(rgbe, 0, 1, {}));
    EXPECT_FALSE(RgbeToDisplay(rgbe, 1, -1, {}));
}

TEST(HdrNote, ShowsExposureWithOneDecimalAndTheTone) {
    struct Case {
        HdrSettings hdr;
        const char* expected;
    } cases[] = {
        {{0.0, 0}, "HDR exposure: 0.0 EV, editor (clip)"},
        {{-1.0, 1}, "HDR exposure: -1.0 EV, filmic"},
        {{2.0, 2}, "HDR exposure: 2.0 EV, editor (clip)"},
        {{-0.0, 0}, "HDR exposure: 0.0 EV, editor (clip)"},
        {{1.26, 1}, "HDR exposure: 1.3 EV, filmic"},
        {{-2.54, 0}, "HDR exposure: -2.5 EV, editor (clip)"},
        {{1e300, 0}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hdr.exposure);
        if (c.expected)
            EXPECT_EQ(HdrNote(c.hdr), c.expected);
        else
            EXPECT_EQ(ExposureText(c.hdr.exposure).substr(0, 4), "1000");
    }
}

}  // namespace
