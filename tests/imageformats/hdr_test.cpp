#include "imageformats/hdr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

#include "external_tools.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kHeader = Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n");

std::optional<RgbeImage> Decode(const Bytes& file, std::string* error = nullptr) {
    std::string message;
    std::optional<RgbeImage> image = DecodeHdr(file, message);
    if (error) *error = message;
    if (!image) {
        EXPECT_FALSE(message.empty());
    }
    return image;
}

Bytes PixelAt(const RgbeImage& image, int x, int y) {
    const uint8_t* p = image.rgbe.data() + (std::size_t(y) * image.width + x) * 4;
    return Bytes(p, p + 4);
}

Bytes RandomRgbe(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    Bytes rgbe(std::size_t(width) * height * 4);
    for (uint8_t& byte : rgbe) byte = uint8_t(random());
    // Stretches of equal bytes, as real images have.
    for (std::size_t i = 0; i + 40 < rgbe.size(); i += 97) std::fill_n(rgbe.begin() + i, 40, uint8_t(i));
    return rgbe;
}

// ---- RGBE ---------------------------------------------------------------------------------

TEST(EncodeRgbe, WorkedValuesAndLimits) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double r, g, b;
        Bytes expected;
    } cases[] = {
        {1.0, 0.5, 0.25, {128, 64, 32, 129}},
        {0, 0, 0, {0, 0, 0, 0}},
        {1e-33, 0, 0, {0, 0, 0, 0}},
        {0.5, 0, 0, {128, 0, 0, 128}},
        {0.999, 0.999, 0.999, {255, 255, 255, 128}},
        {0, 0, 3.0, {0, 0, 192, 130}},
        {1e-30, 1e-30, 1e-30, {162, 162, 162, 29}},
        // Negative channels would wrap around as bytes; they are stored as 0.
        {-1.0, 0.5, 0.0, {0, 128, 0, 128}},
        {-1.0, -2.0, -3.0, {0, 0, 0, 0}},
        {std::nan(""), std::nan(""), std::nan(""), {0, 0, 0, 0}},
        // Beyond the largest exponent the value saturates instead of wrapping.
        {inf, 1.0, 0.0, {255, 0, 0, 255}},
        {0x1p130, 0x1p129, 0.0, {255, 255, 0, 255}},
        {0x1p126, 0.0, 0.0, {128, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << ", " << c.g << ", " << c.b);
        uint8_t out[4] = {9, 9, 9, 9};
        EncodeRgbe(c.r, c.g, c.b, out);
        EXPECT_EQ(Bytes(out, out + 4), c.expected);
    }
}

TEST(EncodeRgbe, ReproducesNormalisedPixelsFromTheirDecodedValues) {
    std::mt19937 random(7);
    for (int e = 30; e < 256; ++e)
        for (int top = 128; top < 256; ++top) {
            // The largest mantissa at 128 or more: the form the encoder produces.
            uint8_t pixel[4] = {uint8_t(random() % (top + 1)), uint8_t(random() % (top + 1)),
                                uint8_t(random() % (top + 1)), uint8_t(e)};
            pixel[random() % 3] = uint8_t(top);
            double linear[3];
            DecodeRgbe(pixel, linear);
            uint8_t again[4];
            EncodeRgbe(linear[0], linear[1], linear[2], again);
            ASSERT_EQ(Bytes(again, again + 4), Bytes(pixel, pixel + 4)) << "exponent " << e;
        }
}

TEST(DecodeRgbe, ExponentZeroIsBlack) {
    const uint8_t black[4] = {255, 10, 3, 0}, pixel[4] = {128, 64, 32, 129};
    double out[3];
    DecodeRgbe(black, out);
    EXPECT_EQ(out[0] + out[1] + out[2], 0.0);
    DecodeRgbe(pixel, out);
    EXPECT_DOUBLE_EQ(out[0], 128.5 / 128);
    EXPECT_DOUBLE_EQ(out[1], 64.5 / 128);
    EXPECT_DOUBLE_EQ(out[2], 32.5 / 128);
}

// ---- reading ------------------------------------------------------------------------------

TEST(DecodeHdr, RefusesWithItsMessage) {
    const Bytes pixel = {1, 2, 3, 128};
    struct Case {
        Bytes file;
        std::string error;
    } cases[] = {
        {Text("#?RADIANCE"), "This is not a Radiance HDR file."},
        {Text("P6\n1 1\n255\nabcdefgh"), "This is not a Radiance HDR file."},
        {Text("#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 1 +X 1\n") + pixel,
         "Only RGBE HDR files are supported (FORMAT=32-bit_rle_xyze)."},
        {Text("#?RADIANCE\r\nFORMAT=32-bit_rle_rgbe\r\n\r\n-Y 1 +X 1\r\n") + pixel,
         "Only RGBE HDR files are supported (FORMAT=32-bit_rle_rgbe\r)."},
        {kHeader + Text("-Y 2 -X 3\n"), "This HDR orientation is not supported (-Y 2 -X 3)."},
        {kHeader + Text("+X 2 -Y 3\n"), "This HDR orientation is not supported (+X 2 -Y 3)."},
        {kHeader + Text("-Y  2 +X 3\n"), "This HDR orientation is not supported (-Y  2 +X 3)."},
        {kHeader + Text("-Y 2"), "This HDR orientation is not supported (-Y 2)."},
        {Text("#?RADIANCE\nGAMMA=1.0"), "This HDR orientation is not supported ()."},
        {kHeader + Text("-Y 0 +X 3\n"), "Invalid HDR dimensions: -Y 0 +X 3"},
        {kHeader + Text("-Y 40000 +X 3\n"), "Invalid HDR dimensions: -Y 40000 +X 3"},
        {kHeader + Text("+Y 2 +X 32769\n"), "Invalid HDR dimensions: +Y 2 +X 32769"},
        {kHeader + Text("-Y 2 +X abc\n"), "Invalid HDR dimensions: -Y 2 +X abc"},
        {kHeader + Text("-Y -2 +X 3\n"), "Invalid HDR dimensions: -Y -2 +X 3"},
        {kHeader + Text("-Y 99999999999999999999 +X 3\n"), "Invalid HDR dimensions: -Y 99999999999999999999 +X 3"},
        {kHeader + Text("-Y 2 +X\n"), "Invalid HDR dimensions: -Y 2 +X"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        std::string error;
        EXPECT_FALSE(Decode(c.file, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(DecodeHdr, AcceptsHeadersWithoutFormatLineAndOddResolutionFields) {
    struct Case {
        Bytes file;
        int width, height;
    } cases[] = {
        {Text("#?RGBE\n# comment\nEXPOSURE=2\n\n-Y 1 +X 2\n") + Bytes(8, 128), 2, 1},
        {Text("#?\n\n-Y 1 +X 2\r\n") + Bytes(8, 128), 2, 1},      // atoi-style: "2\r" is 2
        {Text("#?\n\n-Y 1 +X 2x extra\n") + Bytes(8, 128), 2, 1},  // further fields are ignored
        {kHeader + Text("-Y 1 +X 32768\n"), 32768, 1},             // no pixel data: all black
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
        std::optional<RgbeImage> image = Decode(c.file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(image->rgbe.size(), std::size_t(c.width) * c.height * 4);
    }
}

TEST(DecodeHdr, RowOrderFollowsTheResolutionLine) {
    Bytes top(12, 0), bottom(12, 0);
    for (int i = 0; i < 12; ++i) top[i] = uint8_t(i + 1), bottom[i] = uint8_t(100 + i);
    for (const char* orientation : {"-Y", "+Y"}) {
        SCOPED_TRACE(orientation);
        std::optional<RgbeImage> image = Decode(kHeader + Text(std::string(orientation) + " 2 +X 3\n") + top + bottom);
        ASSERT_TRUE(image);
        const bool bottomUp = orientation[0] == '+';
        EXPECT_EQ(Bytes(image->rgbe.begin(), image->rgbe.begin() + 12), bottomUp ? bottom : top);
        EXPECT_EQ(Bytes(image->rgbe.begin() + 12, image->rgbe.end()), bottomUp ? top : bottom);
    }
}

TEST(DecodeHdr, RunLengthOnlyFromWidthEight) {
    // At width 7 the bytes 2, 2, 0, 7 are an ordinary flat pixel.
    Bytes flat = {2, 2, 0, 7};
    for (int i = 4; i < 28; ++i) flat.push_back(uint8_t(i));
    std::optional<RgbeImage> seven = Decode(kHeader + Text("-Y 1 +X 7\n") + flat);
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->rgbe, ByteBuffer(flat.begin(), flat.end()));

    // At width 8 they start a run-length scanline: four runs of 8.
    std::optional<RgbeImage> eight =
        Decode(kHeader + Text("-Y 1 +X 8\n") + Bytes{2, 2, 0, 8, 136, 10, 136, 20, 136, 30, 136, 129});
    ASSERT_TRUE(eight);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(PixelAt(*eight, x, 0), (Bytes{10, 20, 30, 129}));
}

TEST(DecodeHdr, RunLengthPackets) {
    const Bytes row0 = {2, 2, 0, 8,
                        128 + 10, 5,                                    // red: a run of 10, two dropped
                        0, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,           // green: empty literal, then 10 (two dropped)
                        128 + 3, 7, 5, 20, 21, 22, 23, 24,              // blue: run of 3, literal of 5
                        128 + 8, 128};                                  // exponent
    // The scanline's own width field (99) is not compared with the image width.
    const Bytes row1 = {2, 2, 0, 99, 136, 1, 136, 2, 136, 3, 136, 4};
    // A flat row between run-length rows: its first bytes are not 2, 2.
    Bytes row2;
    for (int x = 0; x < 8; ++x) row2.insert(row2.end(), {uint8_t(x), 9, 9, 130});
    std::optional<RgbeImage> image = Decode(kHeader + Text("-Y 3 +X 8\n") + row0 + row1 + row2);
    ASSERT_TRUE(image);
    for (int x = 0; x < 8; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(PixelAt(*image, x, 0), (Bytes{5, uint8_t(x + 1), uint8_t(x < 3 ? 7 : 17 + x), 128}));
        EXPECT_EQ(PixelAt(*image, x, 1), (Bytes{1, 2, 3, 4}));
        EXPECT_EQ(PixelAt(*image, x, 2), (Bytes{uint8_t(x), 9, 9, 130}));
    }

    // A count of 128 is still a literal.
    Bytes wide = {2, 2, 0, 130, 128};
    for (int i = 0; i < 128; ++i) wide.push_back(uint8_t(i));
    wide.insert(wide.end(), {2, 200, 201});
    for (int c = 0; c < 3; ++c) wide.insert(wide.end(), {255, uint8_t(c), 131, uint8_t(c)});
    std::optional<RgbeImage> w130 = Decode(kHeader + Text("-Y 1 +X 130\n") + wide);
    ASSERT_TRUE(w130);
    EXPECT_EQ(PixelAt(*w130, 127, 0), (Bytes{127, 0, 1, 2}));
    EXPECT_EQ(PixelAt(*w130, 129, 0), (Bytes{201, 0, 1, 2}));
}

TEST(DecodeHdr, TruncatedPixelDataLeavesBlackRows) {
    Bytes rows;
    for (int i = 0; i < 3 * 2 * 4; ++i) rows.push_back(uint8_t(i + 1));
    // The last flat scanline lacks its final byte: that row stays black, the file still loads.
    std::optional<RgbeImage> flat = Decode(kHeader + Text("-Y 3 +X 2\n") + Bytes(rows.begin(), rows.end() - 1));
    ASSERT_TRUE(flat);
    EXPECT_EQ(Bytes(flat->rgbe.begin(), flat->rgbe.begin() + 16), Bytes(rows.begin(), rows.begin() + 16));
    EXPECT_EQ(Bytes(flat->rgbe.begin() + 16, flat->rgbe.end()), Bytes(8, 0));

    // A run-length scanline ends where the data ends; what it lacks is zero.
    std::optional<RgbeImage> rle = Decode(kHeader + Text("+Y 2 +X 8\n") + Bytes{2, 2, 0, 8, 136, 10, 4, 1, 2});
    ASSERT_TRUE(rle);
    EXPECT_EQ(PixelAt(*rle, 0, 1), (Bytes{10, 1, 0, 0}));
    EXPECT_EQ(PixelAt(*rle, 1, 1), (Bytes{10, 2, 0, 0}));
    EXPECT_EQ(PixelAt(*rle, 2, 1), (Bytes{10, 0, 0, 0}));
    EXPECT_EQ(PixelAt(*rle, 0, 0), (Bytes{0, 0, 0, 0}));
}

TEST(DecodeHdr, EveryTruncationIsSafe) {
    const Bytes rgbe = RandomRgbe(9, 4, 3);
    ByteBuffer rle;
    ASSERT_TRUE(EncodeHdr(rgbe.data(), 9, 4, rle));
    Bytes flatBottomUp = kHeader + Text("+Y 4 +X 3\n") + Bytes(rgbe.begin(), rgbe.begin() + 48);
    for (const Bytes& full : {Bytes(rle.begin(), rle.end()), flatBottomUp}) {
        std::optional<RgbeImage> complete = Decode(full);
        ASSERT_TRUE(complete);
        for (std::size_t length = 0; length < full.size(); ++length) {
            SCOPED_TRACE(length);
            const Bytes cut(full.begin(), full.begin() + length);  // exactly sized, so ASan sees over-reads
            std::string error;
            std::optional<RgbeImage> image = Decode(cut, &error);
            if (length < 11) {
                EXPECT_EQ(error, "This is not a Radiance HDR file.");
            }
            if (!image || image->width != complete->width || image->height != complete->height) continue;
            // Every byte is either what the whole file gives or still zero.
            for (std::size_t i = 0; i < image->rgbe.size(); ++i)
                ASSERT_TRUE(image->rgbe[i] == 0 || image->rgbe[i] == complete->rgbe[i]) << "byte " << i;
        }
    }
}

// ---- writing ------------------------------------------------------------------------------

TEST(EncodeHdr, WritesTheDocumentedBytes) {
    const Bytes rgbe = RandomRgbe(10, 1, 1);
    ByteBuffer out;
    ASSERT_TRUE(EncodeHdr(rgbe.data(), 10, 1, out));
    const Bytes header = Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 10\n");
    ASSERT_EQ(out.size(), header.size() + 48);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + header.size()), header);
    Bytes expected = {2, 2, 0, 10};
    for (int c = 0; c < 4; ++c) {
        expected.push_back(10);
        for (int x = 0; x < 10; ++x) expected.push_back(rgbe[x * 4 + c]);
    }
    EXPECT_EQ(Bytes(out.begin() + header.size(), out.end()), expected);

    ASSERT_TRUE(EncodeHdr(rgbe.data(), 4, 1, out));
    EXPECT_EQ(Bytes(out.begin(), out.end()),
              Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 4\n") + Bytes(rgbe.begin(), rgbe.begin() + 16));

    // Literal packets hold at most 128 pixels: 300 = 128 + 128 + 44.
    const Bytes wide = RandomRgbe(300, 2, 2);
    ASSERT_TRUE(EncodeHdr(wide.data(), 300, 2, out));
    const std::size_t headerSize = Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 300\n").size();
    ASSERT_EQ(out.size(), headerSize + 2 * (4 + 4 * (3 + 300)));
    const uint8_t* row = out.data() + headerSize;
    EXPECT_EQ(Bytes(row, row + 5), (Bytes{2, 2, 1, 44, 128}));
    EXPECT_EQ(row[4 + 129], 128);
    EXPECT_EQ(row[4 + 258], 44);
    EXPECT_EQ(row[4 + 303], 128);  // the green component's first packet
}

TEST(EncodeHdr, RefusesMissingPixelsAndEmptySizes) {
    const uint8_t rgbe[16] = {};
    ByteBuffer out;
    EXPECT_FALSE(EncodeHdr(nullptr, 2, 2, out));
    EXPECT_FALSE(EncodeHdr(rgbe, 0, 2, out));
    EXPECT_FALSE(EncodeHdr(rgbe, 2, -1, out));
}

TEST(HdrRoundTrip, DecodesExactlyWhatItEncodes) {
    struct Case {
        int width, height;
    } cases[] = {{1, 1}, {7, 3}, {8, 2}, {127, 2}, {128, 2}, {129, 3}, {300, 5}, {32767, 1}, {32768, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const Bytes rgbe = RandomRgbe(c.width, c.height, unsigned(c.width));
        ByteBuffer file;
        ASSERT_TRUE(EncodeHdr(rgbe.data(), c.width, c.height, file));
        std::optional<RgbeImage> image = Decode(Bytes(file.begin(), file.end()));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_TRUE(image->rgbe == ByteBuffer(rgbe.begin(), rgbe.end()));
    }
}

TEST(LoadHdr, FillsLoadInfoAndShowsTheToneMappedPixels) {
    const Bytes rgbe = RandomRgbe(20, 6, 5);
    ByteBuffer file;
    ASSERT_TRUE(EncodeHdr(rgbe.data(), 20, 6, file));
    const HdrSettings hdr{-1.0, 1};
    LoadInfo info;
    std::optional<Image> image = LoadHdr(file, info, hdr);
    ASSERT_TRUE(image);
    EXPECT_EQ(info.error, "");
    EXPECT_EQ(info.width, 20);
    EXPECT_EQ(info.height, 6);
    EXPECT_EQ(info.isHdr, 1);
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.hasAlpha, 0);
    EXPECT_EQ(info.formatText, "Radiance High Dynamic Range");
    EXPECT_EQ(info.note, "HDR exposure: -1.0 EV, filmic");
    EXPECT_TRUE(info.rgbeData == ByteBuffer(rgbe.begin(), rgbe.end()));
    std::optional<Image> expected = RgbeToDisplay(rgbe.data(), 20, 6, hdr);
    EXPECT_TRUE(testing_support::SamePixels(*image, *expected));

    LoadInfo failed;
    EXPECT_FALSE(LoadHdr(Text("#?RADIANCE\n\n-Y 1 -X 1\nabcd"), failed, hdr));
    EXPECT_EQ(failed.error, "This HDR orientation is not supported (-Y 1 -X 1).");
    EXPECT_EQ(failed.isHdr, 0);
    EXPECT_TRUE(failed.rgbeData.empty());
}

TEST(SaveHdr, WritesTheFileOrReportsFailure) {
    testing_support::TempDir dir;
    const Bytes rgbe = RandomRgbe(9, 2, 11);
    ASSERT_TRUE(SaveHdr(rgbe.data(), 9, 2, dir.file("a.hdr")));
    ByteBuffer expected;
    ASSERT_TRUE(EncodeHdr(rgbe.data(), 9, 2, expected));
    EXPECT_EQ(testing_support::ReadBytes(dir.file("a.hdr")), Bytes(expected.begin(), expected.end()));
    EXPECT_FALSE(SaveHdr(rgbe.data(), 9, 2, dir.file("missing/a.hdr")));
    EXPECT_FALSE(SaveHdr(nullptr, 9, 2, dir.file("b.hdr")));
}

// ---- cross-checks with ImageMagick --------------------------------------------------------

using external_tools::Quote;

external_tools::Netpbm LinearTestImage(int width, int height) {
    external_tools::Netpbm image{width, height, 3, 65535, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            image.samples.push_back(uint16_t((x * 1700 + y * 311) % 65536));
            image.samples.push_back(uint16_t(y * 9000 + (x / 6) * 100));  // steps of six: runs
            image.samples.push_back(30000);
        }
    return image;
}

TEST(HdrInterop, ReadsWhatImageMagickWrites) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    testing_support::TempDir dir;
    // Width 37 is written run-length encoded with runs, width 5 flat.
    for (int width : {37, 5}) {
        SCOPED_TRACE(width);
        const external_tools::Netpbm source = LinearTestImage(width, 6);
        external_tools::WriteNetpbm(dir.file("in.ppm"), source);
        // "-set colorspace RGB" declares the samples linear, so they are stored as they are.
        ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(dir.file("in.ppm")) + " -set colorspace RGB " +
                                        Quote(dir.file("top.hdr"))));
        // The upside-down image stored top to bottom is the image itself stored bottom to top.
        ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(dir.file("in.ppm")) +
                                        " -flip -set colorspace RGB " + Quote(dir.file("bottom.hdr"))));
        const Bytes topDown = testing_support::ReadBytes(dir.file("top.hdr"));
        Bytes bottomUp = testing_support::ReadBytes(dir.file("bottom.hdr"));
        const std::string text(bottomUp.begin(), bottomUp.end());
        const std::size_t resolution = text.find("\n-Y ");
        ASSERT_NE(resolution, std::string::npos);
        bottomUp[resolution + 1] = '+';

        std::optional<RgbeImage> image = Decode(topDown);
        std::optional<RgbeImage> flipped = Decode(bottomUp);
        ASSERT_TRUE(image && flipped);
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, 6);
        EXPECT_TRUE(image->rgbe == flipped->rgbe);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < width; ++x) {
                double linear[3];
                DecodeRgbe(image->rgbe.data() + (std::size_t(y) * width + x) * 4, linear);
                const double top = std::max({source.at(x, y, 0), source.at(x, y, 1), source.at(x, y, 2)}) / 65535.0;
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(linear[c], source.at(x, y, c) / 65535.0, top / 128 + 1e-9) << x << "," << y;
            }
    }
}

TEST(HdrInterop, ImageMagickReadsWhatWeWrite) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    testing_support::TempDir dir;
    for (int width : {37, 5}) {
        SCOPED_TRACE(width);
        Bytes rgbe = RandomRgbe(width, 4, unsigned(width));
        // Exponents up to 128 keep every value below 1.0, which a 16-bit reader can show.
        for (std::size_t i = 3; i < rgbe.size(); i += 4) rgbe[i] = rgbe[i] % 2 ? uint8_t(100 + rgbe[i] % 29) : 0;
        ASSERT_TRUE(SaveHdr(rgbe.data(), width, 4, dir.file("ours.hdr")));
        ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(dir.file("ours.hdr")) +
                                        " -set colorspace sRGB -depth 16 " + Quote(dir.file("out.ppm"))));
        std::optional<external_tools::Netpbm> read = external_tools::ReadNetpbm(dir.file("out.ppm"));
        ASSERT_TRUE(read);
        ASSERT_EQ(read->width, width);
        ASSERT_EQ(read->height, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = rgbe.data() + (std::size_t(y) * width + x) * 4;
                for (int c = 0; c < 3; ++c) {
                    // This reader decodes mantissa * 2^(E - 136), without the half step.
                    const double expected = p[3] ? p[c] * std::ldexp(1.0, p[3] - 136) : 0.0;
                    ASSERT_NEAR(read->at(x, y, c) / 65535.0, expected, 1.0 / 65535) << x << "," << y << "," << c;
                }
            }
    }
}

}  // namespace
