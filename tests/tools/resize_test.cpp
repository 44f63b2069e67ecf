#include "tools/resize.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/history_commands.h"
#include "app/recording_view.h"
#include "platform/scripted_ui.h"
#include "test_support.h"

using testing_support::PatternImage;

TEST(ResizeTest, PowerOfTwoRounding) {
    struct Case {
        int64_t n, floor, nearest;
    } cases[] = {
        {-5, 1, 1}, {0, 1, 1},     {1, 1, 1},       {2, 2, 2},       {3, 2, 2},
        {300, 256, 256}, {384, 256, 256}, {385, 256, 512}, {500, 256, 512}, {1024, 1024, 1024},
        {int64_t(1) << 40, int64_t(1) << 40, int64_t(1) << 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(FloorPowerOfTwo(c.n), c.floor);
        EXPECT_EQ(NearestPowerOfTwo(c.n), c.nearest);
    }
}

TEST(ResizeTest, FitSs1SizeTable) {
    struct Case {
        int width, height, limit;
        ImageSize fitted;
    } cases[] = {
        {2048, 1000, 1024, {1024, 512}},
        {2048, 1024, 1024, {1024, 512}},
        {300, 200, 1024, {256, 256}},   // each side on its own: the aspect is not kept
        {4096, 16, 1024, {1024, 4}},
        {16384, 1, 1024, {1024, 1}},    // 1/16 rounds to 0 and is raised to 1
        {1024, 1024, 1024, {1024, 1024}},
        {1500, 700, 1024, {1024, 512}},  // 477.9 -> 478 -> 512
        {1, 1, 1024, {1, 1}},
        {3000, 3000, 1000, {1000, 1000}},  // a limit that is no power of two caps the sides
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(FitSs1Size(c.width, c.height, c.limit), c.fitted);
    }
}

TEST(ResizeTest, HalvingWeightsColoursByAlpha) {
    Image pair = *CreateImage(2, 1);
    SetPixel(pair, 0, 0, {255, 0, 0, 255});
    SetPixel(pair, 1, 0, {0, 255, 0, 0});
    Image half = *HalveImage(pair, true, false);
    ASSERT_EQ(half.width, 1);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(GetPixel(half, 0, 0), (Rgba{255, 0, 0, 127}));

    SetPixel(pair, 0, 0, {10, 20, 30, 0});
    EXPECT_EQ(GetPixel(*HalveImage(pair, true, false), 0, 0), (Rgba{10, 20, 30, 0}));

    // Unequal weights, truncated: red (200*100 + 100*50) / 150 = 166, alpha 150 / 2 = 75.
    SetPixel(pair, 0, 0, {200, 0, 0, 100});
    SetPixel(pair, 1, 0, {100, 0, 0, 50});
    EXPECT_EQ(GetPixel(*HalveImage(pair, true, false), 0, 0), (Rgba{166, 0, 0, 75}));
}

// The straightforward definition of the box filter, against which the fast one is checked.
static Rgba ReferenceBox(const Image& src, int x, int y, bool hx, bool hy) {
    uint32_t sum[3] = {}, alphaSum = 0, count = 0;
    Rgba first{};
    for (int dy = 0; dy <= int(hy); ++dy)
        for (int dx = 0; dx <= int(hx); ++dx) {
            const int sx = std::min(x * (1 + hx) + dx, src.width - 1);
            const int sy = std::min(y * (1 + hy) + dy, src.height - 1);
            const Rgba p = GetPixel(src, sx, sy);
            if (count == 0) first = p;
            sum[0] += p.r * p.a;
            sum[1] += p.g * p.a;
            sum[2] += p.b * p.a;
            alphaSum += p.a;
            ++count;
        }
    if (alphaSum == 0) return {first.r, first.g, first.b, 0};
    return {uint8_t(sum[0] / alphaSum), uint8_t(sum[1] / alphaSum), uint8_t(sum[2] / alphaSum),
            uint8_t(alphaSum / count)};
}

// Pseudo-random pixels: the top rows opaque, below them a mix of opaque, fully transparent
// and partly transparent pixels, so that every kind of box (and many alpha sums) occurs.
static Image MixedAlphaImage(int width, int height) {
    Image image = *CreateImage(width, height);
    uint32_t state = 12345;
    auto next = [&] { return uint8_t((state = state * 1103515245u + 12345u) >> 23); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t r = next(), g = next(), b = next(), kind = next();
            const uint8_t a = y < 2 || kind < 64 ? 255 : kind < 128 ? 0 : next();
            SetPixel(image, x, y, {r, g, b, a});
        }
    return image;
}

TEST(ResizeTest, HalvingMatchesTheBoxDefinitionInEveryDirection) {
    // Odd sizes drop the last column or row; sides of 1 stay 1.
    struct Case {
        int width, height;
        bool hx, hy;
        int outWidth, outHeight;
    } cases[] = {
        {7, 5, true, true, 3, 2},  {7, 5, true, false, 3, 5}, {7, 5, false, true, 7, 2},
        {7, 5, false, false, 7, 5}, {1, 6, true, true, 1, 3},  {6, 1, true, true, 3, 1},
        {1, 1, true, true, 1, 1},  {257, 131, true, true, 128, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " +
                     std::to_string(c.hx) + std::to_string(c.hy));
        Image src = MixedAlphaImage(c.width, c.height);
        const Image before = *CopyImage(src);
        Image half = *HalveImage(src, c.hx, c.hy);
        ASSERT_EQ(half.width, c.outWidth);
        ASSERT_EQ(half.height, c.outHeight);
        EXPECT_EQ(half.bitsPerPixel, 32);
        for (int y = 0; y < half.height; ++y)
            for (int x = 0; x < half.width; ++x)
                ASSERT_EQ(GetPixel(half, x, y), ReferenceBox(src, x, y, c.hx, c.hy)) << x << "," << y;
        EXPECT_TRUE(testing_support::SamePixels(src, before));
    }
}

TEST(ResizeTest, ResampleHalvesThenFinishesBilinearly) {
    Image src = PatternImage(1024, 1024);
    // 1024 -> 300: one halving to 512, then 512 -> 300 bilinearly.
    Image viaHalf = *ResizeBilinear(*HalveImage(src, true, true), 300, 300);
    EXPECT_TRUE(testing_support::SamePixels(*ResampleImage(src, 300, 300), viaHalf));

    // 1024 x 1024 -> 256 x 1024: two halvings in width only, no bilinear step.
    Image narrow = *HalveImage(*HalveImage(src, true, false), true, false);
    EXPECT_TRUE(testing_support::SamePixels(*ResampleImage(src, 256, 1024), narrow));

    // Same size: an equal copy.
    Image same = *ResampleImage(src, 1024, 1024);
    EXPECT_TRUE(testing_support::SamePixels(same, src));
    EXPECT_NE(same.pixels.data(), src.pixels.data());
}

TEST(ResizeTest, EnlargementIsOneCentreAlignedBilinearStep) {
    // 2 x 1 -> 4 x 1: sample positions -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
    Image src = *CreateImage(2, 1);
    SetPixel(src, 0, 0, {0, 0, 0, 255});
    SetPixel(src, 1, 0, {255, 100, 40, 255});
    Image out = *ResampleImage(src, 4, 1);
    EXPECT_EQ(GetPixel(out, 0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(GetPixel(out, 1, 0), (Rgba{64, 25, 10, 255}));
    EXPECT_EQ(GetPixel(out, 2, 0), (Rgba{191, 75, 30, 255}));
    EXPECT_EQ(GetPixel(out, 3, 0), (Rgba{255, 100, 40, 255}));
}

TEST(ResizeTest, ResampleRefusesSizesNoImageMayHave) {
    Image src = PatternImage(8, 8);
    EXPECT_FALSE(ResampleImage(src, 0, 4));
    EXPECT_FALSE(ResampleImage(src, 4, -1));
    EXPECT_FALSE(ResampleImage(src, kMaxImageSide + 1, 1));
}

TEST(ResizeTest, SizeTexts) {
    struct Case {
        const char* text;
        int64_t value;
    } cases[] = {
        {"300", 300}, {" 64 ", 64}, {"+8", 8}, {"-5", -5}, {"", 0}, {"abc", 0},
        {"12px", 0}, {"1 2", 0}, {"-", 0}, {"99999999999999999999", 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SizeTextValue(c.text), c.value);
    }
}

TEST(ResizeTest, KeepAspectLinksTheOtherSide) {
    // A 1024 x 512 image: width typed 256 -> 128, 100 -> 50, 3 -> 2 (1.5 + 0.5 truncated).
    EXPECT_EQ(AspectLinkedText("256", 1024, 512), "128");
    EXPECT_EQ(AspectLinkedText("100", 1024, 512), "50");
    EXPECT_EQ(AspectLinkedText("3", 1024, 512), "2");
    EXPECT_EQ(AspectLinkedText("1", 1024, 512), "1");  // 0.5 + 0.5
    // Height typed: width := round(1024 x h / 512).
    EXPECT_EQ(AspectLinkedText("7", 512, 1024), "14");
    // Nothing usable typed: the other side is left alone.
    EXPECT_EQ(AspectLinkedText("0", 1024, 512), std::nullopt);
    EXPECT_EQ(AspectLinkedText("", 1024, 512), std::nullopt);
    EXPECT_EQ(AspectLinkedText("x", 1024, 512), std::nullopt);
}

TEST(ResizeTest, OkAcceptsSidesFromOneTo16384) {
    struct Case {
        const char* width;
        const char* height;
        std::optional<ImageSize> size;
    } cases[] = {
        {"16384", "16384", ImageSize{16384, 16384}},
        {"300", "1", ImageSize{300, 1}},
        {"16385", "16", std::nullopt},
        {"16", "16385", std::nullopt},
        {"0", "16", std::nullopt},
        {"-4", "16", std::nullopt},
        {"abc", "16", std::nullopt},
        {"16", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        EXPECT_EQ(ValidateResizeTexts(c.width, c.height), c.size);
    }
    EXPECT_STREQ(kInvalidSizeMessage, "Invalid size");
}

namespace {

// A document opened the way the open flow leaves it, with a fresh "Original" history.
struct ResizeFixture {
    RecordingView view;
    ScriptedUi ui;
    AppState app;

    ResizeFixture(int width, int height, int kind, int firstMip) {
        app.view = &view;
        app.ui = &ui;
        app.doc.image = PatternImage(width, height);
        app.doc.path = "/textures/wall.tex";
        app.doc.info.kind = kind;
        app.doc.info.width = width;
        app.doc.info.height = height;
        app.doc.info.firstMip = firstMip;
        app.doc.info.note = "as opened";
        SetStatusDescription(app, "opened");
        ResetHistory(app.history, *app.doc.image, CaptureHistoryEntry(app.doc, "Original"));
    }
};

}  // namespace

TEST(ResizeDocumentTest, FirstMipFollowsExactPowerOfTwoReductionsOfSs1Textures) {
    struct Case {
        int kind, width, height, newWidth, newHeight, firstMip;
    } cases[] = {
        {1, 512, 512, 128, 128, 2},
        {1, 512, 512, 300, 300, 0},
        {1, 512, 256, 256, 64, 0},    // width halved, height quartered: not one ratio
        {1, 512, 513, 128, 128, 2},   // the height ratio is an integer division
        {1, 512, 512, 96, 96, 0},     // 512 is no multiple of 96
        {1, 256, 256, 512, 512, 0},   // enlargements never move it
        {1, 1024, 1024, 1024, 512, 0},  // ratio 1 on the width
        {0, 512, 512, 128, 128, 0},   // other images never change it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + ": " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                     " -> " + std::to_string(c.newWidth) + " x " + std::to_string(c.newHeight));
        ResizeFixture f(c.width, c.height, c.kind, 0);
        EXPECT_TRUE(ResizeDocument(f.app, c.newWidth, c.newHeight));
        EXPECT_EQ(f.app.doc.info.firstMip, c.firstMip);
        EXPECT_EQ(f.app.doc.image->width, c.newWidth);
        EXPECT_EQ(f.app.doc.info.height, c.newHeight);
    }
}

TEST(ResizeDocumentTest, RecordsAResizeStepThatUndoReverts) {
    ResizeFixture f(512, 512, 1, 1);
    f.app.doc.info.hasAlpha = 1;
    f.app.doc.nameSuffix = "_levels";
    ASSERT_TRUE(ResizeDocument(f.app, 128, 128));
    EXPECT_EQ(f.app.doc.info.note, "Resized from 512 x 512   ");
    EXPECT_EQ(f.app.doc.statusText, "128 x 128  (resized)");
    EXPECT_EQ(f.view.status[1], "128 x 128  (resized)");
    EXPECT_EQ(f.app.doc.info.firstMip, 3);
    EXPECT_EQ(f.app.doc.info.hasAlpha, 1);
    EXPECT_EQ(f.app.doc.nameSuffix, "_levels");
    ASSERT_EQ(f.app.history.entries.size(), 2u);
    EXPECT_EQ(f.app.history.entries[1].label, "Resize");
    EXPECT_EQ(f.view.items[30].text, "Undo Resize\tCtrl+Z");

    Undo(f.app);
    EXPECT_EQ(f.app.doc.image->width, 512);
    EXPECT_EQ(f.app.doc.info.width, 512);
    EXPECT_EQ(f.app.doc.info.height, 512);
    EXPECT_EQ(f.app.doc.info.firstMip, 1);
    EXPECT_EQ(f.app.doc.info.note, "as opened");
    EXPECT_TRUE(f.ui.shown.empty());
}

TEST(ResizeDocumentTest, HdrDocumentLosesItsHdrState) {
    ResizeFixture f(64, 32, 0, 0);
    f.app.doc.info.isHdr = 1;
    ASSERT_TRUE(ResizeDocument(f.app, 32, 16));
    EXPECT_EQ(f.app.doc.info.isHdr, 0);
    EXPECT_EQ(f.app.doc.info.note,
              "Resized from 64 x 32   HDR texture resized: the current exposure is now part of the image");
}

TEST(ResizeDocumentTest, SameSizeOrNoImageRecordsNothing) {
    ResizeFixture f(256, 256, 1, 0);
    EXPECT_TRUE(ResizeDocument(f.app, 256, 256));
    EXPECT_EQ(f.app.history.entries.size(), 1u);
    EXPECT_EQ(f.app.doc.info.note, "as opened");

    AppState empty;
    EXPECT_FALSE(ResizeDocument(empty, 16, 16));
    EXPECT_TRUE(empty.history.entries.empty());
}

TEST(ResizeDocumentTest, FailedResampleShowsTheMemoryMessageAndChangesNothing) {
    ResizeFixture f(16, 16, 1, 0);
    f.ui.ExpectMessage(Answer::Ok);
    EXPECT_FALSE(ResizeDocument(f.app, kMaxImageSide + 1, 16));
    ASSERT_EQ(f.ui.MessageTexts(), std::vector<std::string>{"Not enough memory to resize the image."});
    EXPECT_EQ(f.ui.shown[0].box, BoxKind::Error);
    EXPECT_EQ(f.app.doc.image->width, 16);
    EXPECT_EQ(f.app.history.entries.size(), 1u);
}
