#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "texformats/dxt.h"
#include "texformats/dxt_reference.h"

namespace {

using dxt_reference::AlphaBlock;
using dxt_reference::Bytes;
using dxt_reference::ColorBlock;
using dxt_reference::Concat;

Rgba Pixel(const Image& image, int x, int y) { return GetPixel(image, x, y); }

constexpr int kIndexCycle[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
constexpr int kAlphaCycle[16] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};

TEST(DxtDecode, Expand565ExamplesAndExtremes) {
    struct Case {
        uint16_t color;
        Rgba expected;
    } cases[] = {
        {0xF800, {255, 0, 0}}, {0x8410, {131, 129, 131}}, {0x07E0, {0, 255, 0}}, {0x001F, {0, 0, 255}},
        {0x0000, {0, 0, 0}},   {0xFFFF, {255, 255, 255}}, {0x0821, {8, 4, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.color);
        Rgba palette[4] = {};
        palette[1].a = 7;
        Expand565(c.color, palette, 1);
        EXPECT_EQ(palette[1], (Rgba{c.expected.r, c.expected.g, c.expected.b, 7}));
        EXPECT_EQ(palette[0], Rgba{});
    }
}

TEST(DxtDecode, DataSizes) {
    struct Case {
        int width, height, format;
        std::size_t bytes;
    } cases[] = {
        {1, 1, kDxt1, 8},
        {1, 1, kDxt5, 16},
        {5, 3, kDxt5, 32},
        {4, 4, kDxt3, 16},
        {8, 8, kDxt1, 32},
        {6, 6, kBc5, 64},
        {9, 1, kDxt1, 24},
        {0, 4, kDxt1, 0},
        {4, 4, 0, 0},
        {4, 4, 5, 0},
        {65536, 65536, kDxt1, std::size_t(16384) * 16384 * 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " format " << c.format);
        EXPECT_EQ(DxtDataSize(c.width, c.height, c.format), c.bytes);
    }
}

TEST(DxtDecode, RefusesShortDataUnknownFormatsAndBadSizes) {
    const Bytes data(64, 0);
    EXPECT_TRUE(DecodeDxt(data.data(), 8, 1, 1, kDxt1));
    EXPECT_FALSE(DecodeDxt(data.data(), 7, 1, 1, kDxt1));
    EXPECT_TRUE(DecodeDxt(data.data(), 32, 5, 3, kDxt5));
    EXPECT_FALSE(DecodeDxt(data.data(), 31, 5, 3, kDxt5));
    EXPECT_FALSE(DecodeDxt(data.data(), 64, 4, 4, 0));
    EXPECT_FALSE(DecodeDxt(data.data(), 64, 4, 4, 5));
    EXPECT_FALSE(DecodeDxt(data.data(), 64, 0, 4, kDxt1));
    EXPECT_FALSE(DecodeDxt(data.data(), 64, 4, -4, kDxt1));
    EXPECT_FALSE(DecodeDxt(nullptr, 0, 0, 0, kDxt1));
    // A claimed size far beyond the data is refused before anything is allocated.
    EXPECT_FALSE(DecodeDxt(data.data(), data.size(), 65536, 65536, kDxt1));
}

TEST(DxtDecode, FourColorPaletteIsTruncated) {
    // c0 = 0xFFFF (white) > c1 = 0x0000: 2/3 white is 170, 1/3 is 85.
    auto image = DecodeDxt(ColorBlock(0xFFFF, 0x0000, kIndexCycle).data(), 8, 4, 4, kDxt1);
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixel(*image, 0, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(*image, 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(*image, 2, 0), (Rgba{170, 170, 170, 255}));
    EXPECT_EQ(Pixel(*image, 3, 0), (Rgba{85, 85, 85, 255}));
}

TEST(DxtDecode, ThreeColorModeOnlyInDxt1) {
    // c0 = 0x8410 (131, 129, 131) <= c1 = 0xF800 (255, 0, 0).
    const Bytes color = ColorBlock(0x8410, 0xF800, kIndexCycle);
    struct Case {
        const char* name;
        int format;
        Bytes block;
        Rgba p2, p3;
    } cases[] = {
        {"DXT1 averages, index 3 transparent", kDxt1, color, {193, 64, 65, 255}, {0, 0, 0, 0}},
        {"DXT5 keeps four colours",
         kDxt5,
         Concat(AlphaBlock(255, 255, {}), color),
         {172, 86, 87, 255},
         {213, 43, 43, 255}},
        {"DXT3 keeps four colours", kDxt3, Concat(Bytes(8, 0xFF), color), {172, 86, 87, 255}, {213, 43, 43, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = DecodeDxt(c.block.data(), c.block.size(), 4, 4, c.format);
        ASSERT_TRUE(image);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(Pixel(*image, 0, y), (Rgba{131, 129, 131, 255}));
            EXPECT_EQ(Pixel(*image, 1, y), (Rgba{255, 0, 0, 255}));
            EXPECT_EQ(Pixel(*image, 2, y), c.p2);
            EXPECT_EQ(Pixel(*image, 3, y), c.p3);
        }
    }
}

TEST(DxtDecode, Dxt1EqualEndpointsGiveOneColorAndTransparentBlack) {
    const Bytes block = ColorBlock(0x8410, 0x8410, kIndexCycle);
    auto image = DecodeDxt(block.data(), block.size(), 4, 4, kDxt1);
    ASSERT_TRUE(image);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Pixel(*image, x, 2), (Rgba{131, 129, 131, 255}));
    EXPECT_EQ(Pixel(*image, 3, 2), (Rgba{0, 0, 0, 0}));
}

TEST(DxtDecode, Dxt3NibblesTimesSeventeen) {
    // Pixel i's nibble: byte i / 2, low nibble for even i.
    const Bytes alpha = {0xF0, 0x08, 0x21, 0x00, 0x00, 0x00, 0x00, 0xFF};
    const Bytes block = Concat(alpha, ColorBlock(0xFFFF, 0xFFFF, {}));
    auto image = DecodeDxt(block.data(), block.size(), 4, 4, kDxt3);
    ASSERT_TRUE(image);
    const int expected[16] = {0, 255, 136, 0, 17, 34, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255};
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Pixel(*image, i % 4, i / 4).a, expected[i]);
        EXPECT_EQ(Pixel(*image, i % 4, i / 4).r, 255);
    }
}

TEST(DxtDecode, AlphaTables) {
    struct Case {
        uint8_t a0, a1;
        uint8_t table[8];
    } cases[] = {
        {200, 10, {200, 10, 172, 145, 118, 91, 64, 37}},
        {10, 200, {10, 200, 48, 86, 124, 162, 0, 255}},
        {0, 0, {0, 0, 0, 0, 0, 0, 0, 255}},
        {77, 77, {77, 77, 77, 77, 77, 77, 0, 255}},
        {255, 0, {255, 0, 218, 182, 145, 109, 72, 36}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.a0) << "/" << int(c.a1));
        uint8_t values[16];
        DecodeAlphaBlock(AlphaBlock(c.a0, c.a1, kAlphaCycle).data(), values);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(values[i], c.table[kAlphaCycle[i]]) << "pixel " << i;

        // The same block as DXT5 alpha reaches the image unchanged.
        const Bytes dxt5 = Concat(AlphaBlock(c.a0, c.a1, kAlphaCycle), ColorBlock(0, 0, {}));
        auto image = DecodeDxt(dxt5.data(), dxt5.size(), 4, 4, kDxt5);
        ASSERT_TRUE(image);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(Pixel(*image, i % 4, i / 4).a, c.table[kAlphaCycle[i]]);
    }
}

TEST(DxtDecode, Bc5BlueIsTheNormalsZ) {
    struct Case {
        uint8_t red, green, blue;
    } cases[] = {{128, 128, 254}, {255, 128, 127}, {200, 100, 228}, {0, 0, 127}, {127, 127, 254}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.red) << "," << int(c.green));
        const Bytes block = Concat(AlphaBlock(c.red, c.red, {}), AlphaBlock(c.green, c.green, {}));
        auto image = DecodeDxt(block.data(), block.size(), 4, 4, kBc5);
        ASSERT_TRUE(image);
        EXPECT_EQ(Pixel(*image, 3, 3), (Rgba{c.red, c.green, c.blue, 255}));
    }
}

TEST(DxtDecode, EdgeBlocksDropPixelsOutsideTheImage) {
    // 6 x 6 DXT1: 2 x 2 blocks, each a different solid colour; columns and rows 6, 7 are dropped.
    const uint16_t colors[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    Bytes data;
    for (uint16_t c : colors) data = Concat(data, ColorBlock(c, 0, {}));
    auto image = DecodeDxt(data.data(), data.size(), 6, 6, kDxt1);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 6);
    ASSERT_EQ(image->height, 6);
    EXPECT_EQ(Pixel(*image, 3, 3), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(*image, 5, 0), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(Pixel(*image, 0, 5), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(*image, 5, 5), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(*image, 4, 4), (Rgba{255, 255, 255, 255}));
}

/// Random blocks, with degenerate endpoints mixed in, in every format and many sizes, against
/// the one-pixel-at-a-time reference.
TEST(DxtDecode, MatchesReferenceOnRandomBlocks) {
    std::mt19937 rng(1234);
    const int sizes[][2] = {{1, 1}, {3, 2}, {4, 4}, {5, 7}, {8, 8}, {13, 6}, {16, 9}, {33, 17}, {64, 64}};
    for (int format = kDxt1; format <= kBc5; ++format) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << "format " << format << " " << size[0] << "x" << size[1]);
            Bytes data(DxtDataSize(size[0], size[1], format) + 5);
            for (uint8_t& b : data) b = uint8_t(rng());
            // Every third block gets equal endpoints, to reach the three- and six-value modes.
            for (std::size_t at = 0; at + 16 <= data.size(); at += 48) {
                data[at + 2] = data[at];
                data[at + 3] = data[at + 1];
            }
            auto image = DecodeDxt(data.data(), data.size(), size[0], size[1], format);
            ASSERT_TRUE(image);
            const Bytes expected = dxt_reference::DecodeImage(data.data(), size[0], size[1], format);
            ASSERT_EQ(Bytes(image->pixels.begin(), image->pixels.end()), expected);
        }
    }
}

}  // namespace
