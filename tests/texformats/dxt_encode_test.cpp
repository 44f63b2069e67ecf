#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "texformats/dxt.h"
#include "texformats/dxt_detail.h"
#include "texformats/dxt_reference.h"

namespace {

using dxt_reference::AlphaBlock;
using dxt_reference::Bytes;
using dxt_reference::ColorBlock;

Bytes EncodeColor(const std::vector<Rgba>& pixels) {
    Bytes out(8);
    EncodeColorBlock(pixels.data(), out.data());
    return out;
}

Bytes EncodeAlpha(const std::vector<uint8_t>& values) {
    Bytes out(8);
    EncodeAlphaBlock(values.data(), out.data());
    return out;
}

std::vector<Rgba> Gray(const std::vector<int>& levels) {
    std::vector<Rgba> pixels;
    for (int v : levels) pixels.push_back({uint8_t(v), uint8_t(v), uint8_t(v), 255});
    return pixels;
}

Bytes Encode(const Image& image, int format) {
    ByteBuffer out;
    EXPECT_EQ(EncodeDxtImage(out, image, format), DxtDataSize(image.width, image.height, format));
    return Bytes(out.begin(), out.end());
}

/// A smooth colour field with some noise and a hard diagonal edge, like a photo texture.
Image NaturalImage(int width, int height, uint32_t seed) {
    std::mt19937 rng(seed);
    Image image = *CreateImage(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int noise = int(rng() % 9) - 4;
            const bool edge = x + 2 * y > width;
            const int r = 40 + x * 150 / width + noise + (edge ? 50 : 0);
            const int g = 200 - y * 120 / height + noise;
            const int b = edge ? 30 + (x * y) % 40 : 180 - x * 60 / width;
            const int a = 255 - (x * 255 / width) / 2 - noise;
            SetPixel(image, x, y,
                     {uint8_t(std::clamp(r, 0, 255)), uint8_t(std::clamp(g, 0, 255)), uint8_t(std::clamp(b, 0, 255)),
                      uint8_t(std::clamp(a, 0, 255))});
        }
    }
    return image;
}

uint64_t Fnv1a(const Bytes& bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

TEST(DxtEncode, Pack565RoundsToTheNearestLevel) {
    struct Case {
        int r, g, b;
        uint16_t packed;
    } cases[] = {
        {0, 0, 0, 0x0000},       {255, 255, 255, 0xFFFF}, {255, 0, 0, 0xF800}, {0, 255, 0, 0x07E0},
        {0, 0, 255, 0x001F},     {4, 2, 4, 0x0000},       {5, 3, 5, 0x0821},   {131, 129, 131, 0x8410},
        {240, 240, 240, 0xEF7D}, {15, 15, 15, 0x1082},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_EQ(Pack565(c.r, c.g, c.b), c.packed);
    }
}

TEST(DxtEncode, ColorBlocksWorkedByHand) {
    std::vector<Rgba> redBlue, redGreen;
    for (int i = 0; i < 16; ++i) {
        redBlue.push_back(i % 2 ? Rgba{0, 0, 255, 255} : Rgba{255, 0, 0, 255});
        redGreen.push_back(i % 2 ? Rgba{0, 255, 0, 255} : Rgba{255, 0, 0, 255});
    }
    std::vector<Rgba> greenRange15, greenRange16;
    for (int i = 0; i < 16; ++i) {
        greenRange15.push_back({0, uint8_t(101 + i), 0, 255});
        greenRange16.push_back({0, uint8_t(i == 0 ? 100 : 101 + i), 0, 255});
    }
    struct Case {
        const char* name;
        std::vector<Rgba> pixels;
        Bytes expected;
    } cases[] = {
        // Box (15,0,15)-(240,0,240) after the inset; both colours are nearest to p2 = (164,0,164).
        {"red and blue", redBlue, ColorBlock(0xE81D, 0x1002, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2})},
        // Red falls as green rises: the red ends are swapped, then c0 and c1 so that c0 >= c1.
        {"red against green", redGreen, ColorBlock(0xE880, 0x1760, {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1})},
        // Palette 238, 16, 164, 90: 201, 127 and 53 lie exactly halfway and take the lower index.
        {"ties go to the lower index", Gray({0, 255, 201, 127, 53, 0, 255, 201, 127, 53, 0, 255, 201, 127, 53, 255}),
         ColorBlock(0xEF7D, 0x1082, {1, 0, 0, 2, 1, 1, 0, 0, 2, 1, 1, 0, 0, 2, 1, 0})},
        {"one colour", std::vector<Rgba>(16, Rgba{131, 129, 131, 7}), ColorBlock(0x8410, 0x8410, {})},
        // Green 101..116 spans 15 levels and keeps its ends; 100..116 is moved in by 1 on each side.
        {"range 15 is not inset", greenRange15,
         ColorBlock(0x03A0, 0x0320, {1, 1, 1, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 0, 0, 0})},
        {"range 16 is inset", greenRange16,
         ColorBlock(0x0380, 0x0320, {1, 1, 1, 3, 3, 3, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeColor(c.pixels), c.expected);
    }
}

TEST(DxtEncode, AlphaBlocksWorkedByHand) {
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 16; ++i) ramp.push_back(uint8_t(i * 17));
    struct Case {
        const char* name;
        std::vector<uint8_t> values;
        Bytes expected;
    } cases[] = {
        // Table 255, 0, 218, 182, 145, 109, 72, 36.
        {"ramp", ramp, AlphaBlock(255, 0, {1, 1, 7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 2, 0, 0})},
        // Table 14, 0, 12, 10, 8, 6, 4, 2: odd values are ties, won by the lower index.
        {"ties",
         {14, 0, 1, 13, 3, 11, 5, 7, 9, 14, 0, 2, 4, 6, 8, 10},
         AlphaBlock(14, 0, {0, 1, 1, 0, 6, 2, 5, 4, 3, 0, 1, 7, 6, 5, 4, 3})},
        {"all opaque", std::vector<uint8_t>(16, 255), {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"all equal", std::vector<uint8_t>(16, 77), {77, 77, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeAlpha(c.values), c.expected);
    }
}

TEST(DxtEncode, ImageOutputIsPinned) {
    // Pinned from the straightforward encoder; any change to the output must be deliberate.
    const Image small = NaturalImage(8, 8, 7);
    const Bytes dxt1 = {0xC6, 0x8C, 0x35, 0x2E, 0xD5, 0xF5, 0xF5, 0x35, 0xC5, 0xD4, 0x51, 0x7E, 0xD5, 0x35, 0x09, 0x02,
                        0xE5, 0x8A, 0x55, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x68, 0xDC, 0xE4, 0xA2, 0x2B, 0x2B, 0xAF, 0xBD};
    EXPECT_EQ(Encode(small, kDxt1), dxt1);
    struct Case {
        int width, height, format;
        uint64_t hash;
    } cases[] = {
        {67, 35, kDxt1, 6340735756516089079ull},
        {67, 35, kDxt5, 10972558035926749024ull},
        {67, 35, kBc5, 1875458902132465815ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " format " << c.format);
        EXPECT_EQ(Fnv1a(Encode(NaturalImage(c.width, c.height, 99), c.format)), c.hash);
    }
}

/// Sixteen pixels of one of several kinds that stress the endpoint and index choices: uniform
/// noise, two colours, narrow ranges (no inset, many ties), points on a line (exact halfway
/// cases), one colour, extremes only, anti-correlated channels.
std::vector<Rgba> AdversarialBlock(std::mt19937& rng, int kind) {
    auto byte = [&] { return uint8_t(rng()); };
    std::vector<Rgba> pixels(16);
    const Rgba a{byte(), byte(), byte(), byte()}, b{byte(), byte(), byte(), byte()};
    const int spread = 1 + int(rng() % 20);
    for (int i = 0; i < 16; ++i) {
        Rgba& p = pixels[i];
        switch (kind) {
            case 0: p = {byte(), byte(), byte(), byte()}; break;
            case 1: p = rng() % 2 ? a : b; break;
            case 2:
                p = {uint8_t(std::min(255, a.r + int(rng() % spread))),
                     uint8_t(std::min(255, a.g + int(rng() % spread))),
                     uint8_t(std::min(255, a.b + int(rng() % spread))),
                     uint8_t(std::min(255, a.a + int(rng() % spread)))};
                break;
            case 3: {
                const int t = int(rng() % 7);
                p = {uint8_t(a.r + (b.r - a.r) * t / 6), uint8_t(a.g + (b.g - a.g) * t / 6),
                     uint8_t(a.b + (b.b - a.b) * t / 6), uint8_t(a.a + (b.a - a.a) * t / 6)};
                break;
            }
            case 4: p = a; break;
            case 5:
                p = {uint8_t(rng() % 2 * 255), uint8_t(rng() % 2 * 255), uint8_t(rng() % 2 * 255),
                     uint8_t(rng() % 2 * 255)};
                break;
            default: {
                const uint8_t t = byte();
                p = {t, uint8_t(255 - t), uint8_t(t / 2 + rng() % 3), uint8_t(255 - t)};
                break;
            }
        }
    }
    return pixels;
}

/// Every kernel set compiled in: the portable one always, SSE2 on x86-64.
std::vector<std::pair<const char*, const dxt_detail::BlockKernels*>> AllKernels() {
    std::vector<std::pair<const char*, const dxt_detail::BlockKernels*>> kernels = {
        {"portable", &dxt_detail::kPortableKernels}};
    if (dxt_detail::kSse2Kernels.dxt1) kernels.push_back({"sse2", &dxt_detail::kSse2Kernels});
    return kernels;
}

TEST(DxtEncode, BlocksMatchTheReferenceOnRandomAndAdversarialInput) {
    std::mt19937 rng(42);
    for (int round = 0; round < 20000; ++round) {
        const int kind = round % 7;
        const std::vector<Rgba> pixels = AdversarialBlock(rng, kind);
        const uint8_t* bytes = &pixels[0].r;
        const uint8_t* rows[4] = {bytes, bytes + 16, bytes + 32, bytes + 48};
        std::vector<uint8_t> alpha, red, green;
        for (const Rgba& p : pixels) {
            alpha.push_back(p.a);
            red.push_back(p.r);
            green.push_back(p.g);
        }
        Bytes color(8), dxt5(16), bc5(16), alphaOnly(8);
        dxt_reference::EncodeColor(bytes, color.data());
        dxt_reference::EncodeAlpha(alpha.data(), 1, alphaOnly.data());
        dxt_reference::EncodeAlpha(alpha.data(), 1, dxt5.data());
        dxt_reference::EncodeColor(bytes, dxt5.data() + 8);
        dxt_reference::EncodeAlpha(red.data(), 1, bc5.data());
        dxt_reference::EncodeAlpha(green.data(), 1, bc5.data() + 8);

        ASSERT_EQ(EncodeColor(pixels), color) << "round " << round << " kind " << kind;
        ASSERT_EQ(EncodeAlpha(alpha), alphaOnly) << "round " << round << " kind " << kind;
        for (const auto& [name, kernels] : AllKernels()) {
            SCOPED_TRACE(testing::Message() << name << " round " << round << " kind " << kind);
            Bytes out(16);
            kernels->dxt1(rows, out.data());
            ASSERT_EQ(Bytes(out.begin(), out.begin() + 8), color);
            kernels->alpha(alpha.data(), out.data());
            ASSERT_EQ(Bytes(out.begin(), out.begin() + 8), alphaOnly);
            kernels->dxt5(rows, out.data());
            ASSERT_EQ(out, dxt5);
            kernels->bc5(rows, out.data());
            ASSERT_EQ(out, bc5);
        }
    }
}

TEST(DxtEncode, ImagesMatchTheReferenceWithEdgePixelsRepeated) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {4, 4}, {5, 5}, {7, 9}, {12, 4}, {33, 18}, {64, 61}};
    for (const auto& size : sizes) {
        const Image image = NaturalImage(size[0], size[1], uint32_t(size[0] * 100 + size[1]));
        for (int format : {kDxt1, kDxt5, kBc5}) {
            SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " format " << format);
            const Bytes expected = dxt_reference::EncodeImage(image.pixels.data(), image.width, image.height, format);
            EXPECT_EQ(Encode(image, format), expected);
            for (const auto& [name, kernels] : AllKernels()) {
                SCOPED_TRACE(name);
                ByteBuffer out;
                EXPECT_EQ(dxt_detail::EncodeDxtImageWith(*kernels, out, image, format), expected.size());
                EXPECT_EQ(Bytes(out.begin(), out.end()), expected);
            }
        }
    }
}

TEST(DxtEncode, OnePixelImageFillsTheBlock) {
    const Image image = *CreateImage(1, 1, 32, {131, 129, 131, 99});
    EXPECT_EQ(Encode(image, kDxt1), ColorBlock(0x8410, 0x8410, {}));
    EXPECT_EQ(Encode(image, kDxt5), dxt_reference::Concat({99, 99, 0, 0, 0, 0, 0, 0}, ColorBlock(0x8410, 0x8410, {})));
    EXPECT_EQ(Encode(image, kBc5), Bytes({131, 131, 0, 0, 0, 0, 0, 0, 129, 129, 0, 0, 0, 0, 0, 0}));
}

TEST(DxtEncode, Bc5IgnoresBlueAndAlpha) {
    const Image image = NaturalImage(9, 6, 5);
    Image flattened = *CopyImage(image);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) flattened.at(x, y)[2] = flattened.at(x, y)[3] = uint8_t(x * 31);
    }
    EXPECT_EQ(Encode(flattened, kBc5), Encode(image, kBc5));
}

TEST(DxtEncode, AppendsToTheBufferAndRefusesOtherFormats) {
    const Image image = NaturalImage(5, 5, 3);
    ByteBuffer out = {1, 2, 3};
    ASSERT_EQ(EncodeDxtImage(out, image, kDxt5), 64u);
    ASSERT_EQ(out.size(), 67u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), Bytes({1, 2, 3}));
    EXPECT_EQ(Bytes(out.begin() + 3, out.end()), Encode(image, kDxt5));
    for (int format : {0, int(kDxt3), 5}) {
        EXPECT_EQ(EncodeDxtImage(out, image, format), 0u);
        EXPECT_EQ(out.size(), 67u);
    }
    EXPECT_EQ(EncodeDxtImage(out, Image{}, kDxt1), 0u);
    EXPECT_EQ(out.size(), 67u);
}

/// Largest channel difference between the image and its encoded-then-decoded copy, and the
/// PSNR over the compared channels.
struct RoundTripError {
    int maxError = 0;
    double psnr = 0;
};

RoundTripError RoundTrip(const Image& image, int format, const std::vector<int>& channels) {
    const Bytes blocks = Encode(image, format);
    auto decoded = DecodeDxt(blocks.data(), blocks.size(), image.width, image.height, format);
    RoundTripError result;
    if (!decoded) return result;
    double squares = 0;
    for (std::size_t p = 0; p < image.pixels.size(); p += 4) {
        for (int c : channels) {
            const int d = int(image.pixels[p + c]) - int(decoded->pixels[p + c]);
            result.maxError = std::max(result.maxError, std::abs(d));
            squares += d * d;
        }
    }
    const double mse = squares / double(image.pixels.size() / 4 * channels.size());
    result.psnr = mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
    return result;
}

TEST(DxtEncode, EncodeThenDecodeStaysClose) {
    Image gradient = *CreateImage(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            SetPixel(gradient, x, y, {uint8_t(x * 4), uint8_t(y * 4), uint8_t(x + y * 2), uint8_t(255 - x * 3)});
    }
    const Image natural = NaturalImage(96, 64, 11);
    struct Case {
        const char* name;
        const Image& image;
        int format;
        std::vector<int> channels;
        int maxError;
        double minPsnr;
    } cases[] = {
        // A smooth block is off by at most 5-6-5 rounding plus the palette step.
        {"gradient DXT1", gradient, kDxt1, {0, 1, 2}, 12, 36},
        {"gradient DXT5", gradient, kDxt5, {0, 1, 2, 3}, 12, 37},
        {"gradient BC5", gradient, kBc5, {0, 1}, 2, 50},
        // Blocks across the hard edge are the worst; noise costs a few dB.
        {"natural DXT1", natural, kDxt1, {0, 1, 2}, 64, 31},
        {"natural DXT5", natural, kDxt5, {0, 1, 2, 3}, 64, 32},
        {"natural BC5", natural, kBc5, {0, 1}, 6, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RoundTripError error = RoundTrip(c.image, c.format, c.channels);
        EXPECT_LE(error.maxError, c.maxError);
        EXPECT_GE(error.psnr, c.minPsnr);
    }
}

}  // namespace
