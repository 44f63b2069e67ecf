#include "texformats/ss3_tex.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imageformats/hdr.h"
#include "texformats/ctse_builder.h"
#include "texformats/tex_loader.h"

using testing_support::BuildCtse;
using testing_support::CtseFile;

namespace {

constexpr const char* kSs3Version = "$Version: Serious Sam 3 BFE 1.0";
constexpr const char* k2017Version = "$Version: SE2017 build 1";
constexpr int32_t kPlanar = 0x200;

CtseFile Ss3File(int32_t width, int32_t height, int32_t flags, int32_t format, std::vector<uint8_t> data,
                 const char* version = kSs3Version) {
    CtseFile file;
    file.versionText = version;
    file.width = width;
    file.height = height;
    file.flags = flags;
    file.format = format;
    file.data = std::move(data);
    return file;
}

std::optional<Image> Read(const std::vector<uint8_t>& bytes, LoadInfo& info, HdrSettings hdr = {}) {
    ClearLoadInfo(info);
    return ReadSs3Tex(bytes, info, hdr);
}

std::optional<Image> Read(const CtseFile& file, LoadInfo& info, HdrSettings hdr = {}) {
    return Read(BuildCtse(file), info, hdr);
}

std::vector<Rgba> Pixels(const Image& image) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) pixels.push_back(GetPixel(image, x, y));
    return pixels;
}

}  // namespace

TEST(Ss3Tex, MipChainPixels) {
    struct Case {
        int32_t width, height;
        int64_t pixels;
    } cases[] = {{4, 4, 21}, {8, 2, 23}, {1, 1, 1}, {2, 2, 5}, {1, 8, 15}, {3, 5, 15 + 2 + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(MipChainPixels(c.width, c.height), c.pixels);
    }
    EXPECT_EQ(MipChainPixels(16384, 16384), 357913941);  // (4^15 - 1) / 3
}

TEST(Ss3Tex, RevisionDecidesTheFormatNames) {
    LoadInfo info;
    const std::vector<uint8_t> interleaved(16, 200);  // 2 x 2, four channels
    ASSERT_TRUE(Read(Ss3File(2, 2, 0, 2, interleaved, k2017Version), info)) << info.error;
    EXPECT_EQ(info.formatText, "opaque (32-bit)");
    EXPECT_EQ(info.versionText, "SE2017 build 1");
    ASSERT_TRUE(Read(Ss3File(2, 2, 0, 2, interleaved), info)) << info.error;
    EXPECT_EQ(info.formatText, "BFE, opaque (24-bit)");

    struct Case {
        int32_t code;
        const char* ss3;
        const char* se2017;
    } cases[] = {
        {2, "opaque (24-bit)", "opaque (32-bit)"},
        {3, "translucent (32-bit)", "translucent (32-bit)"},
        {4, "format 4 (24-bit)", "unknown format 4"},
        {5, "format 5 (32-bit)", "unknown format 5"},
        {6, "normal-map (16-bit, X/Y)", "grayscale translucent (16-bit)"},
        {7, "grayscale (8-bit)", "grayscale opaque (8-bit)"},
        {8, "alpha only (8-bit)", "alpha only (8-bit)"},
        {9, "compressed opaque (4-bit, DXT1)", "compressed opaque (4-bit, DXT1)"},
        {10, "compressed translucent (8-bit, DXT5)", "compressed translucent (8-bit, DXT5)"},
        {11, "compressed (DXT3)", "compressed (DXT3)"},
        {12, "HDR opaque (32-bit, RGBE)", "HDR opaque (32-bit, RGBE)"},
        {15, "unknown format 15", "compressed normal-map (8-bit, BC5)"},
        {0, "unknown format 0", "unknown format 0"},
        {13, "unknown format 13", "unknown format 13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Ss3FormatName(c.code, true), c.ss3);
        EXPECT_EQ(Ss3FormatName(c.code, false), c.se2017);
    }
}

TEST(Ss3Tex, ClassNameSearchOrderAndNote) {
    struct Case {
        std::string classNames;
        const char* noteEnd;
    } cases[] = {
        {"CStaticTexture", "V: clamp to edge"},
        {"CStaticTexture CAnimTexture", "V: clamp to edge   Animated texture: first frame shown"},
        {"CColorTexture", "V: clamp to edge   CColorTexture"},
        {"CBaseTexture CStaticTexture", "V: clamp to edge"},
        {"CBaseTexture", "V: clamp to edge   CBaseTexture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.classNames);
        // mipmaps, normalmap, atlas, no streaming?; interleaved
        CtseFile file = Ss3File(2, 2, 0x581, 3, std::vector<uint8_t>(16, 255));
        file.className = c.classNames;
        LoadInfo info;
        ASSERT_TRUE(Read(file, info)) << info.error;
        EXPECT_EQ(info.note, std::string("Flags: mipmaps, normalmap, atlas, no streaming?   U: repeat   ") + c.noteEnd);
    }
    CtseFile planarFlags = Ss3File(2, 2, kPlanar | 0x08, 7, std::vector<uint8_t>(5, 1));
    planarFlags.wrapU.reset();
    planarFlags.wrapV.reset();
    LoadInfo info;
    ASSERT_TRUE(Read(planarFlags, info)) << info.error;
    EXPECT_EQ(info.note, "Flags: resident   U: unknown (0)   V: unknown (0)");
    EXPECT_EQ(Ss3FlagsText(kPlanar), "none");
}

TEST(Ss3Tex, UnpacksPlanesAndInterleavedData) {
    // One delta-coded plane of the whole 4 x 4 chain (21 bytes): 10, 5, 250 give 10, 15, 9.
    std::vector<uint8_t> plane(21, 0);
    plane[0] = 10;
    plane[1] = 5;
    plane[2] = 250;
    auto gray = UnpackSs3Pixels(plane, 4, 4, kPlanar, 7);
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->channels, 1);
    const uint8_t expected[][4] = {{10, 10, 10, 255}, {15, 15, 15, 255}, {9, 9, 9, 255}, {9, 9, 9, 255}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(std::equal(expected[i], expected[i] + 4, gray->bgra.data() + i * 4));
    }
    EXPECT_EQ(gray->bgra.size(), 64u);

    // The same data without the planar flag: interleaved data needs four channels.
    EXPECT_FALSE(UnpackSs3Pixels(plane, 4, 4, 0, 7));

    // 2 x 2, 16 bytes: not a multiple of the chain (5), so four interleaved channels of 4 pixels.
    const std::vector<uint8_t> interleaved = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    auto bgra = UnpackSs3Pixels(interleaved, 2, 2, 0, 3);
    ASSERT_TRUE(bgra);
    EXPECT_EQ(bgra->channels, 4);
    EXPECT_TRUE(std::equal(interleaved.begin(), interleaved.end(), bgra->bgra.begin()));

    struct Refused {
        const char* what;
        std::size_t size;
        int32_t flags;
    } refused[] = {
        {"fits no layout", 7, kPlanar},
        {"five chain planes", 25, kPlanar},
        {"six level planes", 24, kPlanar},
        {"interleaved with three channels", 15, 0},
        {"empty", 0, kPlanar},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(UnpackSs3Pixels(std::vector<uint8_t>(c.size, 1), 2, 2, c.flags, 7));
    }
}

TEST(Ss3Tex, CompletesMissingChannels) {
    // 2 x 1 texture (chain 3 pixels), planes of 3 bytes; deltas so the two pixels differ.
    struct Case {
        const char* what;
        int32_t format;
        std::vector<uint8_t> planes;
        std::vector<Rgba> pixels;
        int hasAlpha;
    } cases[] = {
        {"alpha only", 8, {100, 28, 0}, {{0, 0, 0, 100}, {0, 0, 0, 128}}, 1},
        {"gray", 7, {100, 28, 0}, {{100, 100, 100, 255}, {128, 128, 128, 255}}, 0},
        {"X/Y normal map", 6, {128, 127, 0, 128, 72, 0}, {{128, 128, 254, 255}, {255, 200, 127, 255}}, 0},
        {"three channels", 2, {1, 1, 0, 2, 2, 0, 3, 3, 0}, {{1, 2, 3, 255}, {2, 4, 6, 255}}, 0},
        {"four channels", 3, {1, 1, 0, 2, 2, 0, 3, 3, 0, 255, 1, 0}, {{1, 2, 3, 255}, {2, 4, 6, 0}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadInfo info;
        const auto image = Read(Ss3File(2, 1, kPlanar, c.format, c.planes), info);
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(Pixels(*image), c.pixels);
        EXPECT_EQ(info.hasAlpha, c.hasAlpha);
        EXPECT_EQ(info.bytesPerPixel, int(c.planes.size() / 3));
        EXPECT_EQ(info.isHdr, 0);
        EXPECT_TRUE(info.rgbeData.empty());
    }
}

TEST(Ss3Tex, HdrExponentFactors) {
    EXPECT_DOUBLE_EQ(Ss3HdrFactor(127), std::exp2(-1.0 / 16) / 256);
    EXPECT_DOUBLE_EQ(Ss3HdrFactor(128), std::exp2(1.0 / 16) / 256);
    EXPECT_NEAR(255.5 * Ss3HdrFactor(255), 62635.0, 1.0);
    EXPECT_DOUBLE_EQ(255.5 * Ss3HdrFactor(255), 255.5 * std::exp2(15.9375) / 256);
}

TEST(Ss3Tex, HdrTexturesKeepRgbeAndAreToneMapped) {
    // 2 x 1, interleaved (8 bytes = 4 channels of 2 pixels; chain is 3): blue, green, red, E.
    const std::vector<uint8_t> data = {10, 100, 200, 128, 255, 255, 255, 255};
    const HdrSettings hdr{1.0, 1};
    LoadInfo info;
    const auto image = Read(Ss3File(2, 1, 0, 12, data, k2017Version), info, hdr);
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.isHdr, 1);
    EXPECT_EQ(info.hasAlpha, 0);
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.formatText, "HDR opaque (32-bit, RGBE)");
    EXPECT_EQ(info.note, "Flags: none   U: repeat   V: clamp to edge   HDR exposure: 1.0 EV, filmic");
    ASSERT_EQ(info.rgbeData.size(), 8u);
    for (int pixel = 0; pixel < 2; ++pixel) {
        SCOPED_TRACE(pixel);
        const uint8_t* p = data.data() + pixel * 4;
        const double f = Ss3HdrFactor(p[3]);
        const double red = (p[2] + 0.5) * f, green = (p[1] + 0.5) * f, blue = (p[0] + 0.5) * f;
        uint8_t rgbe[4];
        EncodeRgbe(red, green, blue, rgbe);
        EXPECT_TRUE(std::equal(rgbe, rgbe + 4, info.rgbeData.data() + pixel * 4));
        EXPECT_EQ(GetPixel(*image, pixel, 0),
                  (Rgba{uint8_t(ToneChannel(red, 2.0, 1)), uint8_t(ToneChannel(green, 2.0, 1)),
                        uint8_t(ToneChannel(blue, 2.0, 1)), 255}));
    }
    EXPECT_EQ(GetPixel(*image, 1, 0), (Rgba{255, 255, 255, 255}));

    ASSERT_TRUE(Read(Ss3File(2, 1, 0, 12, data), info, HdrSettings{-0.5, 0})) << info.error;
    EXPECT_EQ(info.formatText, "BFE, HDR opaque (32-bit, RGBE)");
    EXPECT_TRUE(info.note.ends_with("   HDR exposure: -0.5 EV, editor (clip)"));

    // Three planes of format 12 are an ordinary opaque image.
    const auto opaque = Read(Ss3File(2, 1, kPlanar, 12, {1, 1, 0, 2, 2, 0, 3, 3, 0}), info, hdr);
    ASSERT_TRUE(opaque) << info.error;
    EXPECT_EQ(info.isHdr, 0);
    EXPECT_TRUE(info.rgbeData.empty());
    EXPECT_EQ(GetPixel(*opaque, 0, 0), (Rgba{1, 2, 3, 255}));
    EXPECT_EQ(info.note, "Flags: none   U: repeat   V: clamp to edge");
}

TEST(Ss3Tex, DecodesBlockFormats) {
    const std::vector<uint8_t> colorBlock = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};  // all red
    const std::vector<uint8_t> alphaThenColor = {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
    const std::vector<uint8_t> bc5 = {200, 200, 0, 0, 0, 0, 0, 0, 100, 100, 0, 0, 0, 0, 0, 0};
    struct Case {
        int32_t code;
        std::vector<uint8_t> data;
        Rgba pixel;
        int hasAlpha;
    } cases[] = {
        {9, colorBlock, {255, 0, 0, 255}, 0},
        {10, alphaThenColor, {255, 0, 0, 128}, 1},
        {11, alphaThenColor, {255, 0, 0, 0}, 1},
        {15, bc5, {200, 100, 228, 255}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        LoadInfo info;
        const auto image = Read(Ss3File(3, 3, 0, c.code, c.data, k2017Version), info);
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(GetPixel(*image, 2, 2), c.pixel);
        EXPECT_EQ(info.hasAlpha, c.hasAlpha);
        EXPECT_EQ(info.bytesPerPixel, 4);
        std::vector<uint8_t> shortData(c.data.begin(), c.data.end() - 1);
        EXPECT_FALSE(Read(Ss3File(3, 3, 0, c.code, shortData, k2017Version), info));
        EXPECT_EQ(info.error, "The compressed image data is incomplete.");
    }
}

TEST(Ss3Tex, RejectsBrokenFilesWithTheirMessage) {
    auto withFile = [](auto change) {
        CtseFile file = Ss3File(4, 4, kPlanar, 7, std::vector<uint8_t>(21, 1));
        change(file);
        return BuildCtse(file);
    };
    std::vector<uint8_t> noObjs = withFile([](CtseFile&) {});
    noObjs[std::string(noObjs.begin(), noObjs.end()).find("OBJS")] = 'X';
    std::vector<uint8_t> starAt12 = withFile([](CtseFile&) {});
    std::copy_n("OBJSSTAR", 8, starAt12.begin() + 8);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string error;
    } cases[] = {
        {"no class", withFile([](CtseFile& f) { f.className = "CModelObject"; }),
         "This Serious Sam 3 file does not contain a texture."},
        {"no OBJS", noObjs, "Unknown Serious Sam 3 layout: OBJS chunk missing."},
        {"STAR at 12", starAt12, "Unknown Serious Sam 3 layout: STAR chunk missing."},
        {"height 0", withFile([](CtseFile& f) { f.height = 0; }), "Invalid dimensions: 4 x 0"},
        {"width 16385", withFile([](CtseFile& f) { f.width = 16385; }), "Invalid dimensions: 16385 x 4"},
        {"no data", withFile([](CtseFile& f) { f.data.clear(); }),
         "This texture file contains no image data (4 x 4, BFE, grayscale (8-bit))."},
        {"negative size", withFile([](CtseFile& f) { f.dataSizeField = -21; }), "The image data is incomplete."},
        {"size past the end", withFile([](CtseFile& f) { f.dataSizeField = 30; }), "The image data is incomplete."},
        {"size INT32_MAX", withFile([](CtseFile& f) { f.dataSizeField = INT32_MAX; }),
         "The image data is incomplete."},
        {"interleaved one channel", withFile([](CtseFile& f) { f.flags = 0; }),
         "The image data of BFE, grayscale (8-bit) could not be read (21 bytes)."},
        {"odd size", withFile([](CtseFile& f) { f.data.resize(22); }),
         "The image data of BFE, grayscale (8-bit) could not be read (22 bytes)."},
        {"HDR with five planes", withFile([](CtseFile& f) {
             f.format = 12;
             f.data.resize(105);
         }),
         "The image data of BFE, HDR opaque (32-bit, RGBE) could not be read (105 bytes)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadInfo info;
        EXPECT_FALSE(Read(c.bytes, info));
        EXPECT_EQ(info.error, c.error);
        EXPECT_EQ(info.kind, 3);
        EXPECT_EQ(info.isHdr, 0);
        EXPECT_TRUE(info.rgbeData.empty());
    }
}

TEST(Ss3Tex, TruncatedFilesNeverReadPastTheEnd) {
    const std::vector<uint8_t> whole = BuildCtse(Ss3File(2, 1, 0, 12, {10, 100, 200, 128, 255, 255, 255, 255}));
    const std::size_t wrapModes = 8;  // optional: a file without them still loads
    for (std::size_t length = 0; length < whole.size() - wrapModes; ++length) {
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + long(length));
        LoadInfo info;
        EXPECT_FALSE(Read(part, info));
        EXPECT_FALSE(info.error.empty());
        EXPECT_TRUE(info.rgbeData.empty());
    }
}

TEST(Ss3Tex, ReachedThroughTheTexDispatch) {
    const std::vector<uint8_t> bytes = BuildCtse(Ss3File(2, 1, 0, 12, {10, 100, 200, 128, 255, 255, 255, 255},
                                                         "Serious Sam 3 SE2017"));
    LoadInfo info;
    const auto image = LoadTexData(bytes, info, "", 0, 0, HdrSettings{});
    ASSERT_TRUE(image) << info.error;
    EXPECT_EQ(info.kind, 3);
    EXPECT_EQ(info.isHdr, 1);
    EXPECT_EQ(info.rgbeData.size(), 8u);
    EXPECT_EQ(info.formatText, "HDR opaque (32-bit, RGBE)");
}
