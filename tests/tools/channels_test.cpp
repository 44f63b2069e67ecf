#include "tools/channels.h"

#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"
#include "imageformats/tga.h"
#include "tools/resize.h"
#include "app/flow_fixture.h"

namespace {

Image OnePixel(Rgba pixel, int bitsPerPixel = 32) {
    Image image = *CreateImage(1, 1, 32);
    SetPixel(image, 0, 0, pixel);
    image.bitsPerPixel = bitsPerPixel;
    return image;
}

TEST(ChannelsTest, BuildersWriteTheFormulaOfEachPixel) {
    enum Op { Red, Green, Blue, Alpha, Remove, Invert };
    struct Case {
        Op op;
        Rgba in;
        int bits;
        Rgba expected;
    } const cases[] = {
        {Red, {255, 0, 0, 255}, 32, {255, 255, 255, 255}},
        {Green, {255, 0, 0, 255}, 32, {0, 0, 0, 255}},
        {Blue, {1, 2, 3, 4}, 32, {3, 3, 3, 255}},
        {Alpha, {1, 2, 3, 77}, 32, {77, 77, 77, 255}},
        {Alpha, {1, 2, 3, 77}, 24, {255, 255, 255, 255}},  // no alpha channel reads as opaque
        {Remove, {10, 20, 30, 0}, 32, {10, 20, 30, 255}},
        {Invert, {10, 20, 30, 200}, 32, {10, 20, 30, 55}},
        {Invert, {10, 20, 30, 77}, 24, {10, 20, 30, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << c.op << " bits " << c.bits);
        const Image source = OnePixel(c.in, c.bits);
        std::optional<Image> result;
        if (c.op <= Alpha) result = ExtractChannel(source, c.op);
        else if (c.op == Remove) result = RemoveAlpha(source);
        else result = InvertAlpha(source);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->bitsPerPixel, 32);
        EXPECT_EQ(GetPixel(*result, 0, 0), c.expected);
    }
}

TEST(ChannelsTest, ReadImagePixelsGoesRowByRowFromTheTop) {
    const Image image = testing_support::PatternImage(5, 3, true);
    const auto pixels = ReadImagePixels(image);
    ASSERT_TRUE(pixels);
    ASSERT_EQ(pixels->size(), 15u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ((*pixels)[std::size_t(y * 5 + x)], GetPixel(image, x, y));
}

TEST(ChannelsTest, MaskAlphaIsRec709LuminanceRoundedHalfUp) {
    struct Case {
        Rgba mask;
        int alpha;
    } const cases[] = {
        {{255, 255, 255, 0}, 255}, {{0, 0, 0, 255}, 0},    {{255, 0, 0, 255}, 54},
        {{0, 255, 0, 255}, 182},   {{0, 0, 255, 255}, 18}, {{128, 128, 128, 9}, 128},
    };
    const Image image = OnePixel({9, 8, 7, 100});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.mask.r) << "," << int(c.mask.g) << "," << int(c.mask.b));
        EXPECT_EQ(MaskLuminance(c.mask), c.alpha);
        const auto result = ApplyAlphaMask(image, OnePixel(c.mask));
        ASSERT_TRUE(result);
        EXPECT_EQ(GetPixel(*result, 0, 0), (Rgba{9, 8, 7, uint8_t(c.alpha)}));
    }
}

TEST(ChannelsTest, MaskOfAnotherSizeIsResampledFirst) {
    const Image image = testing_support::PatternImage(512, 512, true);
    const Image mask = testing_support::PatternImage(256, 256, false);
    const auto result = ApplyAlphaMask(image, mask);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->width, 512);
    ASSERT_EQ(result->height, 512);
    const auto resampled = ResampleImage(mask, 512, 512);
    ASSERT_TRUE(resampled);
    for (int y = 0; y < 512; y += 37)
        for (int x = 0; x < 512; x += 41) {
            const Rgba in = GetPixel(image, x, y), out = GetPixel(*result, x, y);
            EXPECT_EQ(out, (Rgba{in.r, in.g, in.b, MaskLuminance(GetPixel(*resampled, x, y))}));
        }

    // A mask of the same size is used pixel for pixel.
    const Image sameSizeMask = testing_support::PatternImage(256, 256, true);
    const auto same = ApplyAlphaMask(mask, sameSizeMask);
    ASSERT_TRUE(same);
    for (int x = 0; x < 256; x += 15) EXPECT_EQ(GetPixel(*same, x, 9).a, MaskLuminance(GetPixel(sameSizeMask, x, 9)));
}

class ChannelCommandTest : public ::testing::Test, public FlowFixture {
protected:
    std::string undoText() { return view.items[kCmdUndo].text; }
    void Open(const std::string& path) {
        OpenDocument(app, path, false);
        ASSERT_TRUE(app.doc.image);
    }
};

TEST_F(ChannelCommandTest, EachCommandCommitsWithItsLabelAndSuffix) {
    struct Case {
        int id;
        const char* label;
        const char* suffix;
        int hasAlphaAfter;
    } const cases[] = {
        {kCmdExtractRed, "Red channel as grayscale", "_red", 0},
        {kCmdExtractGreen, "Green channel as grayscale", "_green", 0},
        {kCmdExtractBlue, "Blue channel as grayscale", "_blue", 0},
        {kCmdExtractAlpha, "Alpha channel as grayscale", "_alpha", 0},
        {kCmdRemoveAlpha, "Alpha removed (fully opaque)", "_opaque", 0},
        {kCmdInvertAlpha, "Alpha inverted", "_invalpha", 1},
    };
    Open(WritePng("wall.png", 6, 4, true));
    ASSERT_EQ(app.doc.info.hasAlpha, 1);  // so extracting alpha asks nothing
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DispatchCommand(app, c.id);
        EXPECT_EQ(undoText(), std::string("Undo ") + c.label + "\tCtrl+Z");
        EXPECT_EQ(app.doc.info.note, c.label);
        EXPECT_EQ(app.doc.nameSuffix, c.suffix);
        EXPECT_EQ(app.doc.info.hasAlpha, c.hasAlphaAfter);
        EXPECT_EQ(view.title, "Serious Sam Glimmerkit - wall.png *");
        RevertToOriginal(app);
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ChannelCommandTest, WithoutAnImageEveryCommandAsksForAFile) {
    for (int id = kCmdChannelFirst; id <= kCmdNormalLast; ++id) DispatchCommand(app, id);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(12, "Please open a .tex file first."));
    EXPECT_EQ(ui.shown[0].box, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].caption, "Serious Sam Glimmerkit");
}

TEST_F(ChannelCommandTest, ExtractAlphaAsksFirstWhenTheImageHasNoTransparency) {
    const std::string path = dir.file("photo.jpg");
    ASSERT_TRUE(SaveJpeg(testing_support::PatternImage(8, 8, false), path, 90));
    Open(path);
    ui.ExpectMessage(Answer::No).ExpectMessage(Answer::Yes);
    ChannelCommand(app, kCmdExtractAlpha);
    EXPECT_EQ(app.doc.nameSuffix, "");
    ChannelCommand(app, kCmdExtractAlpha);
    EXPECT_EQ(app.doc.nameSuffix, "_alpha");
    EXPECT_EQ(GetPixel(*app.doc.image, 3, 3), (Rgba{255, 255, 255, 255}));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].box, BoxKind::YesNo);
    EXPECT_EQ(ui.shown[0].caption, "Serious Sam Glimmerkit");
    EXPECT_EQ(ui.shown[0].text,
              "This image has no transparency; the alpha channel is completely white.\nExtract it anyway?");
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(ChannelCommandTest, InvertTwiceRestoresThePixelsAndSuffixesAccumulate) {
    Open(WritePng("wall.png", 6, 4, true));
    const Image original = *CopyImage(*app.doc.image);
    ChannelCommand(app, kCmdInvertAlpha);
    ChannelCommand(app, kCmdInvertAlpha);
    EXPECT_TRUE(testing_support::SamePixels(*app.doc.image, original));
    EXPECT_EQ(app.history.entries.size(), 3u);
    ChannelCommand(app, kCmdExtractRed);
    EXPECT_EQ(app.doc.nameSuffix, "_invalpha_invalpha_red");
}

TEST_F(ChannelCommandTest, LoadAlphaFromAMaskFile) {
    Open(WritePng("wall.png", 4, 2, false));
    app.doc.lastOpenFolder = dir.path().string() + "/";
    Image maskImage = *CreateImage(4, 2, 32, {0, 0, 0, 255});
    SetPixel(maskImage, 1, 0, {255, 0, 0, 255});
    ASSERT_TRUE(SaveTga(maskImage, dir.file("mask.tga"), false));

    ui.ExpectOpenDialog({});  // cancelled
    ChannelCommand(app, kCmdLoadAlpha);
    ASSERT_EQ(ui.shown.size(), 1u);
    const FileDialogRequest& request = ui.shown[0].request;
    EXPECT_EQ(request.title, "Choose a mask (white = opaque, black = transparent)");
    EXPECT_EQ(request.folder, app.doc.lastOpenFolder);
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].patterns, "*.tex;*.tga;*.png;*.pcx;*.bmp;*.tif;*.tiff;*.jpg;*.jpeg;*.dds");
    EXPECT_EQ(request.filters[1].patterns, "*.*");
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_EQ(app.doc.nameSuffix, "");

    ui.ExpectOpenDialog({{dir.file("missing.tga")}, 0}).ExpectMessage(Answer::Ok);
    ChannelCommand(app, kCmdLoadAlpha);
    EXPECT_EQ(ui.shown.back().box, BoxKind::Error);
    EXPECT_EQ(ui.shown.back().text, "missing.tga could not be loaded:\nThe file cannot be opened.");
    EXPECT_EQ(app.doc.nameSuffix, "");

    ui.ExpectOpenDialog({{dir.file("mask.tga")}, 0});
    ChannelCommand(app, kCmdLoadAlpha);
    EXPECT_EQ(app.doc.nameSuffix, "_withalpha");
    EXPECT_EQ(undoText(), "Undo Alpha loaded from mask.tga\tCtrl+Z");
    EXPECT_EQ(app.doc.info.hasAlpha, 1);
    EXPECT_EQ(GetPixel(*app.doc.image, 0, 0).a, 0);
    EXPECT_EQ(GetPixel(*app.doc.image, 1, 0).a, 54);
    EXPECT_EQ(app.doc.lastOpenFolder, dir.path().string() + "/");  // the mask's folder is not remembered
    EXPECT_TRUE(ui.unexpected.empty());
    EXPECT_TRUE(ui.AllAnswered());
}

}  // namespace
