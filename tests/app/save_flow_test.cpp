#include "app/save_flow.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "app/history_commands.h"
#include "app/open_flow.h"
#include "flow_fixture.h"
#include "platform/file_io.h"

namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

class SaveFlowTest : public ::testing::Test, public FlowFixture {
protected:
    void Open(const std::string& name, int width, int height, bool alpha) {
        OpenDocument(app, WritePng(name, width, height, alpha), false);
        ASSERT_TRUE(app.doc.image);
    }
    FileDialogResult Chosen(const std::string& name, int filter) {
        FileDialogResult r;
        r.paths = {dir.file(name)};
        r.filterIndex = filter;
        return r;
    }
};

TEST_F(SaveFlowTest, DataLossLinesAppearInOrderForEachFormat) {
    Open("wall.png", 300, 200, true);
    app.doc.info.isHdr = 1;
    app.hdr.exposure = -1.0;
    app.history.entries[0].clipCount = 0;
    ASSERT_TRUE(CommitEdit(app, testing_support::PatternImage(300, 200), "Levels", "_levels"));
    app.history.entries.back().clipCount = 12;
    app.doc.info.isHdr = 1;  // pretend the source is still shown through exposure

    const std::string hdr =
        "- HDR brightness: %F stores the image as shown (exposure -1.0 EV, editor clip). Brightness beyond white is "
        "lost; use .hdr to keep it.\n";
    const std::string clip = "- Clipping: your adjustments pushed 12 values to pure black or white.\n";
    auto with = [](std::string text, const std::string& word) { return text.replace(text.find("%F"), 2, word); };
    struct Case {
        std::string ext, expected;
    };
    const Case cases[] = {
        {"jpeg", "Saving as JPG loses information:\n\n" + with(hdr, "JPG") + "- Transparency: JPG has no alpha channel.\n" +
                     clip + "- Image detail: JPG compression slightly changes the image (lossy).\n\nSave anyway?"},
        {"tex", "Saving as Serious Sam 1 .tex loses information:\n\n" + with(hdr, "Serious Sam 1 .tex") +
                    "- Size: 300 x 200 is not a power of 2; Serious Sam 1 may not show it correctly.\n" + clip +
                    "\nSave anyway?"},
        {"tga", "Saving as TGA loses information:\n\n" + with(hdr, "TGA") + clip + "\nSave anyway?"},
        {"hdr", "Saving as HDR loses information:\n\n" + clip + "\nSave anyway?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        ui.shown.clear();
        ui.ExpectMessage(Answer::No);
        EXPECT_FALSE(CheckDataLoss(app, c.ext));
        ASSERT_EQ(ui.MessageTexts().size(), 1u);
        EXPECT_EQ(ui.MessageTexts()[0], c.expected);
        EXPECT_EQ(ui.shown[0].box, BoxKind::WarningYesNo);
    }
    app.prefs.warnDataLoss = 0;
    EXPECT_TRUE(CheckDataLoss(app, "jpg"));
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(SaveFlowTest, SaveAsAddsExtensionFromFilterAndAsksBeforeOverwriting) {
    Open("wall.png", 16, 16, false);
    struct Case {
        std::string typed;
        int filter;
        std::string written;
    };
    const Case cases[] = {
        {"out", 1, "out.png"},
        {"out.txt", 0, "out.txt.tga"},
        {"photo.jpeg", 1, "photo.jpeg"},  // a known extension wins over the filter
        {"noext", -1, "noext.tga"},       // no filter reported: the preferred format (0)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ui.ExpectSaveDialog(Chosen(c.typed, c.filter));
        if (LowerExtension(c.written) == "jpeg") ui.ExpectMessage(Answer::Yes);  // the lossy warning
        SaveAsCommand(app);
        EXPECT_TRUE(FileExists(dir.file(c.written)));
        EXPECT_EQ(view.status[2], "Saved: " + c.written);
    }
    EXPECT_EQ(ui.shown[0].request.proposedName, dir.file("wall"));
    EXPECT_EQ(ui.shown[0].request.filters.size(), 8u);

    // Overwriting asks; No leaves the file alone.
    const auto before = ReadBytes(dir.file("out.png"));
    ASSERT_TRUE(CommitEdit(app, CreateImage(16, 16, 32, {1, 2, 3, 255}), "Levels", "_levels"));
    ui.ExpectSaveDialog(Chosen("out.png", 1)).ExpectMessage(Answer::No);
    SaveAsCommand(app);
    EXPECT_EQ(ui.MessageTexts().back(), "out.png already exists. Overwrite?");
    EXPECT_EQ(ui.shown.back().box, BoxKind::YesNo);
    EXPECT_EQ(ReadBytes(dir.file("out.png")), before);
    EXPECT_TRUE(IsEdited(app.history));

    ui.ExpectSaveDialog(Chosen("out.png", 1)).ExpectMessage(Answer::Yes);
    SaveAsCommand(app);
    EXPECT_NE(ReadBytes(dir.file("out.png")), before);
    EXPECT_FALSE(IsEdited(app.history));
    EXPECT_EQ(view.title, "Serious Sam Glimmerkit - wall.png");
    EXPECT_TRUE(ui.unexpected.empty());
    EXPECT_TRUE(ui.AllAnswered());
}

TEST_F(SaveFlowTest, ProposedNameCarriesEditSuffixes) {
    Open("wall.png", 8, 8, false);
    ASSERT_TRUE(CommitEdit(app, CreateImage(8, 8), "Levels", "_levels"));
    ASSERT_TRUE(CommitEdit(app, CreateImage(8, 8), "Flip green", "_flipg"));
    EXPECT_EQ(ProposedSaveName(app), dir.file("wall_levels_flipg"));
    app.doc.lastSaveFolder = "/elsewhere/";
    EXPECT_EQ(ProposedSaveName(app), "/elsewhere/wall_levels_flipg");
    app.prefs.saveSourceFolder = 1;
    EXPECT_EQ(ProposedSaveName(app), dir.file("wall_levels_flipg"));
}

TEST_F(SaveFlowTest, PngKeepsAlphaOnlyWhenTheDocumentHasIt) {
    Open("rgba.png", 8, 8, true);
    SaveDocument(app, dir.file("a.png"), false);
    Open("rgb.png", 8, 8, false);
    SaveDocument(app, dir.file("b.png"), false);
    // Colour type byte of the IHDR chunk: 6 = RGBA, 2 = RGB.
    EXPECT_EQ(ReadBytes(dir.file("a.png"))[25], 6);
    EXPECT_EQ(ReadBytes(dir.file("b.png"))[25], 2);
}

TEST_F(SaveFlowTest, HdrOutputOfANonHdrDocumentIsRefused) {
    Open("wall.png", 8, 8, false);
    ui.ExpectMessage(Answer::Ok);
    SaveDocument(app, dir.file("wall.hdr"), false);
    EXPECT_EQ(ui.MessageTexts().back(), "Only HDR textures can be saved as .hdr.");
    EXPECT_FALSE(FileExists(dir.file("wall.hdr")));
}

// A full disk in the middle of a save: simulated with a file-size limit.
TEST_F(SaveFlowTest, FailedSaveReportsFailureAndKeepsTheOldFile) {
    Open("big.png", 512, 512, true);
    ASSERT_TRUE(CommitEdit(app, testing_support::PatternImage(512, 512), "Levels", "_levels"));
    const std::string target = dir.file("target.tga");
    WriteBytes(target, {1, 2, 3, 4});

    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    ui.ExpectMessage(Answer::Ok);
    SaveDocument(app, target, false);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(ui.MessageTexts().back(), "Saving failed:\n" + target);
    EXPECT_EQ(ui.shown.back().box, BoxKind::Error);
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_TRUE(IsEdited(app.history));
    EXPECT_EQ(app.doc.savePath, "");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);  // big.png and target.tga
}

TEST_F(SaveFlowTest, DdsSaveAsksForOptionsAndWarnsAboutLostAlpha) {
    Open("wall.png", 8, 8, true);
    windows.ddsFormat = 0;  // DXT1 has no alpha
    ui.ExpectMessage(Answer::No);
    SaveDocument(app, dir.file("wall.dds"), true);
    EXPECT_EQ(ui.MessageTexts().back(),
              "This DDS format has no alpha channel; the transparency will be lost.\nSave anyway?");
    EXPECT_FALSE(FileExists(dir.file("wall.dds")));

    // A plain Save reuses the last choice without asking.
    SaveDocument(app, dir.file("wall.dds"), false);
    EXPECT_EQ(windows.ddsAsked, 1);
    EXPECT_TRUE(FileExists(dir.file("wall.dds")));
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(SaveFlowTest, WithoutImageSaveAsAsksToOpenAFile) {
    ui.ExpectMessage(Answer::Ok);
    SaveAsCommand(app);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Please open a .tex file first."});
    EXPECT_EQ(ui.shown[0].box, BoxKind::Plain);
}

TEST_F(SaveFlowTest, LargeTexOutputIsOfferedAResizeFirst) {
    Open("big.png", 2048, 1024, false);
    ui.ExpectMessage(Answer::No);
    SaveDocument(app, dir.file("big.tex"), false);
    EXPECT_EQ(ui.MessageTexts().back(),
              "Serious Sam 1 textures can be at most 1024 x 1024 pixels; this image is 2048 x 1024.\n\nResize to "
              "1024 x 512 now and save?\n(Choose No to cancel; you can also use Tools > Resize.)");
    EXPECT_FALSE(FileExists(dir.file("big.tex")));

    ui.ExpectMessage(Answer::Yes);
    SaveDocument(app, dir.file("big.tex"), false);
    EXPECT_EQ(app.history.entries.back().label, "Resize");
    EXPECT_EQ(app.doc.image->width, 1024);
    EXPECT_TRUE(FileExists(dir.file("big.tex")));
    EXPECT_FALSE(IsEdited(app.history));  // saved right after the resize step

    // Without the preference the large texture is written as it is.
    Open("big2.png", 2048, 16, false);
    app.prefs.warnSe1Size = 0;
    SaveDocument(app, dir.file("big2.tex"), false);
    EXPECT_TRUE(FileExists(dir.file("big2.tex")));
    EXPECT_TRUE(ui.unexpected.empty());
}

}  // namespace
