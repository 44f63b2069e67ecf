#include "platform/image.h"

#include <gtest/gtest.h>

#include "test_support.h"

TEST(ImageTest, CreateRefusesInvalidSizes) {
    EXPECT_FALSE(CreateImage(0, 5));
    EXPECT_FALSE(CreateImage(5, -1));
    EXPECT_FALSE(CreateImage(kMaxImageSide + 1, 1));
    EXPECT_TRUE(CreateImage(1, 1));
}

TEST(ImageTest, TwentyFourBitImagesReadOpaque) {
    Image image = *CreateImage(2, 2, 24, {10, 20, 30, 7});
    EXPECT_EQ(GetPixel(image, 1, 1), (Rgba{10, 20, 30, 255}));
    SetPixel(image, 0, 0, {1, 2, 3, 0});
    EXPECT_EQ(GetPixel(image, 0, 0).a, 255);
}

TEST(ImageTest, BlendMixesByAlphaAndClips) {
    Image dst = *CreateImage(2, 1, 32, {0, 0, 0, 255});
    Image src = *CreateImage(2, 1, 32, {255, 255, 255, 0});
    SetPixel(src, 0, 0, {255, 100, 0, 128});
    BlendImage(dst, src, 0, 0);
    EXPECT_EQ(GetPixel(dst, 0, 0), (Rgba{128, 50, 0, 255}));
    EXPECT_EQ(GetPixel(dst, 1, 0), (Rgba{0, 0, 0, 255}));  // alpha 0 leaves the background
    BlendImage(dst, *CreateImage(1, 1, 24, {9, 9, 9, 255}), 1, -5);  // entirely outside
    EXPECT_EQ(GetPixel(dst, 1, 0), (Rgba{0, 0, 0, 255}));
}

TEST(ImageTest, NearestResizeMakesBlocks) {
    Image src = testing_support::PatternImage(2, 2);
    Image big = *ResizeNearest(src, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(GetPixel(big, x, y), GetPixel(src, x / 4, y / 4));
}

TEST(ImageTest, BilinearResizeKeepsUniformColour) {
    Image src = *CreateImage(7, 5, 32, {40, 80, 120, 200});
    Image out = *ResizeBilinear(src, 3, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(GetPixel(out, x, y), (Rgba{40, 80, 120, 200}));
}
