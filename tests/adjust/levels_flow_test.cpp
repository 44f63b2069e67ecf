// The levels and auto levels commands on a document: the undo steps they record, the clip count
// that reaches the save warning, and what they say when there is nothing to do.
#include <gtest/gtest.h>

#include "adjust/levels.h"
#include "app/commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/open_flow.h"
#include "app/save_flow.h"
#include "../app/flow_fixture.h"
#include "imageformats/library_writers.h"

namespace {

class LevelsFlowTest : public ::testing::Test, public FlowFixture {
protected:
    // Red 20..200, green 30..220, blue 10..180, one transparent pixel at the extremes.
    void OpenSpread() {
        Image image = *CreateImage(3, 2);
        SetPixel(image, 0, 0, {20, 30, 10, 255});
        SetPixel(image, 1, 0, {200, 220, 180, 255});
        SetPixel(image, 2, 0, {100, 100, 100, 255});
        SetPixel(image, 0, 1, {0, 255, 0, 0});
        SetPixel(image, 1, 1, {50, 60, 70, 255});
        SetPixel(image, 2, 1, {60, 70, 80, 255});
        const std::string path = dir.file("spread.png");
        ASSERT_TRUE(SavePng(image, path, true));
        OpenDocument(app, path, false);
        ASSERT_TRUE(app.doc.image);
    }
    void OpenUniform(Rgba colour) {
        Image image = *CreateImage(4, 4, 32, colour);
        const std::string path = dir.file("uniform.png");
        ASSERT_TRUE(SavePng(image, path, true));
        OpenDocument(app, path, false);
        ASSERT_TRUE(app.doc.image);
    }
    // A levels window that answers with setting, asking OK's question through the main Ui.
    LevelsWindowRunner Window(LevelsSetting chosen, int& opened) {
        return [this, chosen, &opened](const Image& image, LevelsSetting& setting, int64_t& clipCount) {
            ++opened;
            const int64_t count = ClipCount(ChannelHistogram(image), BuildClipMap(chosen));
            for (;;) {
                const LevelsOkResult result = LevelsOkDecision(chosen, count, app.prefs.warnClipping != 0, app.ui);
                if (result == LevelsOkResult::CloseUnchanged) return false;
                if (result == LevelsOkResult::Apply) break;
                // The user said No: the window stays open; here the user then cancels.
                return false;
            }
            setting = chosen;
            clipCount = count;
            return true;
        };
    }
};

TEST_F(LevelsFlowTest, NeedsAnImage) {
    int opened = 0;
    ui.ExpectMessage(Answer::Ok).ExpectMessage(Answer::Ok);
    LevelsCommand(app, Window(LevelsSetting{}, opened));
    DispatchCommand(app, kCmdAutoLevels);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"Please open a .tex file first.",
                                                           "Please open a .tex file first."}));
}

TEST_F(LevelsFlowTest, AutoLevelsStretchesTheUsedRangeAsOneStep) {
    OpenSpread();
    DispatchCommand(app, kCmdAutoLevels);
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(app.history.entries.size(), 2u);
    EXPECT_EQ(app.history.entries[1].label, "Auto levels (10 - 220 stretched to 0 - 255)");
    EXPECT_EQ(app.doc.nameSuffix, "_autolevels");
    EXPECT_EQ(GetPixel(*app.doc.image, 0, 0), (Rgba{12, 24, 0, 255}));
    EXPECT_EQ(GetPixel(*app.doc.image, 1, 0), (Rgba{231, 255, 206, 255}));
    EXPECT_EQ(GetPixel(*app.doc.image, 0, 1), (Rgba{0, 255, 0, 0}));  // transparent: outside the range, alpha kept
    EXPECT_EQ(ClippedValueCount(app.history), 0);
}

TEST_F(LevelsFlowTest, AutoLevelsHasNothingToDoOnFullOrFlatImages) {
    const char* message =
        "This image already uses the full range from black to white.\nAuto levels has nothing to change.";
    const Rgba colours[] = {{0, 0, 0, 0}, {128, 128, 128, 255}};
    for (Rgba colour : colours) {
        SCOPED_TRACE(int(colour.a));
        ui.shown.clear();
        OpenUniform(colour);
        ui.ExpectMessage(Answer::Ok);
        AutoLevelsCommand(app);
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{message});
        EXPECT_EQ(app.history.entries.size(), 1u);
    }
    ui.shown.clear();
    OpenDocument(app, WritePng("pattern.png", 256, 4, false), false);  // red runs 0..255
    ui.ExpectMessage(Answer::Ok);
    AutoLevelsCommand(app);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{message});
}

TEST_F(LevelsFlowTest, ClipCountReachesTheSaveWarningAndNoKeepsTheImage) {
    OpenSpread();
    LevelsSetting setting{};
    setting[0].inBlack = 25;  // red 20 and blue 10 clip to black
    setting[0].inWhite = 210;  // green 220 clips to white
    int opened = 0;

    ui.ExpectMessage(Answer::No);
    LevelsCommand(app, Window(setting, opened));
    EXPECT_EQ(app.history.entries.size(), 1u);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].caption, "Levels");
    EXPECT_EQ(ui.shown[0].text,
              "This adjustment clips 3 values to pure black or white.\nThat information is lost when you save.\n\n"
              "Apply anyway?");

    ui.ExpectMessage(Answer::Yes);
    LevelsCommand(app, Window(setting, opened));
    ASSERT_EQ(app.history.entries.size(), 2u);
    EXPECT_EQ(app.history.entries[1].label, "Levels");
    EXPECT_EQ(app.history.entries[1].clipCount, 3);
    EXPECT_EQ(app.doc.pendingClipCount, 0);
    EXPECT_EQ(app.doc.nameSuffix, "_levels");
    EXPECT_EQ(GetPixel(*app.doc.image, 0, 0), (Rgba{0, 7, 0, 255}));
    EXPECT_EQ(GetPixel(*app.doc.image, 1, 0), (Rgba{241, 255, 214, 255}));

    ui.shown.clear();
    ui.ExpectMessage(Answer::No);
    EXPECT_FALSE(CheckDataLoss(app, "tga"));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              "Saving as TGA loses information:\n\n- Clipping: your adjustments pushed 3 values to pure black or "
              "white.\n\nSave anyway?");

    // With the warning turned off the window applies without asking; an identity setting records nothing.
    app.prefs.warnClipping = 0;
    ui.shown.clear();
    LevelsCommand(app, Window(setting, opened));
    LevelsCommand(app, Window(LevelsSetting{}, opened));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(app.history.entries.size(), 3u);
    EXPECT_EQ(opened, 4);
}

}  // namespace
