#include "imageformats/pcx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imageformats/format_test_support.h"
#include "test_support.h"

using namespace testing_support;

namespace {

struct PcxSpec {
    uint8_t encoding = 1;
    uint8_t bitsPerPlane = 8;
    uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint8_t planes = 3;
    uint16_t bytesPerLine = 1;
};

// A 128-byte header for spec followed by data.
std::vector<uint8_t> PcxFile(const PcxSpec& s, const std::vector<uint8_t>& data = {}) {
    std::vector<uint8_t> bytes(128 + data.size(), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + 128);
    auto put16 = [&bytes](std::size_t offset, uint16_t value) {
        bytes[offset] = uint8_t(value);
        bytes[offset + 1] = uint8_t(value >> 8);
    };
    bytes[0] = 10;
    bytes[1] = 5;
    bytes[2] = s.encoding;
    bytes[3] = s.bitsPerPlane;
    put16(4, s.xMin);
    put16(6, s.yMin);
    put16(8, s.xMax);
    put16(10, s.yMax);
    bytes[65] = s.planes;
    put16(66, s.bytesPerLine);
    return bytes;
}

// The palette block of an 8-bit file: the marker 12, then entry i = (i, 255 - i, i / 2).
std::vector<uint8_t> PaletteBlock() {
    std::vector<uint8_t> block = {12};
    for (int i = 0; i < 256; ++i) block.insert(block.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    return block;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Loaded Load(const std::vector<uint8_t>& bytes) { return LoadWith(LoadPcx, bytes); }

}  // namespace

TEST(PcxLoadTest, RefusesWithExactTexts) {
    const char* kNotPcx = "This is not a PCX file.";
    const char* kType = "This PCX type is not supported (only 8-bit palette, 24-bit and 32-bit).";
    const char* kPalette = "The PCX palette is missing.";
    std::vector<uint8_t> notManufacturer = PcxFile({}, {0xC1, 0});
    notManufacturer[0] = 11;
    const std::vector<uint8_t> header = PcxFile({});
    std::vector<uint8_t> wrongMarker = PcxFile({.planes = 1}, Concat({0}, PaletteBlock()));
    wrongMarker[wrongMarker.size() - 769] = 13;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Case cases[] = {
        {"empty", {}, kNotPcx},
        {"127 bytes", {header.begin(), header.end() - 1}, kNotPcx},
        {"manufacturer 11", notManufacturer, kNotPcx},
        {"1 bit per plane", PcxFile({.bitsPerPlane = 1}), kType},
        {"4 bits per plane", PcxFile({.bitsPerPlane = 4, .planes = 1}), kType},
        {"2 planes", PcxFile({.planes = 2}), kType},
        {"5 planes", PcxFile({.planes = 5}), kType},
        {"X max below X min", PcxFile({.xMin = 5, .xMax = 3, .bytesPerLine = 8}), kType},
        {"Y max below Y min", PcxFile({.yMin = 1, .yMax = 0}), kType},
        {"bytes per line below the width", PcxFile({.xMax = 3, .bytesPerLine = 3}), kType},
        {"palette marker wrong", wrongMarker, kPalette},
        {"palette file too short", PcxFile({.planes = 1}, std::vector<uint8_t>(768, 12)), kPalette},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(c.bytes);
        EXPECT_FALSE(loaded.image);
        EXPECT_EQ(loaded.info.error, c.error);
    }
}

TEST(PcxLoadTest, DecodesPlanesPalettesAndRuns) {
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<Rgba> expected;  // rows top first
        int bytesPerPixel;
        const char* formatText;
        bool hasAlpha;
    };
    const Case cases[] = {
        {"24-bit raw with a padding byte",
         PcxFile({.encoding = 0, .xMax = 0, .yMax = 1, .bytesPerLine = 2}, {1, 99, 2, 99, 3, 99, 4, 99, 5, 99, 6, 99}),
         {{1, 2, 3, 255}, {4, 5, 6, 255}},
         3,
         "PiCture eXchange (24-bit)",
         false},
        {"offsets only size the image",
         PcxFile({.encoding = 0, .xMin = 10, .yMin = 7, .xMax = 11, .yMax = 7, .bytesPerLine = 2},
                 {1, 2, 3, 4, 5, 6}),
         {{1, 3, 5, 255}, {2, 4, 6, 255}},
         3,
         "PiCture eXchange (24-bit)",
         false},
        {"32-bit, a run carried from one row into the next",
         // Row 0: red 7, green 8, blue 9, then a run of 3 x 200 covers alpha and row 1's red
         // and green; then blue 10 and alpha 255.
         PcxFile({.xMax = 0, .yMax = 1, .planes = 4}, {7, 8, 9, 0xC3, 200, 10, 0xC1, 255}),
         {{7, 8, 9, 200}, {200, 200, 10, 255}},
         4,
         "PiCture eXchange (32-bit)",
         true},
        {"32-bit, all opaque",
         PcxFile({.xMax = 1, .planes = 4, .bytesPerLine = 2}, {0xC2, 1, 0xC2, 2, 0xC2, 3, 0xC2, 255}),
         {{1, 2, 3, 255}, {1, 2, 3, 255}},
         4,
         "PiCture eXchange (32-bit)",
         false},
        {"8-bit palette, a zero-length run and a literal",
         PcxFile({.xMax = 2, .planes = 1, .bytesPerLine = 4}, Concat({0xC0, 77, 0xC2, 4, 9, 0}, PaletteBlock())),
         {{4, 251, 2, 255}, {4, 251, 2, 255}, {9, 246, 4, 255}},
         1,
         "PiCture eXchange (8-bit)",
         false},
        {"encoded data that stops early reads zeros",
         PcxFile({.xMax = 1, .yMax = 1, .bytesPerLine = 2}, {0xC4, 50, 60}),
         {{50, 50, 60, 255}, {50, 50, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}},
         3,
         "PiCture eXchange (24-bit)",
         false},
        {"a run count as the last byte repeats 0",
         PcxFile({.xMax = 0, .yMax = 0}, {5, 0xC2}),
         {{5, 0, 0, 255}},
         3,
         "PiCture eXchange (24-bit)",
         false},
        {"raw rows the file does not hold whole are zeros",
         PcxFile({.encoding = 7, .xMax = 0, .yMax = 1, .planes = 4}, {1, 2, 3, 4, 5, 6, 7}),
         {{1, 2, 3, 4}, {0, 0, 0, 0}},
         4,
         "PiCture eXchange (32-bit)",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(c.file);
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_EQ(Pixels(*loaded.image), c.expected);
        EXPECT_EQ(loaded.info.width, loaded.image->width);
        EXPECT_EQ(loaded.info.height, loaded.image->height);
        EXPECT_EQ(loaded.info.bytesPerPixel, c.bytesPerPixel);
        EXPECT_EQ(loaded.info.formatText, c.formatText);
        EXPECT_EQ(loaded.info.hasAlpha, c.hasAlpha);
    }
}

TEST(PcxEncodeTest, EncodesRowsAsRunsAndLiterals) {
    struct Case {
        const char* name;
        std::vector<uint8_t> row;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"200 alone", {200}, {193, 200}},
        {"191 alone", {191}, {191}},
        {"100 equal bytes", std::vector<uint8_t>(100, 7), {255, 7, 229, 7}},
        {"mixed", {1, 2, 2, 3, 3, 3, 192}, {1, 194, 2, 195, 3, 193, 192}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out(2 * c.row.size() + 1, 0xEE);
        const std::size_t written = EncodePcxRow(c.row, out.data());
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + std::ptrdiff_t(written)), c.expected);
        EXPECT_EQ(out.back(), 0xEE);
    }
}

TEST(PcxSaveTest, WritesAThreePlaneFileWithPaddedRows) {
    Image image = *CreateImage(3, 1, 32);
    SetPixel(image, 0, 0, {10, 20, 30, 0});
    SetPixel(image, 1, 0, {10, 200, 31, 128});
    SetPixel(image, 2, 0, {11, 200, 32, 255});
    TempDir dir;
    const std::string path = dir.file("out.pcx");
    ASSERT_TRUE(SavePcx(image, path));
    const std::vector<uint8_t> bytes = ReadBytes(path);

    std::vector<uint8_t> header(128, 0);
    header[0] = 10, header[1] = 5, header[2] = 1, header[3] = 8;
    header[8] = 2;                    // X max
    header[12] = 72, header[14] = 72;  // resolution
    header[65] = 3;
    header[66] = 4;  // bytes per line: the odd width plus one
    header[68] = 1;
    const std::vector<uint8_t> planes = {
        0xC2, 10, 11, 0,          // red
        20, 0xC2, 200, 0,         // green (200 is a run of two)
        30, 31, 32, 0,            // blue
    };
    EXPECT_EQ(bytes, Concat(header, planes));

    const Loaded loaded = Load(bytes);
    ASSERT_TRUE(loaded.image) << loaded.info.error;
    EXPECT_EQ(Pixels(*loaded.image),
              (std::vector<Rgba>{{10, 20, 30, 255}, {10, 200, 31, 255}, {11, 200, 32, 255}}));
}

TEST(PcxSaveTest, RoundTripsColoursOfOddAndEvenWidths) {
    for (const int width : {1, 2, 37, 64, 129}) {
        SCOPED_TRACE(width);
        const Image image = PatternImage(width, 5, false);
        const Loaded loaded = Load(ToVector(EncodePcx(image)));
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_TRUE(SamePixels(*loaded.image, image));
        EXPECT_EQ(loaded.info.bytesPerPixel, 3);
    }
}

TEST(PcxSaveTest, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(EncodePcx(Image{}).empty());
    // 65535 pixels would need 65536 bytes per line, which the 16-bit field cannot hold.
    EXPECT_TRUE(EncodePcx(*CreateImage(65535, 1)).empty());
    EXPECT_FALSE(EncodePcx(*CreateImage(65534, 1)).empty());

    TempDir dir;
    const std::string existing = dir.file("keep.pcx");
    WriteBytes(existing, {1, 2, 3});
    EXPECT_FALSE(SavePcx(Image{}, existing));
    EXPECT_EQ(ReadBytes(existing), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(SavePcx(PatternImage(2, 2), dir.file("missing/out.pcx")));
}

// Every prefix of a valid file fails with a documented text or loads with each channel either
// the full file's or 0 (missing bytes read as 0); the sanitizer build catches over-reads.
TEST(PcxLoadTest, EveryTruncationFailsCleanlyOrReadsZeros) {
    // Palette indexes and colours avoid the marker byte 12, so a cut palette file is always
    // recognised as one.
    Image colours = *CreateImage(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) SetPixel(colours, x, y, {uint8_t(x < 3 ? 200 : 40 + x), uint8_t(y * 30 + 1), 7, 255});
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"24-bit encoded", ToVector(EncodePcx(colours))},
        {"32-bit raw", PcxFile({.encoding = 0, .xMax = 1, .yMax = 1, .planes = 4, .bytesPerLine = 2},
                               {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17})},
        {"8-bit encoded", PcxFile({.xMax = 2, .yMax = 1, .planes = 1, .bytesPerLine = 4},
                                  Concat({0xC5, 3, 9, 0xC2, 200}, PaletteBlock()))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded full = Load(c.file);
        ASSERT_TRUE(full.image) << full.info.error;
        const bool palette = c.file[65] == 1;
        for (std::size_t length = 0; length < c.file.size(); ++length) {
            SCOPED_TRACE(length);
            const std::vector<uint8_t> prefix(c.file.begin(), c.file.begin() + std::ptrdiff_t(length));
            const Loaded loaded = Load(prefix);
            if (length < 128) {
                EXPECT_EQ(loaded.info.error, "This is not a PCX file.");
            } else if (palette) {
                EXPECT_EQ(loaded.info.error, "The PCX palette is missing.");
            } else {
                ASSERT_TRUE(loaded.image) << loaded.info.error;
                const std::vector<Rgba> fullPixels = Pixels(*full.image), pixels = Pixels(*loaded.image);
                for (std::size_t i = 0; i < pixels.size(); ++i) {
                    SCOPED_TRACE(i);
                    EXPECT_TRUE(pixels[i].r == fullPixels[i].r || pixels[i].r == 0);
                    EXPECT_TRUE(pixels[i].g == fullPixels[i].g || pixels[i].g == 0);
                    EXPECT_TRUE(pixels[i].b == fullPixels[i].b || pixels[i].b == 0);
                    EXPECT_TRUE(pixels[i].a == fullPixels[i].a || pixels[i].a == 0);
                }
            }
        }
    }
}

TEST(PcxLoadTest, ManyRowsBeyondTheDataReadAsZeros) {
    // A height far beyond the data (a damaged header): every row the data does not reach is the
    // conversion of zero bytes, for raw and encoded rows alike.
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        Rgba firstPixel, zeroPixel;
    };
    const Case cases[] = {
        {"24-bit raw", PcxFile({.encoding = 0, .xMax = 1, .yMax = 2999, .planes = 3, .bytesPerLine = 2}, {1, 2, 3, 4, 5, 6}),
         {1, 3, 5, 255}, {0, 0, 0, 255}},
        {"32-bit encoded", PcxFile({.xMax = 1, .yMax = 2999, .planes = 4, .bytesPerLine = 2}, {0xC8, 9}),
         {9, 9, 9, 9}, {0, 0, 0, 0}},
        {"8-bit encoded", PcxFile({.xMax = 2, .yMax = 2999, .planes = 1, .bytesPerLine = 4},
                                  Concat({0xC4, 3}, PaletteBlock())),
         {3, 252, 1, 255}, {0, 255, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded loaded = Load(c.file);
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        ASSERT_EQ(loaded.image->height, 3000);
        EXPECT_EQ(GetPixel(*loaded.image, 0, 0), c.firstPixel);
        for (int y : {2000, 2999})
            for (int x = 0; x < loaded.image->width; ++x) EXPECT_EQ(GetPixel(*loaded.image, x, y), c.zeroPixel);
    }
}

TEST(PcxLoadTest, SurvivesRandomBytesBehindValidHeaders) {
    std::mt19937 random(99);
    const uint8_t planes[] = {1, 3, 4};
    for (int round = 0; round < 600; ++round) {
        std::vector<uint8_t> body(random() % 1100);
        for (uint8_t& byte : body) byte = uint8_t(random());
        const uint16_t width = uint16_t(1 + random() % 9);
        const PcxSpec spec{.encoding = uint8_t(random() % 2),
                           .xMax = uint16_t(width - 1),
                           .yMax = uint16_t(random() % 9),
                           .planes = planes[random() % 3],
                           .bytesPerLine = uint16_t(width + random() % 3)};
        std::vector<uint8_t> file = PcxFile(spec, body);
        if (file.size() > 897 && random() % 2) file[file.size() - 769] = 12;
        const Loaded loaded = Load(file);
        EXPECT_NE(loaded.image.has_value(), !loaded.info.error.empty());
    }
}

TEST(PcxCrossCheckTest, ImageMagickReadsWhatWeWrite) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    const Image image = CrossCheckImage(37, 21, true);
    const std::string path = dir.file("ours.pcx");
    ASSERT_TRUE(SavePcx(image, path));
    Image opaque = *CopyImage(image);
    opaque.bitsPerPixel = 24;  // the file keeps no alpha
    EXPECT_EQ(ImageMagickRead(path), RgbaBytes(opaque));
}

TEST(PcxCrossCheckTest, WeReadWhatImageMagickWrites) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const Image alpha = CrossCheckImage(37, 21, true), opaque = CrossCheckImage(33, 8, false);
    const Image fewColours = FewColoursImage(29, 17);
    // Checked layout byte: the number of planes.
    const ImageMagickFile files[] = {
        {"24-bit RLE", opaque, false, "", 3},
        {"24-bit raw", opaque, false, "-compress None", 3},
        {"32-bit RLE", alpha, true, "", 4},
        {"32-bit raw", alpha, true, "-compress None", 4},
        {"8-bit palette RLE", fewColours, false, "-type Palette", 1},
        {"8-bit palette raw", fewColours, false, "-type Palette -compress None", 1},
    };
    TempDir dir;
    // PCX has a single orientation, so ImageMagick's decoding is the image it was given.
    ExpectReadsLikeImageMagick(LoadPcx, 65, files, dir.file("imagemagick.pcx"), true);
}
