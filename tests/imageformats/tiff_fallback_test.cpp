#include "imageformats/tiff_fallback.h"

#include <gtest/gtest.h>

#include <vector>

#include "imageformats/tiff.h"
#include "platform/bytes.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encoded(const Image& image, bool alpha) {
    ByteBuffer file;
    EXPECT_TRUE(EncodeTiff(image, alpha, file));
    return Bytes(file.begin(), file.end());
}

TEST(DecodeTiffWithLibrary, ReportsTheDepthAndPremultipliesAlpha) {
    Image image = *CreateImage(3, 2, 32, {200, 100, 50, 255});
    SetPixel(image, 1, 0, {200, 100, 50, 128});

    std::optional<Image> rgb = DecodeTiffWithLibrary(Encoded(image, false));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->bitsPerPixel, 24);
    EXPECT_EQ(GetPixel(*rgb, 1, 0), (Rgba{200, 100, 50, 255}));

    // The library's RGBA interface stores colour times alpha: the reason for the fallback note.
    std::optional<Image> rgba = DecodeTiffWithLibrary(Encoded(image, true));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->bitsPerPixel, 32);
    EXPECT_EQ(GetPixel(*rgba, 0, 0), (Rgba{200, 100, 50, 255}));
    const Rgba blended = GetPixel(*rgba, 1, 0);
    EXPECT_EQ(blended.a, 128);
    EXPECT_NEAR(blended.r, 100, 1);
    EXPECT_NEAR(blended.g, 50, 1);
}

TEST(DecodeTiffWithLibrary, RefusesWhatItCannotRead) {
    // A strip offset past the end of the file: the pixels cannot be read.
    Bytes damaged = Encoded(testing_support::PatternImage(4, 4), false);
    const std::size_t stripOffsetField = Le32(&damaged[4]) + 2 + 5 * 12 + 8;
    damaged[stripOffsetField + 2] = 0x10;
    const Bytes cases[] = {{}, {'I', 'I', 42, 0}, Bytes(64, 'x'), damaged};
    for (const Bytes& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        EXPECT_FALSE(DecodeTiffWithLibrary(bytes));
    }
}

}  // namespace
