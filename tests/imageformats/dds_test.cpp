#include "imageformats/dds.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "format_test_support.h"
#include "platform/bytes.h"
#include "platform/file_io.h"
#include "test_support.h"
#include "texformats/dxt.h"
#include "tools/resize.h"

using testing_support::PatternImage;
using testing_support::SamePixels;

namespace {

std::vector<uint8_t> Encode(const Image& image, int format, bool mipmaps) {
    ByteBuffer out;
    EXPECT_TRUE(EncodeDds(image, format, mipmaps, out));
    return {out.begin(), out.end()};
}

std::optional<Image> Load(const std::vector<uint8_t>& file, LoadInfo& info) {
    ClearLoadInfo(info);
    return LoadDds(std::span<const uint8_t>(file.data(), file.size()), info);
}

// The 128 bytes every writer of ours must produce, field by field.
struct HeaderFields {
    uint32_t flags, height, width, pitchOrLinearSize, mipmapCount, pixelFormatFlags;
    const char* fourCc;  // nullptr: 0
    uint32_t bitCount, redMask, greenMask, blueMask, alphaMask, caps;
};

std::vector<uint8_t> HeaderBytes(const HeaderFields& f) {
    std::vector<uint8_t> out;
    out.reserve(128);
    ByteWriter w{out};
    w.Tag("DDS ");
    for (uint32_t v : {124u, f.flags, f.height, f.width, f.pitchOrLinearSize, 0u, f.mipmapCount}) w.U32(v);
    w.Zeros(44);
    w.U32(32);
    w.U32(f.pixelFormatFlags);
    if (f.fourCc) w.Bytes(f.fourCc, 4);
    else w.U32(0);
    for (uint32_t v : {f.bitCount, f.redMask, f.greenMask, f.blueMask, f.alphaMask, f.caps, 0u, 0u, 0u, 0u}) w.U32(v);
    return out;
}

// A file with our header for width x height whose pixel format fields are replaced, followed by
// dataBytes bytes of data (value 0x55).
std::vector<uint8_t> CraftedFile(uint32_t width, uint32_t height, uint32_t pixelFormatFlags, const char* fourCc,
                                 std::size_t dataBytes, uint32_t bitCount = 0, uint32_t redMask = 0) {
    std::vector<uint8_t> file = HeaderBytes({0x1007, height, width, 0, 1, pixelFormatFlags, fourCc, bitCount,
                                             redMask, 0x0000FF00, 0x000000FF, 0xFF000000, 0x1000});
    file.insert(file.end(), dataBytes, uint8_t(0x55));
    return file;
}

std::vector<uint8_t> DxtBlocks(const Image& image, int blockFormat) {
    ByteBuffer out;
    EncodeDxtImage(out, image, blockFormat);
    return {out.begin(), out.end()};
}

}  // namespace

TEST(DdsTest, LevelCounts) {
    EXPECT_EQ(DdsLevelCount(256, 64, true), 9);
    EXPECT_EQ(DdsLevelCount(1, 1, true), 1);
    EXPECT_EQ(DdsLevelCount(5, 3, true), 3);
    EXPECT_EQ(DdsLevelCount(1, 1024, true), 11);
    EXPECT_EQ(DdsLevelCount(256, 64, false), 1);
}

TEST(DdsTest, Dxt1WithMipmapsWritesTheHeaderAndTheHalvedLevels) {
    const Image image = PatternImage(5, 3);
    const std::vector<uint8_t> file = Encode(image, kDdsDxt1, true);

    const std::vector<uint8_t> header =
        HeaderBytes({0x000A1007, 3, 5, 16, 3, 0x4, "DXT1", 0, 0, 0, 0, 0, 0x00401008});
    ASSERT_GE(file.size(), 128u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 128), header);

    // Levels 5 x 3, 2 x 1 and 1 x 1, each halved from the previous one.
    const Image level1 = *HalveImage(image, true, true);
    const Image level2 = *HalveImage(level1, true, false);
    ASSERT_EQ(level1.width, 2);
    ASSERT_EQ(level1.height, 1);
    std::vector<uint8_t> expected = header;
    for (const Image* level : {&image, &level1, &level2}) {
        const std::vector<uint8_t> blocks = DxtBlocks(*level, kDxt1);
        expected.insert(expected.end(), blocks.begin(), blocks.end());
    }
    EXPECT_EQ(file, expected);
    EXPECT_EQ(file.size(), 128u + 16 + 8 + 8);
}

TEST(DdsTest, BgraWithoutMipmapsWritesTheHeaderAndTheRows) {
    Image image = PatternImage(4, 4);
    SetPixel(image, 1, 0, {10, 20, 30, 40});
    const std::vector<uint8_t> file = Encode(image, kDdsBgra, false);

    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 128),
              HeaderBytes({0x0000100F, 4, 4, 16, 1, 0x41, nullptr, 32, 0x00FF0000, 0x0000FF00, 0x000000FF,
                           0xFF000000, 0x1000}));
    ASSERT_EQ(file.size(), 128u + 64);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 132, file.begin() + 136), (std::vector<uint8_t>{30, 20, 10, 40}));
    for (int i = 0; i < 16; ++i) {
        const Rgba p = GetPixel(image, i % 4, i / 4);
        const uint8_t* q = file.data() + 128 + i * 4;
        ASSERT_EQ((Rgba{q[2], q[1], q[0], q[3]}), p) << i;
    }
}

TEST(DdsTest, RoundTripsEveryOutputFormat) {
    // 37 x 21 has partial blocks on both edges; the mip chain must not disturb the top level.
    Image image = PatternImage(37, 21);
    SetPixel(image, 3, 3, {1, 2, 3, 0});
    struct Case {
        int format;
        int blockFormat;  // 0: uncompressed
        const char* formatText;
        int hasAlpha;
    } cases[] = {
        {kDdsDxt1, kDxt1, "DirectDraw Surface (DXT1)", 0},  // our DXT1 blocks are never transparent
        {kDdsDxt5, kDxt5, "DirectDraw Surface (DXT5)", 1},
        {kDdsBc5, kBc5, "DirectDraw Surface (ATI2)", 0},
        {kDdsBgra, 0, "DirectDraw Surface (BGRA 32-bit)", 1},
    };
    for (const Case& c : cases) {
        for (bool mipmaps : {false, true}) {
            SCOPED_TRACE(std::string(c.formatText) + (mipmaps ? " with mipmaps" : ""));
            LoadInfo info;
            auto loaded = Load(Encode(image, c.format, mipmaps), info);
            ASSERT_TRUE(loaded) << info.error;
            const std::vector<uint8_t> blocks = c.blockFormat ? DxtBlocks(image, c.blockFormat) : std::vector<uint8_t>();
            const Image expected =
                c.blockFormat ? *DecodeDxt(blocks.data(), blocks.size(), 37, 21, c.blockFormat) : *CopyImage(image);
            EXPECT_TRUE(SamePixels(*loaded, expected));
            EXPECT_EQ(info.formatText, c.formatText);
            EXPECT_EQ(info.hasAlpha, c.hasAlpha);
            EXPECT_EQ(info.width, 37);
            EXPECT_EQ(info.height, 21);
            EXPECT_EQ(info.bytesPerPixel, 4);
            EXPECT_TRUE(info.error.empty());
        }
    }
}

TEST(DdsTest, SaveWritesTheFileAndRefusesWhatItCannotWrite) {
    testing_support::TempDir dir;
    const Image image = PatternImage(8, 8);
    const std::string path = dir.file("out.dds");
    ASSERT_TRUE(SaveDds(image, path, kDdsDxt5, true));
    EXPECT_EQ(testing_support::ReadBytes(path), Encode(image, kDdsDxt5, true));

    EXPECT_FALSE(SaveDds(Image{}, dir.file("empty.dds"), kDdsDxt1, false));
    EXPECT_FALSE(SaveDds(image, dir.file("bad.dds"), 4, false));
    EXPECT_FALSE(SaveDds(image, dir.file("bad.dds"), -1, false));
    EXPECT_FALSE(SaveDds(image, dir.file("no/such/folder/x.dds"), kDdsDxt1, false));
    EXPECT_FALSE(FileExists(dir.file("empty.dds")));
    EXPECT_FALSE(FileExists(dir.file("bad.dds")));
}

TEST(DdsTest, RefusesHostileAndTruncatedFilesWithTheirMessages) {
    const std::string unsupported = " is not supported (only DXT1, DXT3, DXT5, ATI2/BC5 and 32-bit).";
    std::vector<uint8_t> wrongMagic = CraftedFile(4, 4, 0x4, "DXT1", 8);
    wrongMagic[3] = 'X';
    std::vector<uint8_t> wrongHeaderSize = CraftedFile(4, 4, 0x4, "DXT1", 8);
    wrongHeaderSize[4] = 123;
    std::vector<uint8_t> shortHeader = CraftedFile(4, 4, 0x4, "DXT1", 0);
    shortHeader.pop_back();
    const uint8_t binaryFourCc[] = {0x01, 'A', 0xFF, 0x00};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::string error;
    } cases[] = {
        {"empty", {}, "This is not a DDS file."},
        {"127 bytes", shortHeader, "This is not a DDS file."},
        {"wrong magic", wrongMagic, "This is not a DDS file."},
        {"header size 123", wrongHeaderSize, "This is not a DDS file."},
        {"width 0", CraftedFile(0, 4, 0x4, "DXT1", 8), "Invalid DDS dimensions."},
        {"height 16385", CraftedFile(4, 16385, 0x4, "DXT1", 8), "Invalid DDS dimensions."},
        {"width 2^32 - 1", CraftedFile(0xFFFFFFFF, 4, 0x4, "DXT1", 8), "Invalid DDS dimensions."},
        {"DX10", CraftedFile(4, 4, 0x4, "DX10", 8), "DDS format DX10" + unsupported},
        {"lower case", CraftedFile(4, 4, 0x4, "dxt1", 8), "DDS format dxt1" + unsupported},
        {"zero FourCC", CraftedFile(4, 4, 0x4, nullptr, 8), "DDS format " + unsupported},
        {"binary FourCC", CraftedFile(4, 4, 0x4, reinterpret_cast<const char*>(binaryFourCc), 8),
         "DDS format \\x01A\\xFF" + unsupported},
        {"DXT1 4x4, 7 bytes", CraftedFile(4, 4, 0x4, "DXT1", 7), "The DDS image data is incomplete."},
        {"huge DXT5 on a short file", CraftedFile(16384, 16384, 0x4, "DXT5", 100), "The DDS image data is incomplete."},
        {"huge BGRA on a short file", CraftedFile(16384, 16384, 0x41, nullptr, 100, 32, 0x00FF0000),
         "The DDS image data is incomplete."},
        {"BGRA one byte short", CraftedFile(3, 2, 0x41, nullptr, 23, 32, 0x00FF0000), "The DDS image data is incomplete."},
        {"RGBA masks", CraftedFile(4, 4, 0x41, nullptr, 64, 32, 0x000000FF), "This DDS pixel format is not supported."},
        {"24-bit", CraftedFile(4, 4, 0x40, nullptr, 48, 24, 0x00FF0000), "This DDS pixel format is not supported."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadInfo info;
        // An exact-size copy, so that the sanitizers see any read past the end.
        auto image = Load(std::vector<uint8_t>(c.file.begin(), c.file.end()), info);
        EXPECT_FALSE(image);
        EXPECT_EQ(info.error, c.error);
    }

    // Dimensions that pass the check are recorded even when the data then fails.
    LoadInfo info;
    Load(CraftedFile(16384, 8, 0x4, "DXT5", 100), info);
    EXPECT_EQ(info.width, 16384);
    EXPECT_EQ(info.height, 8);
}

TEST(DdsTest, AcceptsEveryBlockFourCcAndTheExactDataSize) {
    struct Case {
        const char* fourCc;
        std::size_t bytes;
    } cases[] = {{"DXT1", 8}, {"DXT3", 16}, {"DXT5", 16}, {"ATI2", 16}, {"BC5U", 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourCc);
        LoadInfo info;
        auto image = Load(CraftedFile(4, 4, 0x4, c.fourCc, c.bytes), info);
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(info.formatText, std::string("DirectDraw Surface (") + c.fourCc + ")");
    }
}

TEST(DdsTest, UncompressedAlphaOnlyWithTheAlphaFlag) {
    std::vector<uint8_t> opaque = CraftedFile(2, 1, 0x40, nullptr, 0, 32, 0x00FF0000);
    for (uint8_t b : {10, 20, 30, 0, 40, 50, 60, 128}) opaque.push_back(b);
    std::vector<uint8_t> withAlpha = opaque;
    withAlpha[80] = 0x41;

    LoadInfo info;
    Image image = *Load(opaque, info);
    EXPECT_EQ(GetPixel(image, 0, 0), (Rgba{30, 20, 10, 255}));
    EXPECT_EQ(GetPixel(image, 1, 0), (Rgba{60, 50, 40, 255}));
    EXPECT_EQ(info.hasAlpha, 0);

    image = *Load(withAlpha, info);
    EXPECT_EQ(GetPixel(image, 0, 0), (Rgba{30, 20, 10, 0}));
    EXPECT_EQ(GetPixel(image, 1, 0), (Rgba{60, 50, 40, 128}));
    EXPECT_EQ(info.hasAlpha, 1);
}

TEST(DdsTest, TransparencyOfBlockFiles) {
    // A DXT1 block in three-colour mode (c0 <= c1) with index 3 everywhere: transparent black.
    std::vector<uint8_t> dxt1 = CraftedFile(4, 4, 0x4, "DXT1", 0);
    for (uint8_t b : {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) dxt1.push_back(b);
    LoadInfo info;
    ASSERT_TRUE(Load(dxt1, info));
    EXPECT_EQ(info.hasAlpha, 1);

    // The same bytes as BC5 decode to red and green values only: never transparent.
    std::vector<uint8_t> bc5 = CraftedFile(4, 4, 0x4, "ATI2", 0);
    for (int i = 0; i < 2; ++i)
        for (uint8_t b : {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) bc5.push_back(b);
    ASSERT_TRUE(Load(bc5, info));
    EXPECT_EQ(info.hasAlpha, 0);
}

TEST(DdsTest, DefaultFormatFollowsTheHints) {
    struct Case {
        bool transparency, normalMap;
        int format;
    } cases[] = {
        {false, false, kDdsDxt1}, {true, false, kDdsDxt5}, {false, true, kDdsBc5}, {true, true, kDdsBc5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.transparency) + std::to_string(c.normalMap));
        EXPECT_EQ(DefaultDdsFormat(c.transparency, c.normalMap), c.format);
    }
    EXPECT_TRUE(MentionsNormalMap("SS2 texture, Normal map (ATI2)"));
    EXPECT_TRUE(MentionsNormalMap("NORMALS"));
    EXPECT_FALSE(MentionsNormalMap("Truevision Graphics Adapter"));
    EXPECT_FALSE(DdsFormatHasAlpha(kDdsDxt1));
    EXPECT_TRUE(DdsFormatHasAlpha(kDdsDxt5));
    EXPECT_FALSE(DdsFormatHasAlpha(kDdsBc5));
    EXPECT_TRUE(DdsFormatHasAlpha(kDdsBgra));
}

namespace {

// The largest difference of one channel between the RGBA bytes of two decodings.
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

class DdsImageMagickTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick missing";
    }
    testing_support::TempDir dir;
};

}  // namespace

TEST_F(DdsImageMagickTest, ReadsFilesWrittenByImageMagick) {
    // 16 x 8, so that ImageMagick writes mipmaps when asked (it does only for powers of two).
    Image source = PatternImage(16, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) source.at(x, y)[3] = (x + y) % 3 ? 255 : 128;
    for (const char* compression : {"none", "dxt1", "dxt5"}) {
        for (bool mipmaps : {false, true}) {
            SCOPED_TRACE(std::string(compression) + (mipmaps ? " with mipmaps" : ""));
            const std::string dds = dir.file(std::string(compression) + (mipmaps ? "_mips" : "") + ".dds");
            const std::string options =
                std::string("-define dds:compression=") + compression + (mipmaps ? "" : " -define dds:mipmaps=0");
            ASSERT_TRUE(testing_support::ImageMagickWrite(source, true, options, dds));
            const std::vector<uint8_t> file = testing_support::ReadBytes(dds);
            ASSERT_GE(file.size(), 128u);
            EXPECT_EQ(Le32(file.data() + 28), mipmaps ? 5u : 1u);
            LoadInfo info;
            auto ours = Load(file, info);
            ASSERT_TRUE(ours) << info.error;
            // Decoders differ only in how they round the interpolated palette entries.
            EXPECT_LE(LargestDifference(testing_support::RgbaBytes(*ours), testing_support::ImageMagickRead(dds)), 1);
            if (std::string(compression) == "none") {
                EXPECT_TRUE(SamePixels(*ours, source));
                EXPECT_EQ(info.formatText, "DirectDraw Surface (BGRA 32-bit)");
                EXPECT_EQ(info.hasAlpha, 1);
            }
        }
    }
}

TEST_F(DdsImageMagickTest, ImageMagickReadsOurFiles) {
    // ImageMagick has no BC5 reader; the other three formats are checked, with partial blocks.
    for (int format : {kDdsDxt1, kDdsDxt5, kDdsBgra}) {
        for (bool mipmaps : {false, true}) {
            SCOPED_TRACE(std::to_string(format) + (mipmaps ? " with mipmaps" : ""));
            const Image image = PatternImage(30, 14);
            const std::string dds = dir.file("ours.dds");
            ASSERT_TRUE(SaveDds(image, dds, format, mipmaps));
            LoadInfo info;
            auto ours = Load(testing_support::ReadBytes(dds), info);
            ASSERT_TRUE(ours);
            EXPECT_LE(LargestDifference(testing_support::RgbaBytes(*ours), testing_support::ImageMagickRead(dds)),
                      format == kDdsBgra ? 0 : 1);
        }
    }
}
