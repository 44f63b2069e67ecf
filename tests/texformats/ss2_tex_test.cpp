#include "texformats/ss2_tex.h"

#include <gtest/gtest.h>

#include "texformats/ctse_builder.h"
#include "texformats/tex_loader.h"

using testing_support::BuildCtse;
using testing_support::CtseFile;
using testing_support::ZlibPack;

namespace {

// A 2 x 2 texture whose unpacked pixels are given in file order (blue, green, red[, alpha]).
CtseFile Ss2File(const std::vector<uint8_t>& unpacked, int32_t format = 1) {
    CtseFile file;
    file.format = format;
    file.flags = 0x1;
    file.data = ZlibPack(unpacked);
    return file;
}

std::optional<Image> Read(const std::vector<uint8_t>& bytes, LoadInfo& info) {
    ClearLoadInfo(info);
    return ReadSs2Tex(bytes, info);
}

Rgba Pixel(const Image& image, int x, int y) { return GetPixel(image, x, y); }

}  // namespace

TEST(Ss2Tex, ReadsBgraPixelsAndFillsInfo) {
    CtseFile file = Ss2File({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99});
    file.versionText = "$Version: Serious Sam 2 build $Version: 7";
    LoadInfo info;
    const auto image = Read(BuildCtse(file), info);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.kind, 2);
    EXPECT_EQ(info.versionText, "Serious Sam 2 build 7");
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(Pixel(*image, 0, 0), (Rgba{3, 2, 1, 4}));
    EXPECT_EQ(Pixel(*image, 1, 0), (Rgba{7, 6, 5, 8}));
    EXPECT_EQ(Pixel(*image, 1, 1), (Rgba{15, 14, 13, 16}));
    EXPECT_EQ(info.width, 2);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.flags, 1);
    EXPECT_EQ(info.frameCount, 1);
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.hasAlpha, 1);
    EXPECT_EQ(info.formatText, "translucent (32-bit)");
    EXPECT_EQ(info.note, "Flags: mipmaps   U: repeat   V: clamp to edge");
    EXPECT_TRUE(info.error.empty());
}

TEST(Ss2Tex, UnpackedSizeDecidesTheLayout) {
    // 3 bytes per pixel below width * height * 4, whatever the format code claims.
    LoadInfo info;
    auto image = Read(BuildCtse(Ss2File({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 1)), info);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.bytesPerPixel, 3);
    EXPECT_EQ(info.hasAlpha, 0);
    EXPECT_EQ(Pixel(*image, 0, 0), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(Pixel(*image, 1, 1), (Rgba{12, 11, 10, 255}));

    // An 8-bit format with 4 bytes per pixel stored is read as blue, green, red, alpha.
    image = Read(BuildCtse(Ss2File(std::vector<uint8_t>(16, 7), 6)), info);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.hasAlpha, 1);
    EXPECT_EQ(info.formatText, "grayscale opaque (8-bit)");

    // 16-bit data (2 bytes per pixel) is too small for either layout.
    EXPECT_FALSE(Read(BuildCtse(Ss2File(std::vector<uint8_t>(8, 7), 2)), info));
    EXPECT_EQ(info.error, "The image data is smaller than expected for opaque (16-bit).");
}

TEST(Ss2Tex, DecodesDxtFormats) {
    // One DXT1 block, c0 = pure red > c1 = black, all indices 0: every pixel red.
    const std::vector<uint8_t> dxt1 = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
    LoadInfo info;
    auto image = Read(BuildCtse(Ss2File(dxt1, 7)), info);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(Pixel(*image, 1, 1), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.hasAlpha, 0);
    EXPECT_EQ(info.formatText, "compressed opaque (4-bit, DXT1)");

    // DXT3: alpha nibbles 0x8 give 136.
    const std::vector<uint8_t> dxt3 = {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88,
                                       0x00, 0xF8, 0x00, 0x00, 0,    0,    0,    0};
    image = Read(BuildCtse(Ss2File(dxt3, 8)), info);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(Pixel(*image, 0, 0), (Rgba{255, 0, 0, 136}));
    EXPECT_EQ(info.hasAlpha, 1);

    // A DXT5 block needs 16 bytes.
    EXPECT_FALSE(Read(BuildCtse(Ss2File(dxt1, 9)), info));
    EXPECT_EQ(info.error, "The DXT data is incomplete.");
    EXPECT_EQ(info.formatText, "compressed alpha (8-bit, DXT5)");
}

TEST(Ss2Tex, MissingWrapModesCountAsZero) {
    CtseFile file = Ss2File(std::vector<uint8_t>(16, 1));
    file.flags = 0x02;
    file.wrapU.reset();
    file.wrapV.reset();
    LoadInfo info;
    ASSERT_TRUE(Read(BuildCtse(file), info)) << info.error;
    EXPECT_EQ(info.note, "Flags: none   U: unknown (0)   V: unknown (0)");

    // Only one of the two present is not enough: both count as 0.
    file.wrapU = 82;
    ASSERT_TRUE(Read(BuildCtse(file), info)) << info.error;
    EXPECT_EQ(info.note, "Flags: none   U: unknown (0)   V: unknown (0)");
}

TEST(Ss2Tex, RejectsBrokenFilesWithTheirMessage) {
    const std::vector<uint8_t> pixels(16, 1);
    auto withFile = [&](auto change) {
        CtseFile file = Ss2File(pixels);
        change(file);
        return BuildCtse(file);
    };
    std::vector<uint8_t> starAt12 = BuildCtse(Ss2File(pixels));
    std::copy_n("OBJSSTAR", 8, starAt12.begin() + 8);
    std::vector<uint8_t> starWithoutSize = withFile([](CtseFile&) {});
    starWithoutSize.resize(starWithoutSize.size() - 8 - ZlibPack(pixels).size() - 2);
    std::vector<uint8_t> noObjs = withFile([](CtseFile&) {});
    noObjs[std::string(noObjs.begin(), noObjs.end()).find("OBJS")] = 'X';
    std::vector<uint8_t> noStar = withFile([](CtseFile&) {});
    noStar[std::string(noStar.begin(), noStar.end()).find("STAR")] = 'X';
    std::vector<uint8_t> corrupt = withFile([](CtseFile&) {});
    corrupt[corrupt.size() - 12] ^= 0xFF;  // inside the Adler-32 checksum

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string error;
    } cases[] = {
        {"animated texture", withFile([](CtseFile& f) { f.className = "CAnimTexture"; }),
         "This Serious Sam 2 file is not a CStaticTexture (other kinds are not supported yet)."},
        {"no OBJS", noObjs, "Unknown Serious Sam 2 layout: OBJS chunk missing."},
        {"no STAR", noStar, "Unknown Serious Sam 2 layout: STAR chunk missing."},
        {"STAR at 12", starAt12, "Unknown Serious Sam 2 layout: STAR chunk missing."},
        {"no room for the packed size", starWithoutSize, "Unknown Serious Sam 2 layout: STAR chunk missing."},
        {"width 0", withFile([](CtseFile& f) { f.width = 0; }), "Invalid dimensions: 0 x 2"},
        {"height 16385", withFile([](CtseFile& f) { f.height = 16385; }), "Invalid dimensions: 2 x 16385"},
        {"negative width", withFile([](CtseFile& f) { f.width = -4; }), "Invalid dimensions: -4 x 2"},
        {"packed size 0", withFile([](CtseFile& f) { f.dataSizeField = 0; }), "The packed image data is incomplete."},
        {"packed size negative", withFile([](CtseFile& f) { f.dataSizeField = -1; }),
         "The packed image data is incomplete."},
        {"packed size past the end", withFile([](CtseFile& f) { f.dataSizeField = int32_t(f.data.size() + 9); }),
         "The packed image data is incomplete."},
        {"packed size INT32_MAX", withFile([](CtseFile& f) { f.dataSizeField = INT32_MAX; }),
         "The packed image data is incomplete."},
        {"not zlib", withFile([](CtseFile& f) { f.data = {1, 2, 3, 4, 5}; }),
         "The packed image data could not be unpacked."},
        {"checksum broken", corrupt, "The packed image data could not be unpacked."},
        {"empty stream", withFile([](CtseFile& f) { f.data = ZlibPack({}); }),
         "The packed image data could not be unpacked."},
        // 2 x 2 allows 2 * 2 * 8 + 1024 bytes of output.
        {"more output than allowed", withFile([](CtseFile& f) { f.data = ZlibPack(std::vector<uint8_t>(1057, 0)); }),
         "The packed image data could not be unpacked."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadInfo info;
        EXPECT_FALSE(Read(c.bytes, info));
        EXPECT_EQ(info.error, c.error);
        EXPECT_EQ(info.kind, 2);
    }
    // Exactly the allowed output still unpacks.
    LoadInfo info;
    EXPECT_TRUE(Read(withFile([](CtseFile& f) { f.data = ZlibPack(std::vector<uint8_t>(1056, 0)); }), info))
        << info.error;
}

TEST(Ss2Tex, TruncatedFilesNeverReadPastTheEnd) {
    const std::vector<uint8_t> whole = BuildCtse(Ss2File(std::vector<uint8_t>(16, 1)));
    const std::size_t wrapModes = 8;  // optional: a file without them still loads
    for (std::size_t length = 0; length < whole.size() - wrapModes; ++length) {
        // A copy of exactly this length, so the sanitizers see any read beyond it.
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + long(length));
        LoadInfo info;
        EXPECT_FALSE(Read(part, info));
        EXPECT_FALSE(info.error.empty());
    }
}

TEST(Ss2Tex, Texts) {
    struct FlagCase {
        int32_t flags;
        const char* text;
    } flags[] = {{0x45, "mipmaps, constant, fastDXTc"}, {0x02, "none"}, {0, "none"},
                 {0x4D, "mipmaps, constant, resident, fastDXTc"}, {int32_t(0xFFFFFFB2), "none"}};
    for (const FlagCase& c : flags) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(Ss2FlagsText(c.flags), c.text);
    }
    struct WrapCase {
        int32_t value;
        const char* text;
    } wraps[] = {{80, "repeat"}, {81, "clamp to edge"}, {82, "clamp to border"}, {0, "unknown (0)"},
                 {255, "unknown (FF)"}, {-1, "unknown (FFFFFFFF)"}};
    for (const WrapCase& c : wraps) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(WrapModeText(c.value), c.text);
    }
    EXPECT_EQ(Ss2FormatName(0), "opaque (32-bit)");
    EXPECT_EQ(Ss2FormatName(4), "translucent (16-bit)");
    EXPECT_EQ(Ss2FormatName(5), "grayscale translucent (16-bit)");
    EXPECT_EQ(Ss2FormatName(11), "alpha only (8-bit)");
    EXPECT_EQ(Ss2FormatName(3), "unknown format 3");
    EXPECT_EQ(Ss2FormatName(-7), "unknown format -7");
}

TEST(Ss2Tex, ReachedThroughTheTexDispatch) {
    CtseFile file = Ss2File({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    file.versionText = "Engine of Serious Sam 2 (build 2)";
    std::vector<uint8_t> bytes = BuildCtse(file);
    const std::string signature = "SIGSTRM1 signature bytes ";
    bytes.insert(bytes.begin(), signature.begin(), signature.end());
    LoadInfo info;
    const auto image = LoadTexData(bytes, info, "", 0, 0, HdrSettings{});
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.kind, 2);
    EXPECT_EQ(info.versionText, "Engine of Serious Sam 2 (build 2)");
    EXPECT_EQ(GetPixel(*image, 0, 0), (Rgba{3, 2, 1, 4}));
}
