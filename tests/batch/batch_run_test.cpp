// The batch run with scripted answers, on small files made in a temporary folder.
#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/image_loading.h"
#include "imageformats/library_writers.h"
#include "imageformats/tga.h"
#include "platform/file_io.h"
#include "platform/scripted_ui.h"
#include "test_support.h"
#include "texformats/ss1_tex_writer.h"
#include "texformats/zip_builder.h"

namespace {

using testing_support::PatternImage;
using testing_support::TempDir;

struct RecordingProgress : BatchProgress {
    int stopBefore = -1;  // ShouldStop answers true on this call (0-based), -1 never
    int checks = 0;
    std::vector<int> percents;
    std::vector<std::string> statuses;
    void Report(int percent, const std::string& status) override {
        percents.push_back(percent);
        statuses.push_back(status);
    }
    bool ShouldStop() override { return checks++ == stopBefore; }
};

struct BatchFixture {
    TempDir dir;
    ScriptedUi ui;
    RecordingProgress progress;
    BatchSettings settings;

    std::string Png(const std::string& relative, int width = 8, int height = 4, bool alpha = false) {
        const std::string path = dir.file(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(SavePng(PatternImage(width, height, alpha), path, alpha));
        return path;
    }
    std::string OutFolder() {
        const std::string out = dir.file("out") + "/";
        MakeDirectory(out);
        return out;
    }
    std::string Summary() const { return ui.shown.empty() ? "" : ui.shown.back().text; }
};

TEST(BatchRunTest, NameCollisionsFollowTheChosenMode) {
    struct Case {
        Answer answer;
        std::vector<std::string> written;
        std::string summary;
    } cases[] = {
        {Answer::Yes, {"Wall_2.tga", "a.tga", "b.tga", "wall.tga"}, "Converted: 4   Skipped: 0   Failed: 0\n\n"},
        {Answer::No, {"a.tga", "b.tga", "wall.tga"},
         "Converted: 3   Skipped: 1   Failed: 0\n\nWall.png: skipped (same name as an earlier file)\n"},
        {Answer::Cancel, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.answer));
        BatchFixture f;
        f.settings.useSourceFolder = false;
        f.settings.outputFolder = f.OutFolder();
        const std::vector<std::string> work = {f.Png("one/a.png"), f.Png("two/b.png"), f.Png("one/wall.png"),
                                               f.Png("two/Wall.png")};
        EXPECT_EQ(CollidingOutputNames(BatchOutputPaths(work, f.settings)), std::vector<std::string>{"wall.tga"});
        f.ui.ExpectMessage(c.answer);
        if (!c.summary.empty()) f.ui.ExpectMessage(Answer::Ok);
        RunBatch(f.ui, work, f.settings, f.progress);
        EXPECT_TRUE(f.ui.unexpected.empty());
        ASSERT_FALSE(f.ui.shown.empty());
        EXPECT_EQ(f.ui.shown[0].box, BoxKind::YesNoCancel);
        EXPECT_EQ(f.ui.shown[0].caption, "Batch conversion");
        if (!c.summary.empty()) {
            EXPECT_EQ(f.Summary(), c.summary);
        }
        std::vector<std::string> written;
        for (const auto& e : std::filesystem::directory_iterator(f.settings.outputFolder))
            written.push_back(e.path().filename().string());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.written);
    }
}

TEST(BatchRunTest, NumberedCopiesHoldTheirOwnSource) {
    BatchFixture f;
    f.settings.useSourceFolder = false;
    f.settings.outputFolder = f.dir.file("out");  // no trailing slash: still a folder
    MakeDirectory(f.settings.outputFolder);
    const std::vector<std::string> work = {f.Png("one/wall.png", 8, 4), f.Png("two/wall.png", 6, 2)};
    f.ui.ExpectMessage(Answer::Yes).ExpectMessage(Answer::Ok);
    RunBatch(f.ui, work, f.settings, f.progress);
    LoadInfo info;
    auto second = LoadImageAnyPath(f.dir.file("out/wall_2.tga"), info, {});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->width, 6);
    EXPECT_EQ(f.progress.statuses, (std::vector<std::string>{"Converting 1 of 2: wall.png", "Converting 2 of 2: wall.png"}));
    EXPECT_EQ(f.progress.percents, (std::vector<int>{50, 100}));
}

TEST(BatchRunTest, SkipAndFailRulesWriteTheirLogLines) {
    struct Case {
        const char* what;
        std::string sourceName;
        std::string ext;
        bool losesTransparencyQuestion;
        std::string summary;
        const char* written;  // expected output next to the source, or nullptr
    } cases[] = {
        {"same file", "a.png", "png", false,
         "Converted: 0   Skipped: 1   Failed: 0\n\na.png: skipped (output would overwrite the source file)\n", nullptr},
        {"same file ignoring case", "Photo.PNG", "png", false,
         "Converted: 0   Skipped: 1   Failed: 0\n\nPhoto.PNG: skipped (output would overwrite the source file)\n",
         nullptr},
        {"jpeg to jpg", "a.jpeg", "jpg", true, "Converted: 1   Skipped: 0   Failed: 0\n\n", "a.jpg"},
        {"hdr from tga", "a.tga", "hdr", false,
         "Converted: 0   Skipped: 1   Failed: 0\n\na.tga: skipped (not an HDR texture, cannot be saved as .hdr)\n",
         nullptr},
        {"unreadable", "broken.tga", "png", false,
         "Converted: 0   Skipped: 0   Failed: 1\n\nbroken.tga: ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BatchFixture f;
        const std::string source = f.dir.file(c.sourceName);
        const Image image = PatternImage(8, 4, false);
        if (c.sourceName == "a.jpeg") ASSERT_TRUE(SaveJpeg(image, source, 90));
        else if (c.sourceName == "a.tga") ASSERT_TRUE(SaveTga(image, source, false));
        else if (c.sourceName == "broken.tga") testing_support::WriteText(source, "xx");
        else ASSERT_TRUE(SavePng(image, source, false));
        f.settings.outputExtension = c.ext;
        if (c.losesTransparencyQuestion) f.ui.ExpectMessage(Answer::Yes);
        f.ui.ExpectMessage(Answer::Ok);
        RunBatch(f.ui, {source}, f.settings, f.progress);
        EXPECT_TRUE(f.ui.unexpected.empty());
        EXPECT_EQ(f.ui.shown.back().box, BoxKind::Plain);
        EXPECT_EQ(f.Summary().substr(0, c.summary.size()), c.summary);
        if (c.written) {
            EXPECT_TRUE(FileExists(f.dir.file(c.written)));
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()), {}), c.written ? 2 : 1);
    }
}

TEST(BatchRunTest, SecondRunSkipsExistingOutputsUnlessForced) {
    BatchFixture f;
    const std::vector<std::string> work = {f.Png("a.png"), f.Png("b.png")};
    f.ui.ExpectMessage(Answer::Ok).ExpectMessage(Answer::Ok).ExpectMessage(Answer::Ok);
    RunBatch(f.ui, work, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 2   Skipped: 0   Failed: 0\n\n");
    RunBatch(f.ui, work, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 0   Skipped: 2   Failed: 0\n\na.tga: skipped (already exists)\n"
                           "b.tga: skipped (already exists)\n");
    f.settings.force = true;
    RunBatch(f.ui, work, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 2   Skipped: 0   Failed: 0\n\n");
}

TEST(BatchRunTest, OversizedTexIsFittedOrRefused) {
    BatchFixture f;
    const std::string source = f.dir.file("big.tex");
    ASSERT_TRUE(WriteSs1Tex(PatternImage(2048, 512, false), source, false, 0, false));
    f.settings.outputExtension = "tex";
    f.settings.useSourceFolder = false;
    f.settings.outputFolder = f.OutFolder();

    f.settings.fit1024 = false;
    f.ui.ExpectMessage(Answer::Ok);
    RunBatch(f.ui, {source}, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 0   Skipped: 0   Failed: 1\n\n"
                           "big.tex: larger than 1024 pixels (not allowed for Serious Sam 1)\n");

    f.settings.fit1024 = true;
    f.ui.ExpectMessage(Answer::Ok);
    RunBatch(f.ui, {source}, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 1   Skipped: 0   Failed: 0\n\n"
                           "1 file(s) were resized to fit 1024 pixels for Serious Sam 1.\n");
    LoadInfo info;
    auto written = LoadImageAnyPath(f.settings.outputFolder + "big.tex", info, {});
    ASSERT_TRUE(written);
    EXPECT_EQ(written->width, 1024);
    EXPECT_EQ(written->height, 256);
    EXPECT_EQ(info.firstMip, 0);
}

TEST(BatchRunTest, TransparencyQuestionAndLostTransparencyLine) {
    BatchFixture f;
    const std::vector<std::string> work = {f.Png("alpha.png", 8, 4, true), f.Png("plain.png")};
    f.settings.outputExtension = "jpg";
    f.ui.ExpectMessage(Answer::No);
    EXPECT_FALSE(RunBatch(f.ui, work, f.settings, f.progress));
    EXPECT_EQ(f.ui.shown[0].box, BoxKind::WarningYesNo);
    EXPECT_EQ(f.ui.shown[0].text, "JPG has no transparency: any transparency in the files will be lost.\nContinue?");
    EXPECT_FALSE(FileExists(f.dir.file("alpha.jpg")));

    f.ui.ExpectMessage(Answer::Yes).ExpectMessage(Answer::Ok);
    RunBatch(f.ui, work, f.settings, f.progress);
    EXPECT_EQ(f.Summary(), "Converted: 2   Skipped: 0   Failed: 0\n\n1 file(s) lost their transparency (JPG).\n");
}

TEST(BatchRunTest, ChecksBeforeTheRunStopIt) {
    struct Case {
        std::vector<std::string> work;
        bool useSource;
        std::string folder;
        BoxKind box;
        std::string text;
    } cases[] = {
        {{}, true, "", BoxKind::Information, "Nothing selected."},
        {{"/x/a.png"}, false, "", BoxKind::Warning,
         "Please choose an output folder first (or tick 'Use source folder as output folder')."},
        {{"/x/a.png"}, false, "/no/such/folder/", BoxKind::Warning,
         "The output folder does not exist:\n/no/such/folder/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BatchFixture f;
        f.settings.useSourceFolder = c.useSource;
        f.settings.outputFolder = c.folder;
        f.ui.ExpectMessage(Answer::Ok);
        EXPECT_FALSE(RunBatch(f.ui, c.work, f.settings, f.progress));
        ASSERT_EQ(f.ui.shown.size(), 1u);
        EXPECT_EQ(f.ui.shown[0].box, c.box);
        EXPECT_EQ(f.ui.shown[0].caption, "Batch conversion");
        EXPECT_EQ(f.ui.shown[0].text, c.text);
        EXPECT_TRUE(f.progress.statuses.empty());
    }
}

TEST(BatchRunTest, StopEndsTheRunBeforeTheNextFile) {
    BatchFixture f;
    std::vector<std::string> work;
    for (const char* name : {"1.png", "2.png", "3.png", "4.png", "5.png"}) work.push_back(f.Png(name));
    f.progress.stopBefore = 3;
    f.ui.ExpectMessage(Answer::Ok);
    const auto counts = RunBatch(f.ui, work, f.settings, f.progress);
    ASSERT_TRUE(counts);
    EXPECT_TRUE(counts->stopped);
    EXPECT_EQ(f.Summary(), "Stopped by the user.\nConverted: 3   Skipped: 0   Failed: 0\n\n");
    EXPECT_TRUE(FileExists(f.dir.file("3.tga")));
    EXPECT_FALSE(FileExists(f.dir.file("4.tga")));
}

TEST(BatchRunTest, LongSummaryIsCutAt3000Characters) {
    BatchCounts counts;
    counts.failed = 400;
    for (int i = 0; i < 400; ++i) counts.log += "\xC3\xA9t\xC3\xA9.png: could not write the file\n";
    const std::string text = BatchSummaryText(counts, "tga");
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 4), "\n...");
    EXPECT_LE(text.size(), 3004u);
    EXPECT_GE(text.size(), 3000u);
    // Never ends inside a two-byte character.
    EXPECT_NE(static_cast<unsigned char>(text[text.size() - 5]), 0xC3);
}

TEST(BatchListTest, SourceFormatMatchingAndDuplicates) {
    struct Case {
        std::string path, source;
        bool matches;
    } cases[] = {
        {"/p/photo.TIFF", "tif", true}, {"/p/a.jpeg", "jpg", true},   {"/p/a.png", "tex", false},
        {"/p/T.gro::Tex/Sky.TEX", "tex", true}, {"/p/a.gro::x.tex/y", "tex", false}, {"/p/noext", "tex", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MatchesSourceFormat(c.path, c.source), c.matches);
    }
    BatchList list;
    EXPECT_EQ(AddBatchFile(list, "/p/Photo.PNG", "png"), 1);
    EXPECT_EQ(AddBatchFile(list, "/p/photo.png", "png"), 0);
    EXPECT_EQ(AddBatchFile(list, "/p/x.tga", "png"), 0);
    EXPECT_EQ(AddBatchFile(list, "/p/b.png", "png"), 1);
    EXPECT_FALSE(HasArchiveEntries(list));
    EXPECT_EQ(RemoveMismatchedFiles(list, "tex"), 2);
    EXPECT_TRUE(list.paths.empty());
}

TEST(BatchListTest, FoldersAndArchivesAddTheirMatchingFiles) {
    BatchFixture f;
    f.Png("root/a.png");
    f.Png("root/sub/deeper/b.PNG");
    f.Png("root/sub/c.png");
    testing_support::WriteText(f.dir.file("root/sub/notes.txt"), "x");
    BatchList list;
    EXPECT_EQ(AddBatchFolder(list, f.dir.file("root"), "png"), 3);
    EXPECT_EQ(list.paths, (std::vector<std::string>{f.dir.file("root/a.png"), f.dir.file("root/sub/c.png"),
                                                    f.dir.file("root/sub/deeper/b.PNG")}));
    EXPECT_EQ(AddBatchFolder(list, f.dir.file("root") + "/", "png"), 0);
    EXPECT_EQ(AddBatchFolder(list, f.dir.file("missing"), "png"), 0);

    const std::string archive = f.dir.file("Tex.gro");
    testing_support::WriteBytes(archive, testing_support::BuildZip({{"Textures/b.tex", "abc"},
                                                                    {"Textures/a.tex", "abc"},
                                                                    {"Readme.txt", "x"}}));
    BatchList tex;
    EXPECT_EQ(AddBatchArchive(tex, archive, "tex"), 2);
    EXPECT_EQ(tex.paths[0], archive + "::Textures/a.tex");
    EXPECT_TRUE(HasArchiveEntries(tex));
    EXPECT_EQ(AddBatchArchive(tex, f.dir.file("root/a.png"), "tex"), -1);
    // With the source folder setting an archive member is written beside its archive.
    EXPECT_EQ(BatchOutputPaths({tex.paths[0]}, BatchSettings{}), std::vector<std::string>{f.dir.file("a.tga")});
}

}  // namespace
