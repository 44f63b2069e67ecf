#include "app/open_flow.h"

#include <gtest/gtest.h>

#include "app/history_commands.h"
#include "flow_fixture.h"
#include "platform/file_io.h"

namespace {

using testing_support::WriteBytes;

class OpenFlowTest : public ::testing::Test, public FlowFixture {};

TEST_F(OpenFlowTest, OpeningFillsDocumentStatusAndHistory) {
    const std::string path = WritePng("wall.png", 64, 32, true);
    OpenDocument(app, path, false);
    ASSERT_TRUE(app.doc.image);
    EXPECT_TRUE(ui.unexpected.empty());
    EXPECT_EQ(view.title, "Serious Sam Glimmerkit - wall.png");
    EXPECT_EQ(view.status[0], "wall.png");
    EXPECT_EQ(view.status[1], "64 x 32  Portable Network Graphics, with transparency");
    EXPECT_EQ(view.status[2], "Enlarged 4x for visibility");
    EXPECT_EQ(app.doc.lastOpenFolder, dir.path().string() + "/");
    ASSERT_EQ(app.history.entries.size(), 1u);
    EXPECT_EQ(app.history.entries[0].label, "Original");
    EXPECT_FALSE(IsEdited(app.history));
}

TEST_F(OpenFlowTest, OpaquePngHasNoTransparencyInItsDescription) {
    OpenDocument(app, WritePng("opaque.PNG", 300, 20, false), false);
    EXPECT_EQ(view.status[1], "300 x 20  Portable Network Graphics");
    EXPECT_EQ(view.status[2], "");  // a side of 256 or more: no enlargement
}

TEST_F(OpenFlowTest, FailuresShowOneMessageAndChangeNothing) {
    WriteBytes(dir.file("empty.tga"), {});
    WriteBytes(dir.file("junk.png"), {1, 2, 3});
    WriteBytes(dir.file("junk.dat"), {1, 2, 3});
    struct Case {
        std::string name, message;
    };
    const Case cases[] = {
        {"missing.tga", "missing.tga could not be loaded:\nThe file cannot be opened."},
        {"empty.tga", "empty.tga could not be loaded:\nThe file is empty or too large."},
        {"junk.png", "junk.png could not be loaded:\nThis image format is not supported, or the file is damaged."},
        {"/nowhere/a.gro::b.tex", "b.tex could not be loaded:\nCould not extract it from the archive."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.shown.clear();
        ui.ExpectMessage(Answer::Ok);
        OpenDocument(app, c.name[0] == '/' ? c.name : dir.file(c.name), false);
        ASSERT_EQ(ui.MessageTexts().size(), 1u);
        EXPECT_EQ(ui.MessageTexts()[0], c.message);
        EXPECT_EQ(ui.shown[0].box, BoxKind::Error);
        EXPECT_FALSE(app.doc.image);
        EXPECT_EQ(view.status[1], "");
    }
    // An unknown extension is read as a .tex file and fails with that reader's message.
    ui.ExpectMessage(Answer::Ok);
    OpenDocument(app, dir.file("junk.dat"), false);
    EXPECT_FALSE(app.doc.image);
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(OpenFlowTest, RefusedDiscardKeepsEverythingIncludingTheFolder) {
    OpenDocument(app, WritePng("a.png", 8, 8, false), false);
    ASSERT_TRUE(CommitEdit(app, CreateImage(8, 8), "Levels", "_levels"));
    const std::string before = app.doc.lastOpenFolder;

    testing_support::TempDir other;
    const std::string otherPng = other.file("b.png");
    SavePng(testing_support::PatternImage(4, 4), otherPng, true);
    ui.ExpectMessage(Answer::No);
    OpenDocument(app, otherPng, false);
    EXPECT_EQ(ui.MessageTexts().back(), "a.png has edits that have not been saved (1 edit(s)).\nDiscard them?");
    EXPECT_EQ(app.doc.path, dir.file("a.png"));
    EXPECT_EQ(app.doc.lastOpenFolder, before);
    EXPECT_TRUE(IsEdited(app.history));
}

TEST_F(OpenFlowTest, ReloadKeepsSavePathAndSuffixButRestartsHistory) {
    const std::string path = WritePng("a.png", 8, 8, false);
    OpenDocument(app, path, false);
    ASSERT_TRUE(CommitEdit(app, CreateImage(8, 8), "Levels", "_levels"));
    app.doc.savePath = dir.file("saved.png");
    OpenDocument(app, path, true);  // no question even though the document is edited
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(app.doc.savePath, dir.file("saved.png"));
    EXPECT_EQ(app.doc.nameSuffix, "_levels");
    EXPECT_EQ(app.history.entries.size(), 1u);
    EXPECT_FALSE(IsEdited(app.history));

    OpenDocument(app, path, false);
    EXPECT_EQ(app.doc.savePath, "");
    EXPECT_EQ(app.doc.nameSuffix, "");
}

}  // namespace
