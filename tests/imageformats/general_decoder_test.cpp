#include "imageformats/general_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "app/image_loading.h"
#include "imageformats/library_writers.h"
#include "test_support.h"

namespace {

// A JPEG of a smooth gradient, so every MCU costs real data.
std::vector<uint8_t> GradientJpeg(int width, int height) {
    Image image = *CreateImage(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(image, x, y, {uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y), 255});
    const auto jpeg = EncodeJpeg(image, 90);
    return std::vector<uint8_t>(jpeg->begin(), jpeg->end());
}

// Sets the height and width of the first baseline frame header.
void PatchJpegSize(std::vector<uint8_t>& jpeg, uint16_t width, uint16_t height) {
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            return;
        }
    }
    FAIL() << "no frame header";
}

}  // namespace

TEST(GeneralDecoder, JpegsWhoseDataCannotHoldTheirSizeAreDamaged) {
    const std::vector<uint8_t> jpeg = GradientJpeg(64, 256);
    ASSERT_TRUE(DecodeWithLibraries(jpeg));

    // A size field damaged to 30000 x 30000 on a small file: refused before gigabytes are
    // allocated and made up (it used to take seconds and 3.5 GB).
    std::vector<uint8_t> huge = jpeg;
    PatchJpegSize(huge, 30000, 30000);
    EXPECT_FALSE(DecodeWithLibraries(huge));

    // Data that ends after a quarter of the rows: the rest would be invented.
    const std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 4);
    EXPECT_FALSE(DecodeWithLibraries(cut));

    // A file that lacks only its end marker still loads.
    const std::vector<uint8_t> noEnd(jpeg.begin(), jpeg.end() - 2);
    const auto loaded = DecodeWithLibraries(noEnd);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->image.width, 64);
    EXPECT_EQ(loaded->image.height, 256);
}

TEST(GeneralDecoder, BmpsWhoseHeadersPointPastTheEndAreDamaged) {
    const auto bmp = EncodeBmp(*CreateImage(6, 4, 24, {10, 20, 30, 255}));
    ASSERT_TRUE(bmp);
    std::vector<uint8_t> bytes(bmp->begin(), bmp->end());
    ASSERT_TRUE(DecodeWithLibraries(bytes));
    for (uint32_t offset : {uint32_t(bytes.size()), 0xFF000036u}) {
        SCOPED_TRACE(offset);
        std::vector<uint8_t> damaged = bytes;
        for (int i = 0; i < 4; ++i) damaged[10 + i] = uint8_t(offset >> (8 * i));
        EXPECT_FALSE(DecodeWithLibraries(damaged));
    }
    // Found by fuzzing: an info header size of 0xE0FFD8FF, which the library reallocated its
    // buffer to before noticing the file ends after 110 bytes.
    const std::vector<uint8_t> hugeInfoHeader = {
        0x42, 0x4D, 0x66, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x36, 0x00,
        0x00, 0x00, 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x13, 0x0A,
        0x0A, 0x28, 0x13, 0xE0, 0x28, 0x00, 0x00, 0x00, 0x42, 0x4D, 0x66, 0x00,
        0x03, 0x00, 0x00, 0x00, 0x3E, 0x00, 0x10, 0x1A, 0x28, 0x28, 0x28, 0x28,
        0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x09, 0x00, 0x11, 0x03, 0x01, 0x22,
        0x00, 0x02, 0x11, 0x01, 0x03, 0x9C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
        0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x32, 0x00, 0x00, 0x00,
        0x05, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x03, 0xFF, 0x00, 0x00,
        0x69, 0x63, 0x72, 0x47, 0x0D, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46,
        0x21, 0x31,
    };
    EXPECT_FALSE(DecodeWithLibraries(hugeInfoHeader));
    // An uncompressed file that ends before the rows its header claims (a damaged height of
    // 30000 on a 6 x 4 image, or the data cut short).
    std::vector<uint8_t> tall = bytes;
    tall[22] = 30000 & 0xFF;
    tall[23] = 30000 >> 8;
    EXPECT_FALSE(DecodeWithLibraries(tall));
    EXPECT_FALSE(DecodeWithLibraries(std::vector<uint8_t>(bytes.begin(), bytes.end() - 10)));
    // The open flow reports it as damaged.
    testing_support::TempDir dir;
    const std::string path = dir.file("fuzzed.bmp");
    testing_support::WriteBytes(path, hugeInfoHeader);
    LoadInfo info;
    EXPECT_FALSE(OpenImageFile(path, info, {}));
    EXPECT_EQ(info.error, "This image format is not supported, or the file is damaged.");
}

TEST(GeneralDecoder, PngsWhoseDataCannotHoldTheirSizeAreDamaged) {
    Image image = *CreateImage(40, 30, 24);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) SetPixel(image, x, y, {uint8_t(x * 6), uint8_t(y * 8), uint8_t(x + y), 255});
    const auto png = EncodePng(image, false);
    ASSERT_TRUE(png);
    const std::vector<uint8_t> bytes(png->begin(), png->end());
    ASSERT_TRUE(DecodeWithLibraries(bytes));

    // The size field damaged to 30000 x 30000 (with a fixed checksum, as a careful damage would
    // leave it): 2.7 GB of rows cannot come out of a file this small.
    std::vector<uint8_t> huge = bytes;
    for (int at : {16, 20}) {
        huge[at] = 0;
        huge[at + 1] = 0;
        huge[at + 2] = 30000 >> 8;
        huge[at + 3] = 30000 & 0xFF;
    }
    const uLong crc = crc32(0, huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i) huge[29 + i] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_FALSE(DecodeWithLibraries(huge));
}
