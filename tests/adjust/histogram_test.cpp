#include "adjust/histogram.h"

#include <gtest/gtest.h>

namespace {

Image Filled(int width, int height, Rgba colour) { return *CreateImage(width, height, 32, colour); }

LoadInfo HdrInfo(int width, int height, std::initializer_list<std::array<uint8_t, 4>> pixels) {
    LoadInfo info;
    info.isHdr = 1;
    info.width = width;
    info.height = height;
    info.formatText = "Radiance HDR";
    EXPECT_TRUE(TryResize(info.rgbeData, pixels.size() * 4));
    std::size_t i = 0;
    for (const auto& p : pixels)
        for (uint8_t b : p) info.rgbeData.data()[i++] = b;
    return info;
}

}  // namespace

TEST(Histogram, StatisticsLinesOfTheWorkedImages) {
    const LoadInfo plain;
    const HistogramData clear = ComputeHistogram(Filled(4, 5, {9, 9, 9, 0}), plain, 0.0);
    Image partly = Filled(10, 2, {255, 255, 255, 255});
    for (int x = 0; x < 10; ++x) SetPixel(partly, x, 1, {0, 0, 0, 0});
    SetPixel(partly, 0, 0, {255, 0, 0, 255});  // luminance 54
    const HistogramData half = ComputeHistogram(partly, plain, 0.0);
    const std::string note = "   (10 transparent pixels not counted)";
    struct Case {
        const HistogramData* data;
        int view;
        std::string expected;
    } const cases[] = {
        {&clear, kViewRgb, ""},
        {&clear, kViewRed, ""},
        {&clear, kViewAlpha, "Mean: 0.0   Min: 0   Max: 0   Pixels: 20"},
        {&half, kViewRgb, "(luminance) Mean: 234.9   Min: 54   Max: 255   Pixels: 20" + note},
        {&half, kViewLuminance, "Mean: 234.9   Min: 54   Max: 255   Pixels: 20" + note},
        {&half, kViewRed, "Mean: 255.0   Min: 255   Max: 255   Pixels: 20" + note},
        {&half, kViewGreen, "Mean: 229.5   Min: 0   Max: 255   Pixels: 20" + note},
        {&half, kViewAlpha, "Mean: 127.5   Min: 0   Max: 255   Pixels: 20"},
        {&half, kViewHdrStops, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        EXPECT_EQ(HistogramStatistics(*c.data, c.view), c.expected);
    }
    EXPECT_EQ(half.tables[kTableLuminance][255], 9);
    EXPECT_EQ(half.tables[kTableLuminance][54], 1);
    EXPECT_EQ(half.transparentCount, 10);
    EXPECT_EQ(half.tables[kTableAlpha][0], 10);
    EXPECT_EQ(clear.tables[kTableRed][9], 0);
}

TEST(Histogram, HdrBrightnessInStops) {
    // Mantissa 127 at exponent 129 is about 1.0 (0 stops); exponent 131 is 2 stops brighter.
    const LoadInfo info = HdrInfo(2, 2, {{127, 127, 127, 129}, {127, 127, 127, 131}, {1, 1, 1, 0}, {127, 127, 127, 129}});
    const HistogramData data = ComputeHistogram(Filled(2, 2, {1, 1, 1, 255}), info, 1.0);
    ASSERT_TRUE(data.isHdr);
    EXPECT_EQ(data.lower, -1.0);  // log2(127.5 / 128) is just below 0
    EXPECT_EQ(data.upper, 3.0);
    EXPECT_EQ(data.stops[119], 1);  // (1.9944 + 1) / 4 × 160 = 119.8
    EXPECT_EQ(data.stops[39], 2);  // (−0.0056 + 1) / 4 × 160 = 39.8
    EXPECT_EQ(HistogramStatistics(data, kViewHdrStops),
              "Range: -1 to 3 stops   median: 0.0   white point: -1.0 (exposure 1.0 EV)");

    const HistogramData dark = ComputeHistogram(Filled(1, 2, {}), HdrInfo(1, 2, {{5, 5, 5, 0}, {9, 9, 9, 0}}), 0.0);
    EXPECT_EQ(dark.lower, 1000.0);
    EXPECT_EQ(dark.upper, 1004.0);
    for (int64_t count : dark.stops) ASSERT_EQ(count, 0);

    LoadInfo released = info;
    ReleaseRgbeData(released);
    EXPECT_FALSE(ComputeHistogram(Filled(2, 2, {}), released, 0.0).isHdr);
    // A record claiming more pixels than its array holds reads only what is there.
    LoadInfo lying = HdrInfo(100, 100, {{127, 127, 127, 129}});
    EXPECT_EQ(ComputeHistogram(Filled(1, 1, {}), lying, 0.0).stops[39], 1);
}

TEST(Histogram, ViewListFollowsTheHdrFlag) {
    EXPECT_EQ(HistogramViewNames(false).size(), 6u);
    EXPECT_EQ(HistogramViewNames(true).back(), "HDR brightness (stops)");
    EXPECT_EQ(KeptHistogramView(kViewHdrStops, false), kViewRgb);
    EXPECT_EQ(KeptHistogramView(kViewHdrStops, true), kViewHdrStops);
    EXPECT_EQ(KeptHistogramView(kViewAlpha, false), kViewAlpha);
    LoadInfo info;
    info.formatText = "RGBA (with transparency)";
    EXPECT_EQ(HistogramTitle(info), "Histogram - RGBA (with transparency)");
}

TEST(Histogram, BarsAxisAndScales) {
    // 648 x 220 plot: value v spans x 8 + v * 648 / 256 .. 8 + (v + 1) * 648 / 256.
    Image image = Filled(4, 1, {0, 0, 0, 255});
    SetPixel(image, 0, 0, {100, 0, 0, 255});
    const HistogramData data = ComputeHistogram(image, LoadInfo{}, 0.0);  // red: 3 at 0, 1 at 100
    Image canvas = *CreateImage(664, 250);
    const std::vector<PlotText> texts = RenderHistogram(canvas, data, kViewRed, false);
    const Rgba red{255, 60, 60, 255}, plot{25, 25, 25, 255};
    EXPECT_EQ(GetPixel(canvas, 0, 0), (Rgba{40, 40, 40, 255}));
    EXPECT_EQ(GetPixel(canvas, 8, 8), red);  // full height
    const int left = 8 + 100 * 648 / 256, right = 8 + 101 * 648 / 256;
    EXPECT_EQ(GetPixel(canvas, left, 228 - 73), red);  // 1 * 220 / 3 = 73
    EXPECT_EQ(GetPixel(canvas, left, 228 - 74), plot);
    EXPECT_EQ(GetPixel(canvas, right - 1, 227), red);
    EXPECT_EQ(GetPixel(canvas, right, 227), plot);
    EXPECT_EQ(GetPixel(canvas, 8 + 162, 230), (Rgba{150, 150, 150, 255}));  // tick at 64
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[1], (PlotText{162, 234, "64", {180, 180, 180, 255}}));
    EXPECT_EQ(texts[4], (PlotText{8 + 648 - 22, 234, "255", {180, 180, 180, 255}}));

    Image logCanvas = *CreateImage(664, 250);
    RenderHistogram(logCanvas, data, kViewRed, true);  // ln 2 / ln 4 * 220 = 110
    EXPECT_EQ(GetPixel(logCanvas, left, 228 - 110), red);
    EXPECT_EQ(GetPixel(logCanvas, left, 228 - 111), plot);

    // RGB overlaps translucent bars: red alone at 100 shows red at 140/255 over the plot.
    Image rgb = *CreateImage(664, 250);
    RenderHistogram(rgb, data, kViewRgb, false);
    EXPECT_EQ(GetPixel(rgb, left, 227), (Rgba{151, 44, 44, 255}));
}

TEST(Histogram, StopsViewDrawsTheWhitePoint) {
    const LoadInfo info = HdrInfo(1, 1, {{127, 127, 127, 129}});
    const HistogramData data = ComputeHistogram(Filled(1, 1, {}), info, -2.0);  // range -1..3, white at 2
    Image canvas = *CreateImage(664, 250);
    const std::vector<PlotText> texts = RenderHistogram(canvas, data, kViewHdrStops, false);
    const int whiteX = 8 + 3 * 648 / 4;
    EXPECT_EQ(GetPixel(canvas, whiteX - 1, 100), (Rgba{255, 200, 0, 255}));
    EXPECT_EQ(GetPixel(canvas, whiteX, 100), (Rgba{255, 200, 0, 255}));
    ASSERT_EQ(texts.size(), 6u);  // -1, 0, 1, 2, 3 and the white point
    EXPECT_EQ(texts[0], (PlotText{8 - 6, 234, "-1", {180, 180, 180, 255}}));
    EXPECT_EQ(texts[5], (PlotText{whiteX + 3, 10, "white point", {255, 200, 0, 255}}));
    const int bar = 8 + 39 * 648 / 160;
    EXPECT_EQ(GetPixel(canvas, bar + 4, 8), (Rgba{230, 230, 230, 255}));  // 5 wide, full height

    const HistogramData far = ComputeHistogram(Filled(1, 1, {}), info, -10.0);
    EXPECT_EQ(RenderHistogram(canvas, far, kViewHdrStops, false).size(), 5u);  // white point off the plot
}
