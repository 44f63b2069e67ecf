#include "imageformats/tga.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imageformats/format_test_support.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct TgaSpec {
    uint8_t type = 2;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 24;
    uint8_t descriptor = 0x20;
    uint8_t idLength = 0;
    uint8_t mapType = 0;
    uint16_t firstEntry = 0;
    uint16_t mapLength = 0;
    uint8_t entryBits = 0;
};

// The header of spec followed by rest (image ID, colour map and pixel data as the test wants).
std::vector<uint8_t> TgaFile(const TgaSpec& s, const std::vector<uint8_t>& rest = {}) {
    std::vector<uint8_t> bytes = {s.idLength,
                                  s.mapType,
                                  s.type,
                                  uint8_t(s.firstEntry),
                                  uint8_t(s.firstEntry >> 8),
                                  uint8_t(s.mapLength),
                                  uint8_t(s.mapLength >> 8),
                                  s.entryBits,
                                  0, 0, 0, 0,
                                  uint8_t(s.width),
                                  uint8_t(s.width >> 8),
                                  uint8_t(s.height),
                                  uint8_t(s.height >> 8),
                                  s.depth,
                                  s.descriptor};
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

Loaded Load(const std::vector<uint8_t>& bytes) { return LoadWith(LoadTga, bytes); }

constexpr Rgba kOpaqueBlack{0, 0, 0, 255};
constexpr Rgba kClear{0, 0, 0, 0};

}  // namespace

TEST(TgaLoadTest, RefusesWithExactTexts) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const std::vector<uint8_t> header = TgaFile({});
    const Case cases[] = {
        {"empty", {}, "This is not a TGA file."},
        {"17 bytes", {header.begin(), header.end() - 1}, "This is not a TGA file."},
        {"1x1 without pixels", header, "The TGA image data is incomplete."},
        {"one byte short", TgaFile({.width = 2}, {1, 2, 3, 4, 5}), "The TGA image data is incomplete."},
        {"ID past the end", TgaFile({.idLength = 200}, {1, 2, 3}), "The TGA image data is incomplete."},
        {"colour map past the end",
         TgaFile({.type = 1, .depth = 8, .mapType = 1, .mapLength = 100, .entryBits = 24}, {1, 2, 3, 4}),
         "The TGA image data is incomplete."},
        {"type 0", TgaFile({.type = 0}, {1, 2, 3}), "This TGA type is not supported (type 0)."},
        {"type 32", TgaFile({.type = 32}, {1, 2, 3}), "This TGA type is not supported (type 32)."},
        {"zero width", TgaFile({.width = 0}), "This TGA type is not supported (type 2)."},
        {"zero height", TgaFile({.type = 10, .height = 0}), "This TGA type is not supported (type 10)."},
        {"12 bits", TgaFile({.depth = 12}, {1, 2}), "This TGA bit depth is not supported (12 bits)."},
        {"0 bits", TgaFile({.type = 3, .depth = 0}), "This TGA bit depth is not supported (0 bits)."},
        {"beyond any image", TgaFile({.type = 10, .width = 65535, .height = 65535}, {0x80, 0, 0, 0}),
         "Not enough memory for the image."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(c.bytes);
        EXPECT_FALSE(loaded.image);
        EXPECT_EQ(loaded.info.error, c.error);
    }
}

TEST(TgaLoadTest, PlacesRowsAndColumnsByTheOrientationBits) {
    // Stored pixels (BGR): red, green / blue, white.
    const std::vector<uint8_t> data = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255};
    struct Case {
        uint8_t descriptor;
        std::vector<Rgba> expected;  // rows top first
    };
    const Case cases[] = {
        {0x00, {blue, white, red, green}},  // bottom-up
        {0x20, {red, green, blue, white}},  // top-down
        {0x10, {white, blue, green, red}},  // bottom-up, right to left
        {0x30, {green, red, white, blue}},  // top-down, right to left
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.descriptor));
        for (const uint8_t type : {2, 10}) {
            SCOPED_TRACE(int(type));
            // The encoded form: one raw packet of all four pixels.
            std::vector<uint8_t> rest = data;
            if (type == 10) rest.insert(rest.begin(), 3);
            const Loaded loaded = Load(TgaFile({.type = type, .width = 2, .height = 2, .descriptor = c.descriptor}, rest));
            ASSERT_TRUE(loaded.image) << loaded.info.error;
            EXPECT_EQ(Pixels(*loaded.image), c.expected);
        }
    }
}

TEST(TgaLoadTest, ThirtyTwoBitAlphaFollowsTheAlphaBitsAndTheFourthBytes) {
    struct Case {
        const char* name;
        uint8_t descriptor;
        uint8_t fourthByteOfSecondPixel;
        uint8_t expectedFirstAlpha, expectedSecondAlpha;
        bool hasAlpha;
    };
    const Case cases[] = {
        {"no alpha bits, all zero: opaque", 0x20, 0, 255, 255, false},
        {"no alpha bits, one 128: alpha in use", 0x20, 128, 0, 128, true},
        {"8 alpha bits, all zero: transparent", 0x28, 0, 0, 0, true},
        {"8 alpha bits, one 255", 0x28, 255, 0, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const uint8_t type : {2, 10}) {
            SCOPED_TRACE(int(type));
            std::vector<uint8_t> rest = {10, 20, 30, 0, 40, 50, 60, c.fourthByteOfSecondPixel};
            if (type == 10) rest.insert(rest.begin(), 1);
            const Loaded loaded = Load(TgaFile({.type = type, .width = 2, .depth = 32, .descriptor = c.descriptor}, rest));
            ASSERT_TRUE(loaded.image) << loaded.info.error;
            EXPECT_EQ(Pixels(*loaded.image),
                      (std::vector<Rgba>{{30, 20, 10, c.expectedFirstAlpha}, {60, 50, 40, c.expectedSecondAlpha}}));
            EXPECT_EQ(loaded.info.hasAlpha, c.hasAlpha);
            EXPECT_EQ(loaded.info.bytesPerPixel, 4);
            EXPECT_EQ(loaded.info.formatText, "Truevision Graphics Adapter");
        }
    }
}

TEST(TgaLoadTest, ConvertsSixteenBitWordsAndGrey) {
    struct Case {
        const char* name;
        TgaSpec spec;
        std::vector<uint8_t> data;
        std::vector<Rgba> expected;
        int bytesPerPixel;
    };
    const Case cases[] = {
        {"one alpha bit",
         {.width = 2, .depth = 16, .descriptor = 0x21},
         {0xFF, 0x7F, 0xFF, 0xFF},
         {{255, 255, 255, 0}, {255, 255, 255, 255}},
         2},
        {"no alpha bits",
         {.width = 2, .depth = 16, .descriptor = 0x20},
         {0xFF, 0x7F, 0xFF, 0xFF},
         {{255, 255, 255, 255}, {255, 255, 255, 255}},
         2},
        {"15 bits, channel scaling", {.width = 1, .depth = 15}, {0x41, 0x40}, {{131, 16, 8, 255}}, 2},
        {"grey and alpha", {.type = 11, .depth = 16}, {0x81, 77, 0}, {{77, 77, 77, 255}, {77, 77, 77, 255}}, 2},
        {"8-bit grey", {.type = 3, .width = 2, .depth = 8}, {0, 200}, {{0, 0, 0, 255}, {200, 200, 200, 255}}, 1},
        {"8-bit true-colour reads as grey", {.type = 2, .depth = 8}, {90}, {{90, 90, 90, 255}}, 1},
        {"24-bit grey takes its first byte", {.type = 3, .depth = 24}, {70, 1, 2}, {{70, 70, 70, 255}}, 3},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        c.spec.width = uint16_t(c.expected.size());
        const Loaded loaded = Load(TgaFile(c.spec, c.data));
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_EQ(Pixels(*loaded.image), c.expected);
        EXPECT_EQ(loaded.info.bytesPerPixel, c.bytesPerPixel);
    }
}

TEST(TgaLoadTest, LooksUpColourMapEntries) {
    const std::vector<uint8_t> map24 = {1, 2, 3, 4, 5, 6};         // two BGR entries
    const std::vector<uint8_t> map32 = {1, 2, 3, 40, 4, 5, 6, 0};  // two BGRA entries
    const std::vector<uint8_t> map16 = {0x00, 0x7C, 0x1F, 0x00};  // red, blue as 5-5-5 words
    struct Case {
        const char* name;
        TgaSpec spec;
        std::vector<uint8_t> rest;
        std::vector<Rgba> expected;
    };
    auto concat = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"first entry index 10",
         {.type = 1, .width = 4, .depth = 8, .mapType = 1, .firstEntry = 10, .mapLength = 2, .entryBits = 24},
         concat(map24, {10, 11, 5, 12}),
         {{3, 2, 1, 255}, {6, 5, 4, 255}, kOpaqueBlack, kOpaqueBlack}},
        {"32-bit entries keep their alpha, ID skipped",
         {.type = 1, .width = 2, .depth = 8, .idLength = 2, .mapType = 1, .mapLength = 2, .entryBits = 32},
         concat(concat({'i', 'd'}, map32), {0, 1}),
         {{3, 2, 1, 40}, {6, 5, 4, 0}}},
        {"16-bit entries are opaque 5-5-5 colours",
         {.type = 1, .width = 2, .depth = 8, .mapType = 1, .mapLength = 2, .entryBits = 16},
         concat(map16, {0, 1}),
         {{255, 0, 0, 255}, {0, 0, 255, 255}}},
        {"16-bit indexes use their first byte",
         {.type = 1, .width = 1, .depth = 16, .mapType = 1, .mapLength = 2, .entryBits = 24},
         concat(map24, {1, 7}),
         {{6, 5, 4, 255}}},
        {"map not located: black, data right after the ID",
         {.type = 1, .width = 2, .depth = 8, .mapType = 0, .mapLength = 50, .entryBits = 24},
         {0, 1},
         {kOpaqueBlack, kOpaqueBlack}},
        // Encoded files without pixel data: every pixel is index 0.
        {"encoded, map cut off after entry 0",
         {.type = 9, .width = 2, .depth = 8, .mapType = 1, .mapLength = 3, .entryBits = 24},
         {1, 2, 3, 4, 5},
         {{3, 2, 1, 255}, {3, 2, 1, 255}}},
        {"encoded, map cut off inside entry 0",
         {.type = 9, .width = 2, .depth = 8, .mapType = 1, .mapLength = 3, .entryBits = 24},
         {1, 2},
         {kOpaqueBlack, kOpaqueBlack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(TgaFile(c.spec, c.rest));
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_EQ(Pixels(*loaded.image), c.expected);
    }
}

TEST(TgaLoadTest, DecodesPacketsAcrossRowsAndKeepsShortDataBlack) {
    const Rgba a{3, 2, 1, 255}, b{6, 5, 4, 255};
    struct Case {
        const char* name;
        TgaSpec spec;
        std::vector<uint8_t> data;
        std::vector<Rgba> expected;  // rows top first
    };
    const Case cases[] = {
        {"run crosses into the next row",
         {.type = 10, .width = 3, .height = 2},
         {0x83, 1, 2, 3, 0x01, 4, 5, 6, 4, 5, 6},
         {a, a, a, a, b, b}},
        {"raw packet crosses into the next row, bottom-up",
         {.type = 10, .width = 2, .height = 2, .descriptor = 0},
         {0x02, 1, 2, 3, 1, 2, 3, 4, 5, 6, 0x80, 1, 2, 3},
         {b, a, a, a}},
        {"run covers several whole rows, starting mid-row",
         {.type = 10, .width = 2, .height = 4},
         {0x00, 4, 5, 6, 0x85, 1, 2, 3, 0x00, 4, 5, 6},
         {b, a, a, a, a, a, a, b}},
        {"data ends after one row: the other rows black",
         {.type = 10, .width = 2, .height = 4},
         {0x81, 1, 2, 3},
         {a, a, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack}},
        {"run longer than the image",
         {.type = 10, .width = 2, .height = 1},
         {0xFF, 1, 2, 3},
         {a, a}},
        {"data ends inside a run packet's value",
         {.type = 10, .width = 2, .height = 2},
         {0x80, 1, 2, 3, 0x82, 4, 5},
         {a, kOpaqueBlack, kOpaqueBlack, kOpaqueBlack}},
        {"data ends inside a raw packet",
         {.type = 10, .width = 2, .height = 2},
         {0x03, 1, 2, 3, 4, 5, 6, 7},
         {a, b, kOpaqueBlack, kOpaqueBlack}},
        {"32-bit with alpha bits: the rest is transparent",
         {.type = 10, .width = 3, .depth = 32, .descriptor = 0x28},
         {0x82, 1, 2, 3, 200},
         {{3, 2, 1, 200}, {3, 2, 1, 200}, {3, 2, 1, 200}}},
        {"32-bit with alpha bits, cut short",
         {.type = 10, .width = 3, .depth = 32, .descriptor = 0x28},
         {0x00, 1, 2, 3, 200, 0x81, 1},
         {{3, 2, 1, 200}, kClear, kClear}},
        {"32-bit made to use alpha, cut short",
         {.type = 10, .width = 3, .depth = 32, .descriptor = 0x20},
         {0x00, 1, 2, 3, 9},
         {{3, 2, 1, 9}, kClear, kClear}},
        {"32-bit without alpha, cut short: opaque",
         {.type = 10, .width = 3, .depth = 32, .descriptor = 0x20},
         {0x00, 1, 2, 3, 0},
         {a, kOpaqueBlack, kOpaqueBlack}},
        {"16-bit with one alpha bit, cut short",
         {.type = 10, .width = 2, .depth = 16, .descriptor = 0x21},
         {0x00, 0xFF, 0xFF},
         {{255, 255, 255, 255}, kClear}},
        {"grey, no data at all",
         {.type = 11, .width = 2, .depth = 8},
         {},
         {kOpaqueBlack, kOpaqueBlack}},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(TgaFile(c.spec, c.data));
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_EQ(Pixels(*loaded.image), c.expected);
    }
}

TEST(TgaSaveTest, WritesTheDocumentedLayout) {
    Image image = *CreateImage(2, 1, 32);
    SetPixel(image, 0, 0, {10, 20, 30, 40});
    SetPixel(image, 1, 0, {50, 60, 70, 80});
    const std::vector<uint8_t> footer = [] {
        std::vector<uint8_t> f(8, 0);
        for (const char ch : std::string("TRUEVISION-XFILE.")) f.push_back(uint8_t(ch));
        f.push_back(0);
        return f;
    }();
    struct Case {
        bool withAlpha;
        std::vector<uint8_t> pixels;
        uint8_t depth, descriptor;
    };
    const Case cases[] = {
        {false, {30, 20, 10, 70, 60, 50}, 24, 32},
        {true, {30, 20, 10, 40, 70, 60, 50, 80}, 32, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.withAlpha);
        std::vector<uint8_t> expected = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, c.depth, c.descriptor};
        expected.insert(expected.end(), c.pixels.begin(), c.pixels.end());
        expected.insert(expected.end(), footer.begin(), footer.end());
        const ByteBuffer encoded = EncodeTga(image, c.withAlpha);
        EXPECT_EQ(ToVector(encoded), expected);
        EXPECT_EQ(expected.size(), c.withAlpha ? 52u : 50u);

        TempDir dir;
        ASSERT_TRUE(SaveTga(image, dir.file("out.tga"), c.withAlpha));
        EXPECT_EQ(ReadBytes(dir.file("out.tga")), expected);
    }
}

TEST(TgaSaveTest, RoundTripsThroughTheReader) {
    for (const bool withAlpha : {true, false}) {
        SCOPED_TRACE(withAlpha);
        const Image image = PatternImage(37, 19, withAlpha);
        const ByteBuffer encoded = EncodeTga(image, withAlpha);
        LoadInfo info;
        const auto loaded = LoadTga(encoded, info);
        ASSERT_TRUE(loaded) << info.error;
        EXPECT_TRUE(SamePixels(*loaded, image));
        EXPECT_EQ(info.hasAlpha, withAlpha);
        EXPECT_EQ(info.bytesPerPixel, withAlpha ? 4 : 3);
    }
    // A 24-bit image saved with alpha stores opaque alpha, whatever its alpha bytes hold.
    Image opaque = PatternImage(3, 2, true);
    opaque.bitsPerPixel = 24;
    LoadInfo info;
    const auto loaded = LoadTga(EncodeTga(opaque, true), info);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(GetPixel(*loaded, 2, 1).a, 255);
}

TEST(TgaSaveTest, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(EncodeTga(Image{}, true).empty());
    Image wide = *CreateImage(65536, 1);
    EXPECT_TRUE(EncodeTga(wide, false).empty());

    TempDir dir;
    const std::string existing = dir.file("keep.tga");
    WriteBytes(existing, {1, 2, 3});
    EXPECT_FALSE(SaveTga(wide, existing, false));
    EXPECT_EQ(ReadBytes(existing), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(SaveTga(PatternImage(2, 2), dir.file("missing/out.tga"), true));
}

// Every prefix of a valid file either loads (encoded data: a partial image whose pixels are the
// full image's or black) or fails with a documented text; the sanitizer build catches over-reads.
TEST(TgaLoadTest, EveryTruncationFailsCleanlyOrLoadsAPrefix) {
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<Rgba> missing;  // what a pixel never reached may become
        std::size_t completeLength;  // raw data: the shortest prefix that loads
    };
    std::vector<uint8_t> mapped = TgaFile({.type = 9, .width = 3, .height = 2, .depth = 8, .idLength = 1,
                                           .mapType = 1, .mapLength = 3, .entryBits = 24},
                                          {'x', 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x81, 1, 0x03, 2, 0, 1, 2});
    const Case cases[] = {
        {"raw 32-bit", ToVector(EncodeTga(PatternImage(3, 2, true), true)), {}, 18 + 3 * 2 * 4},
        {"raw 24-bit, nothing after the pixels",
         TgaFile({.width = 3, .height = 2, .descriptor = 0}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}),
         {},
         18 + 18},
        {"encoded 24-bit",
         TgaFile({.type = 10, .width = 3, .height = 2, .descriptor = 0},
                 {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x80, 10, 11, 12}),
         {kOpaqueBlack}, 18},
        {"encoded 32-bit with alpha",
         TgaFile({.type = 10, .width = 3, .height = 2, .depth = 32, .descriptor = 0x38},
                 {0x01, 1, 2, 3, 4, 5, 6, 7, 8, 0x83, 9, 10, 11, 12}),
         {kClear}, 18},
        // Index 0 is entry 0, or black while the cut falls inside that entry.
        {"encoded colour-mapped", mapped, {{3, 2, 1, 255}, kOpaqueBlack}, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded full = Load(c.file);
        ASSERT_TRUE(full.image) << full.info.error;
        const bool encoded = c.file[2] >= 9;
        for (std::size_t length = 0; length < c.file.size(); ++length) {
            SCOPED_TRACE(length);
            // A copy of exactly this length, so any read past it is outside the allocation.
            const std::vector<uint8_t> prefix(c.file.begin(), c.file.begin() + std::ptrdiff_t(length));
            const Loaded loaded = Load(prefix);
            if (length < 18) {
                EXPECT_EQ(loaded.info.error, "This is not a TGA file.");
            } else if (!encoded && length < c.completeLength) {
                EXPECT_EQ(loaded.info.error, "The TGA image data is incomplete.");
            } else {
                ASSERT_TRUE(loaded.image) << loaded.info.error;
                const std::vector<Rgba> fullPixels = Pixels(*full.image), pixels = Pixels(*loaded.image);
                for (std::size_t i = 0; i < pixels.size(); ++i)
                    EXPECT_TRUE(pixels[i] == fullPixels[i] || std::ranges::count(c.missing, pixels[i]) > 0) << i;
            }
        }
    }
}

TEST(TgaLoadTest, SurvivesRandomBytesBehindValidHeaders) {
    std::mt19937 random(1234);
    const uint8_t types[] = {1, 2, 3, 9, 10, 11};
    const uint8_t depths[] = {8, 15, 16, 24, 32};
    for (int round = 0; round < 600; ++round) {
        std::vector<uint8_t> body(random() % 64);
        for (uint8_t& byte : body) byte = uint8_t(random());
        const TgaSpec spec{.type = types[random() % 6],
                           .width = uint16_t(1 + random() % 9),
                           .height = uint16_t(1 + random() % 9),
                           .depth = depths[random() % 5],
                           .descriptor = uint8_t(random()),
                           .idLength = uint8_t(random() % 4),
                           .mapType = uint8_t(random() % 2),
                           .firstEntry = uint16_t(random() % 4),
                           .mapLength = uint16_t(random() % 6),
                           .entryBits = uint8_t(random() % 40)};
        const Loaded loaded = Load(TgaFile(spec, body));
        EXPECT_NE(loaded.image.has_value(), !loaded.info.error.empty());
    }
}

TEST(TgaCrossCheckTest, ImageMagickReadsWhatWeWrite) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    for (const bool withAlpha : {true, false}) {
        SCOPED_TRACE(withAlpha);
        const Image image = CrossCheckImage(37, 21, withAlpha);
        const std::string path = dir.file(withAlpha ? "alpha.tga" : "opaque.tga");
        ASSERT_TRUE(SaveTga(image, path, withAlpha));
        EXPECT_EQ(ImageMagickRead(path), RgbaBytes(image));
    }
}

TEST(TgaCrossCheckTest, WeReadWhatImageMagickWrites) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const Image alpha = CrossCheckImage(37, 21, true), opaque = CrossCheckImage(33, 7, false);
    const Image fewColours = FewColoursImage(29, 17);
    // Checked layout byte: the image type.
    const ImageMagickFile files[] = {
        {"raw, bottom-up", alpha, true, "", 2},
        {"raw, top-down", opaque, false, "-orient TopLeft", 2},
        {"raw, right to left", alpha, true, "-orient TopRight", 2},
        {"RLE, bottom-up", alpha, true, "-compress RLE", 10},
        {"RLE, top-down", opaque, false, "-compress RLE -orient TopLeft", 10},
        {"RLE, bottom right", opaque, false, "-compress RLE -orient BottomRight", 10},
        {"colour-mapped", fewColours, false, "-type Palette", 1},
        {"colour-mapped RLE", fewColours, false, "-type Palette -compress RLE", 9},
        {"greyscale RLE", fewColours, false, "-type Grayscale -compress RLE", 11},
    };
    TempDir dir;
    ExpectReadsLikeImageMagick(LoadTga, 2, files, dir.file("imagemagick.tga"), false);
}
