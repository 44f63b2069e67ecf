#include "batch/batch_preview.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(BatchPreviewTest, FitsWithoutEnlargingAndCentres) {
    struct Case {
        int width, height;
        ImageSize shown;
    } cases[] = {
        {2048, 1024, {492, 246}}, {64, 64, {64, 64}}, {300, 3000, {30, 300}}, {5000, 1, {492, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(BatchPreviewSize(c.width, c.height, 492, 300), c.shown);
    }

    // A fully transparent 20 x 12 picture shows the checkerboard, centred at (236, 144).
    auto clear = CreateImage(20, 12, 32, {0, 0, 0, 0});
    ASSERT_TRUE(clear);
    auto canvas = RenderBatchPreview(*clear, 492, 300);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(GetPixel(*canvas, 235, 144), (Rgba{60, 60, 60, 255}));
    EXPECT_EQ(GetPixel(*canvas, 236, 144), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(GetPixel(*canvas, 244, 144), (Rgba{204, 204, 204, 255}));
    EXPECT_EQ(GetPixel(*canvas, 236 + 16, 144 + 8), (Rgba{204, 204, 204, 255}));
    // The last squares reach past the picture: 12 rows of picture, squares down to row 16.
    EXPECT_EQ(GetPixel(*canvas, 236, 144 + 15), (Rgba{204, 204, 204, 255}));
    EXPECT_EQ(GetPixel(*canvas, 236, 144 + 16), (Rgba{60, 60, 60, 255}));

    auto opaque = CreateImage(10, 10, 24, {9, 8, 7, 255});
    canvas = RenderBatchPreview(*opaque, 492, 300);
    EXPECT_EQ(GetPixel(*canvas, 241, 145), (Rgba{9, 8, 7, 255}));
}

TEST(BatchPreviewTest, InfoTextByGeneration) {
    LoadInfo info;
    info.width = 256;
    info.height = 128;
    info.kind = 1;
    info.version = 4;
    info.hasAlpha = 1;
    EXPECT_EQ(BatchInfoText("a.tex", info), "a.tex   256 x 128   SS1 version 4, with transparency");
    info.kind = 3;
    info.hasAlpha = 0;
    info.isHdr = 1;
    info.formatText = "RGBE";
    EXPECT_EQ(BatchInfoText("sky.tex", info), "sky.tex   256 x 128   SS3, RGBE, HDR");
    info.kind = 0;
    info.isHdr = 0;
    info.formatText = "Portable Network Graphics";
    EXPECT_EQ(BatchInfoText("a.png", info), "a.png   256 x 128   Portable Network Graphics");
}

}  // namespace
