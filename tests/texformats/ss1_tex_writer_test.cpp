#include "texformats/ss1_tex_writer.h"

#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "platform/file_io.h"
#include "test_support.h"
#include "texformats/tex_loader.h"

using testing_support::TempDir;

namespace {

std::vector<uint8_t> Encode(const Image& image, bool withAlpha, int firstMip = 0, bool setFlag1 = false) {
    std::optional<ByteBuffer> bytes = EncodeSs1Tex(image, withAlpha, firstMip, setFlag1);
    if (!bytes) return {};
    return {bytes->begin(), bytes->end()};
}

int32_t FieldAt(const std::vector<uint8_t>& bytes, std::size_t offset) { return LeS32(bytes.data() + offset); }

}  // namespace

TEST(Ss1TexWriterTest, OnePixelFileIsPinned) {
    const Image pixel = *CreateImage(1, 1, 32, {0x11, 0x22, 0x33, 0x80});
    const std::vector<uint8_t> expected = {
        'T', 'V', 'E', 'R', 4, 0, 0, 0,
        'T', 'D', 'A', 'T', 0, 0, 0, 0,  // flags: no alpha
        1, 0, 0, 0, 1, 0, 0, 0,          // full size 1 x 1
        1, 0, 0, 0, 0, 0, 0, 0,          // one fine mip level, first mip 0
        1, 0, 0, 0, 'F', 'R', 'M', 'S',  // one frame
        0x11, 0x22, 0x33,
        'A', 'N', 'I', 'M', 'A', 'D', 'A', 'T', 1, 0, 0, 0,
        'O', 'n', 'l', 'y', 'A', 'n', 'i', 'm', 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x0A, 0xD7, 0xA3, 0x3C,          // 0.02f
        1, 0, 0, 0, 0, 0, 0, 0,          // one frame entry: frame 0
    };
    ASSERT_EQ(expected.size(), 99u);
    EXPECT_EQ(Encode(pixel, false), expected);
}

TEST(Ss1TexWriterTest, FirstMipScalesTheRecordedFullSize) {
    const Image image = testing_support::PatternImage(128, 64);
    const std::vector<uint8_t> bytes = Encode(image, true, 1);
    ASSERT_EQ(bytes.size(), 40u + 32768u + 56u);
    EXPECT_EQ(FieldAt(bytes, 12), 3);    // flags
    EXPECT_EQ(FieldAt(bytes, 16), 256);  // full width
    EXPECT_EQ(FieldAt(bytes, 20), 128);  // full height
    EXPECT_EQ(FieldAt(bytes, 24), 7);    // fine mip levels: 64 halves six times
    EXPECT_EQ(FieldAt(bytes, 28), 1);
    EXPECT_EQ(FieldAt(bytes, 32), 1);
    EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), bytes.begin() + 40));
    EXPECT_EQ(std::string(bytes.end() - 56, bytes.end() - 52), "ANIM");
}

TEST(Ss1TexWriterTest, FlagsAndFineMipCounts) {
    struct FlagCase {
        bool withAlpha, setFlag1;
        int32_t flags;
    } flagCases[] = {{false, false, 0}, {false, true, 2}, {true, false, 3}, {true, true, 3}};
    const Image small = testing_support::PatternImage(2, 2);
    for (const FlagCase& c : flagCases) {
        SCOPED_TRACE(testing::Message() << c.withAlpha << c.setFlag1);
        EXPECT_EQ(FieldAt(Encode(small, c.withAlpha, 0, c.setFlag1), 12), c.flags);
    }

    struct MipCase {
        int width, height;
        int32_t fineMips;
    } mipCases[] = {{1, 1, 1}, {1, 300, 1}, {3, 5, 2}, {256, 128, 8}, {1024, 1024, 11}, {64, 512, 7}};
    for (const MipCase& c : mipCases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(FieldAt(Encode(*CreateImage(c.width, c.height), false), 24), c.fineMips);
    }
}

TEST(Ss1TexWriterTest, WrittenFilesReadBack) {
    TempDir dir;
    const Image source = testing_support::PatternImage(5, 3);
    struct Case {
        bool withAlpha;
        int firstMip;
    } cases[] = {{true, 0}, {false, 0}, {true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "alpha " << c.withAlpha << " first mip " << c.firstMip);
        const std::string path = dir.file("out.tex");
        ASSERT_TRUE(WriteSs1Tex(source, path, c.withAlpha, c.firstMip, false));
        EXPECT_EQ(FileSize(path), 40 + 15 * (c.withAlpha ? 4 : 3) + 56);
        LoadInfo info;
        std::optional<Image> back = LoadTexFile(path, info, 0, 0, HdrSettings{});
        ASSERT_TRUE(back) << info.error;
        EXPECT_EQ(info.firstMip, c.firstMip);
        EXPECT_EQ(info.hasAlpha, c.withAlpha ? 1 : 0);
        EXPECT_TRUE(testing_support::SamePixels(*back, testing_support::PatternImage(5, 3, c.withAlpha)));
    }
}

TEST(Ss1TexWriterTest, TwentyFourBitImagesStoreOpaqueAlpha) {
    Image opaque = *CreateImage(1, 1, 24, {1, 2, 3, 255});
    opaque.pixels[3] = 0;  // meaningless in a 24-bit image
    const std::vector<uint8_t> bytes = Encode(opaque, true);
    ASSERT_EQ(bytes.size(), 40u + 4u + 56u);
    EXPECT_EQ(bytes[43], 255);
}

TEST(Ss1TexWriterTest, RefusalsLeaveNoFile) {
    TempDir dir;
    const Image image = testing_support::PatternImage(2, 2);
    const std::string existing = dir.file("existing.tex");
    testing_support::WriteBytes(existing, {1, 2, 3});
    struct Case {
        const char* name;
        Image image;
        int firstMip;
        std::string path;
    } cases[] = {
        {"first mip 21", image, 21, dir.file("a.tex")},
        {"first mip -1", image, -1, dir.file("b.tex")},
        {"no pixels", Image{}, 0, dir.file("c.tex")},
        {"full width past 32 bits", *CreateImage(65536, 1), 16, dir.file("d.tex")},
        {"missing folder", image, 0, dir.file("nowhere/e.tex")},
        {"existing file, bad first mip", image, 21, existing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(WriteSs1Tex(c.image, c.path, true, c.firstMip, false));
        if (c.path != existing) {
            EXPECT_FALSE(FileExists(c.path));
        }
    }
    EXPECT_EQ(testing_support::ReadBytes(existing), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
}
