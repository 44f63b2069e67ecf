// End-to-end runs of glimmerkit-cli batch on small folders made in the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_runner.h"
#include "imageformats/library_writers.h"
#include "platform/file_io.h"
#include "test_support.h"
#include "texformats/ss1_tex_writer.h"
#include "texformats/zip_builder.h"

namespace {

using testing_support::CliRun;
using testing_support::PatternImage;
using testing_support::Quote;
using testing_support::RunCli;
using testing_support::TempDir;

std::string Png(const TempDir& dir, const std::string& relative, bool alpha = false) {
    const std::string path = dir.file(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    SavePng(PatternImage(8, 4, alpha), path, alpha);
    return path;
}

TEST(CliBatchTest, ConvertsFoldersAndPrintsTheSummary) {
    TempDir dir;
    Png(dir, "in/a.png");
    Png(dir, "in/sub/b.png", true);
    testing_support::WriteText(dir.file("in/sub/notes.txt"), "not an image");
    std::filesystem::create_directories(dir.file("out"));
    const std::string out = Quote(dir.file("out"));

    CliRun run = RunCli("batch --to jpg --out " + out + " " + Quote(dir.file("in")), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Converted: 2   Skipped: 0   Failed: 0\n\n1 file(s) lost their transparency (JPG).\n");
    EXPECT_EQ(run.err, "");  // no progress when standard error is not a terminal
    EXPECT_TRUE(FileExists(dir.file("out/a.jpg")));
    EXPECT_TRUE(FileExists(dir.file("out/b.jpg")));

    run = RunCli("batch --quiet --to jpg --out " + out + " " + Quote(dir.file("in")), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Converted: 0   Skipped: 2   Failed: 0\n\na.jpg: skipped (already exists)\n"
                       "b.jpg: skipped (already exists)\n");
}

TEST(CliBatchTest, CollisionsNeedAChoice) {
    TempDir dir;
    const std::string inputs = Quote(Png(dir, "one/wall.png")) + " " + Quote(Png(dir, "two/wall.png")) + " " +
                               Quote(Png(dir, "one/a.png"));
    std::filesystem::create_directories(dir.file("out"));
    const std::string out = Quote(dir.file("out"));

    CliRun run = RunCli("batch --to tga --out " + out + " " + inputs, dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("wall.tga"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("out")));

    run = RunCli("batch --to tga --collisions number --out " + out + " " + inputs, dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Converted: 3   Skipped: 0   Failed: 0\n\n");
    EXPECT_TRUE(FileExists(dir.file("out/wall_2.tga")));

    run = RunCli("batch --to png --collisions first --force --out " + out + " " + inputs, dir);
    EXPECT_EQ(run.out, "Converted: 2   Skipped: 1   Failed: 0\n\nwall.png: skipped (same name as an earlier file)\n");
}

TEST(CliBatchTest, FailuresSetExitStatusAndGoToStandardError) {
    TempDir dir;
    const std::string big = dir.file("big.tex");
    ASSERT_TRUE(WriteSs1Tex(PatternImage(2048, 512, false), big, false, 0, false));
    testing_support::WriteBytes(dir.file("Tex.gro"), testing_support::BuildZip({{"T/broken.tex", "junk"}}));

    std::filesystem::create_directories(dir.file("out"));
    const std::string inputs = Quote(big) + " " + Quote(dir.file("Tex.gro")) + " " + Quote(dir.file("Big.TEX"));

    CliRun run = RunCli("batch --to tex --no-fit-1024 --out " + Quote(dir.file("out")) + " " + inputs, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.substr(0, 104), "Converted: 0   Skipped: 0   Failed: 2\n\n"
                                      "big.tex: larger than 1024 pixels (not allowed for Serious Sam 1)\n");
    EXPECT_EQ(run.err.substr(0, 77), "big.tex: larger than 1024 pixels (not allowed for Serious Sam 1)\nbroken.tex: ");

    run = RunCli("batch --to tex --next-to-source " + inputs, dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.substr(0, 97), "Converted: 0   Skipped: 1   Failed: 1\n\n"
                                     "big.tex: skipped (output would overwrite the source file)\n");

    run = RunCli("batch --to tex --out " + Quote(dir.file("out")) + " " + Quote(big), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Converted: 1   Skipped: 0   Failed: 0\n\n"
                       "1 file(s) were resized to fit 1024 pixels for Serious Sam 1.\n");
}

TEST(CliBatchTest, UsageErrors) {
    TempDir dir;
    const std::string a = Quote(Png(dir, "a.png"));
    struct Case {
        std::string args;
        int status;
    } cases[] = {
        {"batch --out . " + a, 2},
        {"batch --to gif --out . " + a, 2},
        {"batch --to tga " + a, 2},
        {"batch --to tga --out . --next-to-source " + a, 2},
        {"batch --to tga --next-to-source", 2},
        {"batch --to tga --collisions all --next-to-source " + a, 2},
        {"batch --to tga --out " + Quote(dir.file("missing")) + " " + a, 1},
        {"batch --help", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(RunCli(c.args, dir).status, c.status);
    }
}

}  // namespace
