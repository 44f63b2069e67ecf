#include "tools/normal_maps.h"

#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/flow_fixture.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"

namespace {

Image FromRows(int width, int height, std::initializer_list<Rgba> pixels) {
    Image image = *CreateImage(width, height, 32);
    int i = 0;
    for (const Rgba& p : pixels) SetPixel(image, i % width, i / width, p), ++i;
    return image;
}

// Black left half, white right half.
Image VerticalStep(int width, int height) {
    Image image = *CreateImage(width, height, 32, {0, 0, 0, 255});
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) SetPixel(image, x, y, {255, 255, 255, 255});
    return image;
}

TEST(NormalMapsTest, EncodeNormalMapsMinusOneZeroAndOne) {
    EXPECT_EQ(EncodeNormal(-1.0, 0.0, 1.0, 7), (Rgba{0, 128, 255, 7}));
}

TEST(NormalMapsTest, TransformsWriteTheWorkedValues) {
    struct Case {
        int mode;
        Rgba in, expected;
    } const cases[] = {
        {kFlipGreen, {128, 128, 255, 77}, {128, 127, 255, 77}},
        {kFlipRed, {0, 10, 20, 30}, {255, 10, 20, 30}},
        {kRebuildZ, {128, 128, 0, 9}, {128, 128, 255, 9}},
        {kRebuildZ, {255, 255, 40, 9}, {255, 255, 128, 9}},  // x^2 + y^2 > 1: z = 0
        {kNormalize, {128, 128, 128, 200}, {201, 201, 201, 200}},
        {kNormalize, {255, 128, 128, 0}, {255, 128, 128, 0}},  // already (nearly) unit length
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        const auto result = TransformNormalMap(FromRows(1, 1, {c.in}), c.mode);
        ASSERT_TRUE(result);
        EXPECT_EQ(GetPixel(*result, 0, 0), c.expected);
    }
}

TEST(NormalMapsTest, FlipTwiceRestoresAndRebuildZKeepsRedAndGreen) {
    // Every red/green pair once.
    Image image = *CreateImage(256, 256, 32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) SetPixel(image, x, y, {uint8_t(x), uint8_t(y), uint8_t(x ^ y), uint8_t(y)});
    for (int mode : {int(kFlipGreen), int(kFlipRed)}) {
        const auto twice = TransformNormalMap(*TransformNormalMap(image, mode), mode);
        ASSERT_TRUE(twice);
        EXPECT_TRUE(testing_support::SamePixels(*twice, image));
    }
    const auto rebuilt = TransformNormalMap(image, kRebuildZ);
    ASSERT_TRUE(rebuilt);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const Rgba p = GetPixel(*rebuilt, x, y);
            ASSERT_EQ(p.r, x);
            ASSERT_EQ(p.g, y);
            ASSERT_EQ(p.a, y);
        }
}

TEST(NormalMapsTest, FlatOrSinglePixelHeightMapsPointStraightOut) {
    struct Case {
        int width, height;
        Rgba colour;
        double strength;
    } const cases[] = {
        {1, 1, {200, 10, 90, 0}, 2.0},
        {7, 3, {50, 60, 70, 128}, 0.1},
        {4, 4, {255, 255, 255, 255}, 1e300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " strength " << c.strength);
        const auto result = HeightToNormalMap(*CreateImage(c.width, c.height, 32, c.colour), c.strength);
        ASSERT_TRUE(result);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) EXPECT_EQ(GetPixel(*result, x, y), (Rgba{128, 128, 255, 255}));
    }
}

TEST(NormalMapsTest, StepLeansLeftAtTheStepAndRightAtTheWrappedBorder) {
    // Columns 0-3 black, 4-7 white; the image tiles, so column 0 meets column 7.
    const auto result = HeightToNormalMap(VerticalStep(8, 4), 1.0);
    ASSERT_TRUE(result);
    // Next to an edge the gradient is 4 (1 + 2 + 1): (-4, 0, 1) / sqrt(17).
    const struct {
        int x;
        Rgba expected;
    } columns[] = {
        {0, {251, 128, 158, 255}}, {1, {128, 128, 255, 255}}, {3, {4, 128, 158, 255}},
        {4, {4, 128, 158, 255}},   {6, {128, 128, 255, 255}}, {7, {251, 128, 158, 255}},
    };
    for (const auto& c : columns) {
        SCOPED_TRACE(c.x);
        for (int y = 0; y < 4; ++y) EXPECT_EQ(GetPixel(*result, c.x, y), c.expected);
    }

    // A strength whose squares overflow still gives a proper direction: flat along X.
    const auto extreme = HeightToNormalMap(VerticalStep(8, 4), 1e300);
    ASSERT_TRUE(extreme);
    EXPECT_EQ(GetPixel(*extreme, 3, 0), (Rgba{0, 128, 128, 255}));
    EXPECT_EQ(GetPixel(*extreme, 0, 0), (Rgba{255, 128, 128, 255}));
}

TEST(NormalMapsTest, RisingTowardTheTopLeansGreenDown) {
    // One column whose rows get brighter upward: 255, 170, 85, 0 from the top.
    const Image ramp = FromRows(1, 4, {{255, 255, 255, 255}, {170, 170, 170, 255}, {85, 85, 85, 255}, {0, 0, 0, 255}});
    const auto result = HeightToNormalMap(ramp, 2.0);
    ASSERT_TRUE(result);
    EXPECT_LT(GetPixel(*result, 0, 1).g, 128);
    EXPECT_LT(GetPixel(*result, 0, 2).g, 128);
    EXPECT_EQ(GetPixel(*result, 0, 1).r, 128);
}

TEST(NormalMapsTest, StrengthTextReadsCommaAndLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    } const cases[] = {{"2,5", 2.5}, {"2.5", 2.5}, {" 3", 3.0}, {"abc", 0.0}, {"0", 0.0}, {"-1", -1.0}, {"1.5x", 1.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(ParseNormalStrength(c.text), c.value);
    }
    EXPECT_EQ(NormalStrengthText(2.0), "2.0");
    EXPECT_EQ(NormalStrengthText(2.5), "2.5");
    EXPECT_EQ(NormalStrengthText(0.04), "0.0");
}

class NormalMapCommandTest : public ::testing::Test, public FlowFixture {
protected:
    void SetUp() override {
        OpenDocument(app, WritePng("wall.png", 6, 4, true), false);
        ASSERT_TRUE(app.doc.image);
    }
    std::string undoText() { return view.items[kCmdUndo].text; }
};

TEST_F(NormalMapCommandTest, TransformsCommitWithTheirLabelsAndSuffixes) {
    struct Case {
        int id;
        const char* label;
        const char* suffix;
    } const cases[] = {
        {24, "Normal map: green flipped", "_flipg"},
        {25, "Normal map: red flipped", "_flipr"},
        {26, "Normal map: blue (Z) rebuilt from red and green", "_z"},
        {27, "Normal map: normalized", "_norm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DispatchCommand(app, c.id);
        EXPECT_EQ(undoText(), std::string("Undo ") + c.label + "\tCtrl+Z");
        EXPECT_EQ(app.doc.nameSuffix, c.suffix);
        RevertToOriginal(app);
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(NormalMapCommandTest, CreateFromHeightMapAsksForTheStrength) {
    app.prefs.normalStrength = 4.0;
    ui.ExpectInput(std::nullopt).ExpectInput("").ExpectInput("0").ExpectMessage(Answer::Ok);
    ui.ExpectInput("abc").ExpectMessage(Answer::Ok).ExpectInput("2,5");
    for (int i = 0; i < 5; ++i) DispatchCommand(app, kCmdNormalLast);

    const ScriptedUi::Shown& first = ui.shown[0];
    EXPECT_EQ(first.kind, ScriptedUi::Kind::Input);
    EXPECT_EQ(first.caption, "Serious Sam Glimmerkit");
    EXPECT_EQ(first.text,
              "Create a normal map from this image (light = high, dark = low).\nStrength (1 = subtle, 2 = normal, 5 = strong):");
    EXPECT_EQ(first.initial, "4.0");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(2, "Please enter a number larger than 0."));
    EXPECT_EQ(ui.shown[3].box, BoxKind::Error);
    EXPECT_EQ(undoText(), "Undo Normal map from height map (strength 2.5, OpenGL style: green up)\tCtrl+Z");
    EXPECT_EQ(app.doc.nameSuffix, "_NM");
    EXPECT_EQ(app.history.entries.size(), 2u);
    EXPECT_EQ(GetPixel(*app.doc.image, 0, 0).a, 255);
    EXPECT_DOUBLE_EQ(app.prefs.normalStrength, 4.0);
    EXPECT_TRUE(ui.unexpected.empty());
    EXPECT_TRUE(ui.AllAnswered());
}

}  // namespace
