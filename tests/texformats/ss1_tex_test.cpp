#include "texformats/ss1_tex.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "test_support.h"
#include "texformats/ss1_tex_builder.h"
#include "texformats/ss1_tex_writer.h"
#include "texformats/tex_loader.h"

using namespace ss1_builder;
using testing_support::TempDir;

namespace {

std::optional<Image> Load(const Bytes& bytes, LoadInfo& info, const std::string& sourcePath = "") {
    return LoadTexData(bytes, info, sourcePath, 0, 0, HdrSettings{});
}

Bytes WithSize(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// The header with as many frame bytes as it claims (none for a first mip level out of range).
Bytes Version4Of(Version4Header h) {
    const bool shiftable = h.firstMip >= 0 && h.firstMip < 32;
    const int64_t pixels = shiftable ? int64_t(h.fullWidth >> h.firstMip) * (h.fullHeight >> h.firstMip) : 0;
    return Version4(h, Bytes(std::size_t(pixels * ((h.flags & 1) ? 4 : 3) * h.frameCount), 7));
}

}  // namespace

TEST(Ss1TexTest, HeaderErrorsInTheOrderOfTheChecks) {
    auto v4 = [](auto change) {
        Version4Header h;
        h.fullWidth = h.fullHeight = 2;
        change(h);
        return h;
    };
    Bytes tver30(30, 0);
    std::memcpy(tver30.data(), "TVER", 4);
    Bytes shortMeta = {'C', 'T', 'S', 'E', 'M', 'E', 'T', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes noTdat = Version4Of(v4([](auto&) {}));
    std::memcpy(noTdat.data() + 8, "TDAX", 4);
    Version3Header v3;
    v3.fullWidth = v3.fullHeight = 2;

    struct Case {
        const char* name;
        Bytes bytes;
        std::string error;
    } cases[] = {
        {"7 bytes", Bytes(7, 'T'), "The file is empty or too small."},
        {"30 bytes starting with TVER", tver30, "This is not a Serious Sam texture (TVER chunk missing)."},
        {"CTSEMETA below 24 bytes", shortMeta, "This is not a Serious Sam texture (TVER chunk missing)."},
        {"no TVER", Bytes(64, 'x'), "This is not a Serious Sam texture (TVER chunk missing)."},
        {"no TDAT", noTdat, "Unknown layout: TDAT chunk missing."},
        {"version 5", Version4Of(v4([](auto& h) { h.version = 5; })),
         "Texture version 5 is not supported (only versions 3 and 4)."},
        {"version -2", Version4Of(v4([](auto& h) { h.version = -2; })),
         "Texture version -2 is not supported (only versions 3 and 4)."},
        {"version 3 cut before FRMS", WithSize(Version3(v3, std::vector<uint16_t>(4)), 47),
         "Unknown version 3 layout: FRMS chunk missing."},
        {"version 4 with another chunk", Version4Of(v4([](auto& h) { std::memcpy(h.chunk, "FRMZ", 5); })),
         "Unknown layout: FRMS chunk missing."},
        {"first mip 32", Version4Of(v4([](auto& h) { h.firstMip = 32; })), "Invalid firstMip value: 32"},
        {"first mip -1 beats a bad chunk", Version4Of(v4([](auto& h) { h.firstMip = -1; std::memcpy(h.chunk, "ABCD", 5); })),
         "Invalid firstMip value: -1"},
        {"first mip 5 of width 16", Version4(v4([](auto& h) { h.fullWidth = 16; h.fullHeight = 64; h.firstMip = 5; })),
         "Invalid dimensions: 0 x 2"},
        {"width 16385", Version4(v4([](auto& h) { h.fullWidth = 16385; h.fullHeight = 1; })),
         "Invalid dimensions: 16385 x 1"},
        {"negative height", Version4(v4([](auto& h) { h.fullHeight = -4; })), "Invalid dimensions: 2 x -4"},
        {"no frames", Version4(v4([](auto& h) { h.frameCount = 0; })), "The file contains no frames."},
        {"huge claim, tiny file", Version4(v4([](auto& h) { h.fullWidth = h.fullHeight = 16384; h.flags = 1; })),
         "The file is too short for 1 frame(s) of 16384 x 16384."},
        {"version 4 one byte short", WithSize(Version4Of(v4([](auto& h) { h.frameCount = 2; })), 40 + 2 * 12 - 1),
         "The file is too short for 2 frame(s) of 2 x 2."},
        {"version 3 frame size too small", Version3([&] { auto h = v3; h.frameSize = 7; return h; }(), std::vector<uint16_t>(4)),
         "The stored frame size is too small."},
        {"version 3 negative frame size", Version3([&] { auto h = v3; h.frameSize = -8; return h; }(), std::vector<uint16_t>(4)),
         "The stored frame size is too small."},
        {"version 3 too short", Version3([&] { auto h = v3; h.frameCount = 3; h.frameSize = 8; return h; }(), std::vector<uint16_t>(8)),
         "The file is too short for 3 frame(s) of 2 x 2."},
        {"effect size 0", EffectTexture(Effect().Size(0, 2)), "Invalid effect buffer dimensions."},
        {"effect size 4097", EffectTexture(Effect().Size(2, 4097)), "Invalid effect buffer dimensions."},
        {"effect header cut after FXDT", WithSize(EffectTexture(Effect()), 44), "Invalid effect buffer dimensions."},
        {"effect buffer one byte short", WithSize(EffectTexture(Effect().Buffer({1, 2, 3, 4})), 52 + 8 + 4 + 15),
         "The effect buffer is incomplete."},
        {"effect without base name or buffer", EffectTexture(Effect()),
         "This effect texture stores no image data. Place its base texture in the same folder to view it."},
        {"effect whose base is missing", EffectTexture(Effect().Base("Models\\Water\\Water.tex")),
         "This effect texture stores no image data. Place its base texture (Water.tex) in the same folder to view it."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadInfo info;
        info.note = "left over";
        EXPECT_FALSE(Load(c.bytes, info));
        EXPECT_EQ(info.error, c.error);
        EXPECT_EQ(info.note, "");
        if (c.bytes.size() >= 8) {
            EXPECT_EQ(info.kind, 1);
        }
    }
}

TEST(Ss1TexTest, Version4TakesTheFirstFrameAtTheStoredMipLevel) {
    Version4Header h;
    h.flags = 1;
    h.fullWidth = 256;
    h.fullHeight = 128;
    h.fineMipCount = 8;
    h.firstMip = 1;
    h.frameCount = 2;
    const Image first = testing_support::PatternImage(128, 64);
    Bytes frames = Version4Pixels(first, true);
    const Bytes second(frames.size(), 0x42);
    frames.insert(frames.end(), second.begin(), second.end());
    Bytes file = Version4(h, frames);
    ASSERT_EQ(file.size(), 40u + 65536u);

    LoadInfo info;
    EXPECT_FALSE(Load(WithSize(file, file.size() - 1), info));
    EXPECT_EQ(info.error, "The file is too short for 2 frame(s) of 128 x 64.");

    file.insert(file.end(), {'A', 'N', 'I', 'M', 1, 2, 3});  // trailing chunks are ignored
    std::optional<Image> image = Load(file, info);
    ASSERT_TRUE(image);
    EXPECT_TRUE(testing_support::SamePixels(*image, first));
    EXPECT_EQ(info.error, "");
    EXPECT_EQ(info.kind, 1);
    EXPECT_EQ(info.version, 4);
    EXPECT_EQ(info.flags, 1);
    EXPECT_EQ(info.width, 128);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(info.fineMipCount, 8);
    EXPECT_EQ(info.firstMip, 1);
    EXPECT_EQ(info.frameCount, 2);
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.hasAlpha, 1);
    EXPECT_EQ(info.dataOffset, 40);
    EXPECT_EQ(info.frameSize, 32768);
    EXPECT_EQ(info.isEffect, 0);

    struct FrameCase {
        int asked;
        uint8_t expectedRed;
    } frameCases[] = {{1, 0x42}, {2, GetPixel(first, 0, 0).r}, {-1, GetPixel(first, 0, 0).r}};
    for (const FrameCase& c : frameCases) {
        SCOPED_TRACE(c.asked);
        std::optional<Image> framed = LoadTexData(file, info, "", c.asked, 0, HdrSettings{});
        ASSERT_TRUE(framed);
        EXPECT_EQ(GetPixel(*framed, 0, 0).r, c.expectedRed);
    }
}

TEST(Ss1TexTest, Version4WithoutAlphaIsOpaqueRgb) {
    Version4Header h;
    h.fullWidth = 3;
    h.fullHeight = 2;
    const Image source = testing_support::PatternImage(3, 2, false);
    LoadInfo info;
    std::optional<Image> image = Load(Version4(h, Version4Pixels(source, false)), info);
    ASSERT_TRUE(image);
    EXPECT_TRUE(testing_support::SamePixels(*image, source));
    EXPECT_EQ(info.bytesPerPixel, 3);
    EXPECT_EQ(info.hasAlpha, 0);
    EXPECT_EQ(info.frameSize, 18);
}

TEST(Ss1TexTest, Version3WordsAre1555) {
    struct Case {
        uint16_t word;
        int32_t flags;
        Rgba expected;
    } cases[] = {
        {0x7FFF, 1, {255, 255, 255, 0}},   // alpha bit clear counts with flags bit 0
        {0x7FFF, 0, {255, 255, 255, 255}}, // and is ignored without it
        {0x8000, 1, {0, 0, 0, 255}},
        {0xFC00, 1, {255, 0, 0, 255}},
        {0x03E0, 0, {0, 255, 0, 255}},
        {0x4210, 0, {131, 131, 131, 255}},  // 16 -> 131
        {0x0421, 2, {8, 8, 8, 255}},        // 1 -> 8; flags bit 1 means nothing here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word << " flags " << c.flags);
        Version3Header h;
        h.flags = c.flags;
        LoadInfo info;
        std::optional<Image> image = Load(Version3(h, {c.word}), info);
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(GetPixel(*image, 0, 0), c.expected);
        EXPECT_EQ(info.hasAlpha, c.flags & 1);
    }
}

TEST(Ss1TexTest, Version3ReadsTheLargestLevelOfFramesThatHoldMore) {
    // 4 x 2 stored at first mip 1 of 8 x 4; each frame also holds a 2 x 1 level (10 words).
    Version3Header h;
    h.fullWidth = 8;
    h.fullHeight = 4;
    h.fineMipCount = 2;
    h.firstMip = 1;
    h.frameCount = 2;
    std::vector<uint16_t> words;
    for (int frame = 0; frame < 2; ++frame)
        for (int i = 0; i < 10; ++i) words.push_back(uint16_t(frame == 0 && i < 8 ? i : 31 << 10));
    LoadInfo info;
    std::optional<Image> image = Load(Version3(h, words), info);
    ASSERT_TRUE(image) << info.error;
    ASSERT_EQ(image->width, 4);
    ASSERT_EQ(image->height, 2);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(GetPixel(*image, i % 4, i / 4), (Rgba{0, 0, uint8_t(i * 255 / 31), 255}));
    EXPECT_EQ(info.version, 3);
    EXPECT_EQ(info.firstMip, 1);
    EXPECT_EQ(info.fineMipCount, 2);
    EXPECT_EQ(info.frameSize, 20);
    EXPECT_EQ(info.dataOffset, 48);
    EXPECT_EQ(info.bytesPerPixel, 2);
    EXPECT_EQ(info.frameCount, 2);
}

TEST(Ss1TexTest, EffectShowsItsBaseFoundWithoutRegardToCase) {
    TempDir dir;
    Version4Header baseHeader;
    baseHeader.flags = 1;
    baseHeader.fullWidth = 4;
    baseHeader.fullHeight = 2;
    const Image base = testing_support::PatternImage(4, 2);
    testing_support::WriteBytes(dir.file("Water_Base.TEX"), Version4(baseHeader, Version4Pixels(base, true)));
    const std::string effectPath = dir.file("water.tex");
    testing_support::WriteBytes(effectPath, EffectTexture(Effect().Class(7).Size(2, 1).Buffer({1, 2}).Base("Textures\\Water\\water_base.tex")));

    LoadInfo info;
    std::optional<Image> image = LoadTexFile(effectPath, info, 0, 0, HdrSettings{});
    ASSERT_TRUE(image) << info.error;
    EXPECT_TRUE(testing_support::SamePixels(*image, base));
    EXPECT_EQ(info.isEffect, 1);
    EXPECT_EQ(info.effectClass, 7);
    EXPECT_EQ(info.effectWidth, 2);
    EXPECT_EQ(info.effectHeight, 1);
    EXPECT_EQ(info.width, 4);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bytesPerPixel, 4);
    EXPECT_EQ(info.hasAlpha, 1);
    EXPECT_EQ(info.baseName, "Textures\\Water\\water_base.tex");
    EXPECT_EQ(info.baseShown, "water_base.tex");
    EXPECT_EQ(info.note, "Effect texture: showing base texture water_base.tex (without the effect).");

    // The same bytes from an archive have no folder: the buffer is shown instead.
    const Bytes bytes = testing_support::ReadBytes(effectPath);
    image = Load(bytes, info, "");
    ASSERT_TRUE(image);
    EXPECT_EQ(info.note, "Effect texture: showing the effect buffer as a grayscale image "
                         "(base texture water_base.tex not found in this folder).");
}

TEST(Ss1TexTest, EffectBufferBecomesGrayscale) {
    struct Case {
        const char* name;
        std::vector<int32_t> buffer;
        std::vector<uint8_t> grays;
    } cases[] = {
        {"spread", {-5, 0, 5, 10}, {0, 85, 170, 255}},
        {"all equal", {42, 42, 42, 42}, {0, 0, 0, 0}},
        {"extremes", {INT32_MIN, INT32_MAX, 0, -1}, {0, 255, 127, 127}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadInfo info;
        std::optional<Image> image = Load(EffectTexture(Effect().Size(2, 2).Buffer(c.buffer)), info);
        ASSERT_TRUE(image) << info.error;
        for (int i = 0; i < 4; ++i) {
            const uint8_t g = c.grays[std::size_t(i)];
            EXPECT_EQ(GetPixel(*image, i % 2, i / 2), (Rgba{g, g, g, 255})) << i;
        }
        EXPECT_EQ(info.width, 2);
        EXPECT_EQ(info.height, 2);
        EXPECT_EQ(info.bytesPerPixel, 3);
        EXPECT_EQ(info.hasAlpha, 0);
        EXPECT_EQ(info.dataOffset, 52 + 8 + 4);
        EXPECT_EQ(info.note, "Effect texture: showing the effect buffer as a grayscale image.");
    }
}

TEST(Ss1TexTest, EffectWithBrokenBase) {
    TempDir dir;
    testing_support::WriteBytes(dir.file("base.tex"), Bytes(50, 'x'));
    const std::string withBuffer = dir.file("a.tex"), withoutBuffer = dir.file("b.tex");
    testing_support::WriteBytes(withBuffer, EffectTexture(Effect().Size(1, 1).Buffer({3}).Base("BASE.tex")));
    testing_support::WriteBytes(withoutBuffer, EffectTexture(Effect().Base("base.tex")));

    LoadInfo info;
    EXPECT_TRUE(LoadTexFile(withBuffer, info, 0, 0, HdrSettings{}));
    EXPECT_EQ(info.note, "Effect texture: showing the effect buffer as a grayscale image "
                         "(base texture BASE.tex not found in this folder).");
    EXPECT_FALSE(LoadTexFile(withoutBuffer, info, 0, 0, HdrSettings{}));
    EXPECT_EQ(info.error, "base.tex: This is not a Serious Sam texture (TVER chunk missing).");
}

TEST(Ss1TexTest, EffectsNamingEachOtherStopAfterFourBases) {
    TempDir dir;
    // A (depth 0) -> B (1) -> A (2) -> B (3) -> A (4): the fifth file looks up no base.
    {
        SCOPED_TRACE("with buffers");
        testing_support::WriteBytes(dir.file("A.tex"), EffectTexture(Effect().Size(1, 2).Buffer({0, 9}).Base("b.tex")));
        testing_support::WriteBytes(dir.file("B.tex"), EffectTexture(Effect().Size(1, 2).Buffer({9, 0}).Base("a.tex")));
        LoadInfo info;
        std::optional<Image> image = LoadTexFile(dir.file("A.tex"), info, 0, 0, HdrSettings{});
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(GetPixel(*image, 0, 0).r, 0);  // A's own buffer, shown at depth 4
        EXPECT_EQ(info.baseShown, "a.tex");
        EXPECT_EQ(info.note, "Effect texture: showing base texture a.tex (without the effect).");
    }
    {
        SCOPED_TRACE("without buffers");
        testing_support::WriteBytes(dir.file("A.tex"), EffectTexture(Effect().Base("b.tex")));
        testing_support::WriteBytes(dir.file("B.tex"), EffectTexture(Effect().Base("a.tex")));
        LoadInfo info;
        EXPECT_FALSE(LoadTexFile(dir.file("A.tex"), info, 0, 0, HdrSettings{}));
        EXPECT_EQ(info.error, "b.tex: a.tex: b.tex: a.tex: This effect texture stores no image data. "
                              "Place its base texture (b.tex) in the same folder to view it.");
    }
}

TEST(Ss1TexTest, EveryTruncationFailsCleanly) {
    // Each prefix is copied into a buffer of exactly its size so the sanitizers see any
    // read past the end.
    Version3Header v3;
    v3.flags = 1;
    v3.fullWidth = 2;
    v3.fullHeight = 2;
    Version4Header v4;
    v4.flags = 1;
    v4.fullWidth = v4.fullHeight = 2;
    const Bytes effect = EffectTexture(Effect().Size(2, 1).Buffer({5, 6}).Base("x\\base.tex"));
    const std::size_t effectBufferEnd = 52 + 8 + 4 + 8;
    struct Case {
        const char* name;
        Bytes file;
        std::size_t shortestValid;
    } cases[] = {
        {"version 3", Version3(v3, {1, 2, 3, 4}), 48 + 8},
        {"version 4", Version4(v4, Bytes(16, 9)), 40 + 16},
        {"effect", effect, effectBufferEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t n = 0; n <= c.file.size(); ++n) {
            SCOPED_TRACE(n);
            const Bytes prefix(c.file.begin(), c.file.begin() + std::ptrdiff_t(n));
            LoadInfo info;
            const bool loaded = Load(prefix, info).has_value();
            EXPECT_EQ(loaded, n >= c.shortestValid) << info.error;
            EXPECT_EQ(info.error.empty(), loaded);
        }
    }
}

// The small files in tests/fixtures/ss1 that other tests (open flow, CLI) read from disk. They are
// made by the builders and the writer; GLIMMER_WRITE_FIXTURES=1 rewrites them after a change.
TEST(Ss1TexTest, FixturesMatchTheirBuilders) {
    auto Encoded = [](const Image& image, bool withAlpha) {
        const ByteBuffer bytes = EncodeSs1Tex(image, withAlpha, 0, false).value();
        return Bytes(bytes.begin(), bytes.end());
    };
    const Image pattern = testing_support::PatternImage(4, 2);
    Version3Header v3;
    v3.flags = 1;
    v3.fullWidth = v3.fullHeight = 2;
    struct Fixture {
        const char* name;
        Bytes bytes;
        const char* description;  // what the loader reports: size, version, alpha
    } fixtures[] = {
        {"rgba_4x2.tex", Encoded(pattern, true), "4 x 2 version 4 alpha 1"},
        {"rgb_4x2.tex", Encoded(pattern, false), "4 x 2 version 4 alpha 0"},
        // red, green, blue opaque; white with the alpha bit clear
        {"v3_2x2.tex", Version3(v3, {0xFC00, 0x83E0, 0x801F, 0x7FFF}), "2 x 2 version 3 alpha 1"},
        // an effect texture whose base (named in another case) lies beside it
        {"effect_water.tex", EffectTexture(Effect().Size(2, 2).Buffer({0, 1, 2, 3}).Base("Textures\\Water\\water_base.tex")),
         "4 x 2 version 4 alpha 1"},
        {"Water_Base.TEX", Version4([] { Version4Header h; h.flags = 1; h.fullWidth = 4; h.fullHeight = 2; return h; }(),
                                    Version4Pixels(pattern, true)),
         "4 x 2 version 4 alpha 1"},
    };
    auto pathOf = [](const Fixture& f) { return testing_support::FixturePath(std::string("ss1/") + f.name); };
    if (std::getenv("GLIMMER_WRITE_FIXTURES")) {
        for (const Fixture& f : fixtures) testing_support::WriteBytes(pathOf(f), f.bytes);
    }
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        const std::string path = pathOf(f);
        EXPECT_EQ(testing_support::ReadBytes(path), f.bytes);
        LoadInfo info;
        std::optional<Image> image = LoadTexFile(path, info, 0, 0, HdrSettings{});
        ASSERT_TRUE(image) << info.error;
        EXPECT_EQ(std::to_string(info.width) + " x " + std::to_string(info.height) + " version " +
                      std::to_string(info.version) + " alpha " + std::to_string(info.hasAlpha),
                  f.description);
    }
}
