#include "adjust/levels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/scripted_ui.h"

namespace {

LevelsParams Params(int64_t inBlack, int64_t inWhite, double gamma = 1.0, int64_t outBlack = 0, int64_t outWhite = 255) {
    return {inBlack, inWhite, gamma, outBlack, outWhite};
}

Image Pixels(std::initializer_list<Rgba> colours) {
    Image image = *CreateImage(int(colours.size()), 1);
    int x = 0;
    for (Rgba c : colours) SetPixel(image, x++, 0, c);
    return image;
}

}  // namespace

TEST(Levels, MapFollowsTheWorkedValues) {
    struct Case {
        int value;
        LevelsParams p;
        int expected;
    } const cases[] = {
        {10, Params(10, 245), 0},      {245, Params(10, 245), 255},     {128, Params(10, 245), 128},
        {0, Params(10, 245), 0},       {255, Params(10, 245), 255},     {64, Params(0, 255, 2.0), 128},
        {0, Params(0, 255, 0.1), 0},   {255, Params(0, 255, 9.99), 255}, {0, Params(0, 255, 1, 255, 0), 255},
        {255, Params(0, 255, 1, 255, 0), 0}, {100, Params(0, 255, 1, 20, 30), 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(LevelsMap(c.value, c.p), c.expected);
    }
    for (int v = 0; v < 256; ++v) EXPECT_EQ(LevelsMap(v, LevelsParams{}), v);
}

TEST(Levels, TableAppliesTheChannelSettingBeforeTheRgbOne) {
    LevelsSetting setting{};
    setting[1] = Params(0, 127);  // red doubles ...
    setting[0] = Params(0, 255, 1.0, 0, 127);  // ... then everything halves
    const LevelsLut lut = BuildLevelsLut(setting);
    EXPECT_EQ(lut[0][50], LevelsMap(LevelsMap(50, setting[1]), setting[0]));
    EXPECT_EQ(lut[0][50], 50);
    EXPECT_EQ(lut[1][50], 25);
    EXPECT_EQ(lut[0][200], 127);
}

TEST(Levels, ClipMapCountsOnlyValuesBeyondThePoints) {
    LevelsSetting setting{};
    setting[1] = Params(10, 200);
    setting[0] = Params(5, 250);
    const ClipMap clip = BuildClipMap(setting);
    struct Case {
        int channel, value;
        uint8_t expected;
    } const cases[] = {
        {1, 4, kClippedToBlack}, {1, 5, kNotClipped}, {1, 250, kNotClipped}, {1, 251, kClippedToWhite},
        {0, 9, kClippedToBlack}, {0, 201, kClippedToWhite},
        // Red passes its own points and then the RGB ones: 10 maps to 0 and 11 to 1, both
        // below the RGB black point 5; 14 maps to 5; 196 maps to 250 and 199 to 254.
        {0, 10, kClippedToBlack}, {0, 11, kClippedToBlack}, {0, 14, kNotClipped},
        {0, 196, kNotClipped}, {0, 199, kClippedToWhite}, {0, 200, kClippedToWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channel) + "/" + std::to_string(c.value));
        EXPECT_EQ(clip[c.channel][c.value], c.expected);
    }
    // Output levels play no part in clipping.
    LevelsSetting outputs{};
    outputs[0] = Params(0, 255, 1.0, 40, 200);
    const ClipMap none = BuildClipMap(outputs);
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) ASSERT_EQ(none[c][v], kNotClipped);
}

TEST(Levels, ApplyShowsClippingOnlyOnVisiblePixelsAndKeepsAlpha) {
    const Image image = Pixels({{250, 100, 100, 255}, {100, 5, 100, 128}, {250, 5, 100, 0}, {100, 100, 100, 7}});
    LevelsSetting setting{};
    setting[1] = Params(0, 240);   // red above 240 clips to white
    setting[2] = Params(10, 255);  // green below 10 clips to black
    const LevelsLut lut = BuildLevelsLut(setting);
    const ClipMap clip = BuildClipMap(setting);

    const std::optional<Image> shown = ApplyLevels(image, lut, true, clip);
    ASSERT_TRUE(shown);
    EXPECT_EQ(GetPixel(*shown, 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(GetPixel(*shown, 1, 0), (Rgba{0, 0, 255, 128}));
    EXPECT_EQ(GetPixel(*shown, 2, 0), (Rgba{255, 0, 100, 0}));  // transparent: mapped, never painted
    EXPECT_EQ(GetPixel(*shown, 3, 0), (Rgba{lut[0][100], lut[1][100], 100, 7}));

    const std::optional<Image> applied = ApplyLevels(image, lut, false, clip);
    ASSERT_TRUE(applied);
    EXPECT_EQ(GetPixel(*applied, 0, 0), (Rgba{255, lut[1][100], 100, 255}));
    EXPECT_EQ(GetPixel(*applied, 1, 0), (Rgba{lut[0][100], 0, 100, 128}));
}

TEST(Levels, HistogramCountsAndStatisticsSkipTransparentPixels) {
    const Image image = Pixels({{1, 2, 3, 255}, {1, 9, 3, 1}, {200, 200, 200, 0}});
    const LevelsHistogram histogram = ChannelHistogram(image);
    EXPECT_EQ(histogram[0][1], 2);
    EXPECT_EQ(histogram[1][2], 1);
    EXPECT_EQ(histogram[1][9], 1);
    EXPECT_EQ(histogram[2][3], 2);
    EXPECT_EQ(histogram[0][200], 0);
    EXPECT_EQ(SampleTotal(histogram), 6);
    EXPECT_EQ(SampleTotal(LevelsHistogram{}), 1);

    LevelsSetting setting{};
    setting[0] = Params(2, 255);  // red 1 and 1 clip to black, green 2 and blue 3 do not
    EXPECT_EQ(ClipCount(histogram, BuildClipMap(setting)), 2);

    // Green 2 and 9 both end at 0 once the range starts at 10: one merged tone.
    setting = {};
    setting[2] = Params(10, 255);
    EXPECT_EQ(MergedTones(histogram, BuildLevelsLut(setting)), 1);
    EXPECT_EQ(MergedTones(histogram, BuildLevelsLut(LevelsSetting{})), 0);
}

TEST(Levels, AutoLevelsStretchesAllChannelsTogether) {
    LevelsHistogram histogram{};
    histogram[0][20] = histogram[0][200] = 1;
    histogram[1][30] = histogram[1][220] = 1;
    histogram[2][10] = histogram[2][180] = 1;
    const LevelsSetting setting = AutoLevelsParams(histogram);
    EXPECT_EQ(setting[0], Params(10, 220));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(setting[i], LevelsParams{});

    LevelsHistogram single{};
    single[0][77] = single[1][77] = single[2][77] = 5;
    LevelsHistogram full{};
    full[1][0] = full[2][255] = 1;
    const LevelsHistogram empty{};
    for (const LevelsHistogram* h : std::initializer_list<const LevelsHistogram*>{&single, &full, &empty}) EXPECT_TRUE(IsIdentity(AutoLevelsParams(*h)));
}

TEST(Levels, StatusLineWording) {
    EXPECT_EQ(ClippingStatusText(0, 300, 0), "Clipping: none");
    EXPECT_EQ(ClippingStatusText(3, 300, 0), "Clipping: 3 values (1.00%) become pure black or white");
    EXPECT_EQ(ClippingStatusText(1, 3, 4), "Clipping: 1 values (33.33%) become pure black or white    Merged tones: 4");
    EXPECT_EQ(ClippingStatusText(0, 1, 2), "Clipping: none    Merged tones: 2");
}

TEST(Levels, FieldsAreReadWithTheWindowLimits) {
    const LevelsParams start = Params(10, 245, 1.0);
    auto read = [&](LevelsFieldTexts texts) { return ReadLevelsFields(texts, start); };
    LevelsFieldTexts texts = FieldTextsFor(start);
    EXPECT_EQ(texts, (LevelsFieldTexts{"10", "1.00", "245", "0", "255"}));

    struct Case {
        const char* what;
        LevelsFieldTexts texts;
        LevelsParams expected;
    } const cases[] = {
        {"comma gamma", {"10", "1,5", "245", "0", "255"}, Params(10, 245, 1.5)},
        {"gamma 0", {"10", "0", "245", "0", "255"}, Params(10, 245, 1.0)},
        {"gamma 12", {"10", "12", "245", "0", "255"}, Params(10, 245, 1.0)},
        {"gamma text", {"10", "abc", "245", "0", "255"}, Params(10, 245, 1.0)},
        {"black 254", {"254", "1.00", "245", "0", "255"}, Params(253, 255, 1.0)},
        {"white below black", {"10", "1.00", "5", "0", "255"}, Params(10, 12, 1.0)},
        {"not numbers", {"x", "1.00", "255", "-4", "999"}, Params(0, 255, 1.0, 0, 255)},
        {"inverted output", {"0", "9.99", "255", "200", "20"}, Params(0, 255, 9.99, 200, 20)},
        {"huge", {"99999999999999999999999", "0.1", "255", "0", "1"}, Params(253, 255, 0.1, 0, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(c.texts), c.expected);
    }
}

TEST(Levels, MarkersArePickedAndDraggedOnTheInputScale) {
    const LevelsParams p = Params(10, 250, 1.0);  // gamma marker at 130
    EXPECT_DOUBLE_EQ(GammaMarkerPosition(p), 130.0);
    EXPECT_DOUBLE_EQ(GammaMarkerPosition(Params(0, 255, 2.0)), 63.75);
    EXPECT_EQ(CanvasValueAt(10 + 2 * 100 + 1, 532), 100);
    EXPECT_EQ(CanvasValueAt(0, 532), 0);
    EXPECT_EQ(CanvasValueAt(600, 532), 255);

    EXPECT_EQ(PickMarker(0, p), LevelsMarker::Black);
    EXPECT_EQ(PickMarker(70, p), LevelsMarker::Black);  // tie with gamma goes to black
    EXPECT_EQ(PickMarker(71, p), LevelsMarker::Gamma);
    EXPECT_EQ(PickMarker(190, p), LevelsMarker::Gamma);  // tie with white goes to gamma
    EXPECT_EQ(PickMarker(191, p), LevelsMarker::White);

    EXPECT_EQ(DragMarker(LevelsMarker::Black, 255, p).inBlack, 248);
    EXPECT_EQ(DragMarker(LevelsMarker::White, 0, p).inWhite, 12);
    EXPECT_NEAR(DragMarker(LevelsMarker::Gamma, 70, p).gamma, 2.0, 1e-12);  // t = 0.25
    EXPECT_NEAR(DragMarker(LevelsMarker::Gamma, 0, p).gamma, std::log(0.01) / std::log(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(DragMarker(LevelsMarker::Gamma, 255, p).gamma, 0.1);
}

TEST(Levels, CanvasShowsBarsShadeAndMarkers) {
    LevelsHistogram histogram{};
    histogram[0][100] = 400;
    histogram[0][101] = 100;  // half the height of sqrt: sqrt(1/4) * 146 = 73
    LevelsSetting setting{};
    setting[1] = Params(50, 200);
    Image canvas = *CreateImage(532, 168);
    RenderLevelsCanvas(canvas, histogram, setting, 1);
    const int x0 = 10;
    EXPECT_EQ(GetPixel(canvas, 0, 0), (Rgba{240, 240, 240, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 2 * 49 + 1, 10), (Rgba{70, 30, 30, 255}));    // below the black point
    EXPECT_EQ(GetPixel(canvas, x0 + 2 * 50, 10), (Rgba{30, 30, 30, 255}));        // inside the range
    EXPECT_EQ(GetPixel(canvas, x0 + 2 * 200 + 1, 10), (Rgba{30, 30, 30, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 2 * 200 + 2, 10), (Rgba{70, 30, 30, 255}));   // above the white point
    EXPECT_EQ(GetPixel(canvas, x0 + 511, 10), (Rgba{70, 30, 30, 255}));
    const Rgba red{230, 70, 70, 255};
    EXPECT_EQ(GetPixel(canvas, x0 + 200, 4), red);  // full bar: 146 high, from y 4
    EXPECT_EQ(GetPixel(canvas, x0 + 200, 3), (Rgba{30, 30, 30, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 203, 150 - 73), red);
    EXPECT_EQ(GetPixel(canvas, x0 + 203, 150 - 74), (Rgba{30, 30, 30, 255}));
    // Markers: black filled black at 110, white filled white at 410, gamma grey at 250.
    EXPECT_EQ(GetPixel(canvas, x0 + 100, 160), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 400, 160), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 250, 160), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 400, 164), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(GetPixel(canvas, x0 + 330, 160), (Rgba{240, 240, 240, 255}));
}

TEST(Levels, OkAsksBeforeClippingAndHonoursNo) {
    LevelsSetting setting{};
    setting[0] = Params(5, 255);
    ScriptedUi ui;
    EXPECT_EQ(LevelsOkDecision(LevelsSetting{}, 0, true, &ui), LevelsOkResult::CloseUnchanged);
    EXPECT_EQ(LevelsOkDecision(setting, 0, true, &ui), LevelsOkResult::Apply);
    EXPECT_EQ(LevelsOkDecision(setting, 7, false, &ui), LevelsOkResult::Apply);
    EXPECT_TRUE(ui.shown.empty());

    ui.ExpectMessage(Answer::No).ExpectMessage(Answer::Yes);
    EXPECT_EQ(LevelsOkDecision(setting, 7, true, &ui), LevelsOkResult::KeepOpen);
    EXPECT_EQ(LevelsOkDecision(setting, 7, true, &ui), LevelsOkResult::Apply);
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].box, BoxKind::WarningYesNo);
    EXPECT_EQ(ui.shown[0].caption, "Levels");
    EXPECT_EQ(ui.shown[0].text,
              "This adjustment clips 7 values to pure black or white.\nThat information is lost when you save.\n\n"
              "Apply anyway?");
}
