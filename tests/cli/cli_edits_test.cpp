// The edit options of glimmerkit-cli convert, end to end on small generated files.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cli/cli_runner.h"
#include "imageformats/general_decoder.h"
#include "imageformats/library_writers.h"
#include "test_support.h"

namespace {

using testing_support::CliRun;
using testing_support::Quote;
using testing_support::RunCli;
using testing_support::TempDir;

std::optional<Image> ReadPng(const std::string& path) {
    const auto bytes = testing_support::ReadBytes(path);
    auto decoded = DecodeWithLibraries({bytes.data(), bytes.size()});
    if (!decoded) return std::nullopt;
    return std::move(decoded->image);
}

TEST(CliEditsTest, EditsRunInCommandLineOrder) {
    TempDir dir;
    Image source = *CreateImage(2, 1, 32);
    SetPixel(source, 0, 0, {10, 20, 30, 40});
    SetPixel(source, 1, 0, {50, 60, 70, 255});
    ASSERT_TRUE(SavePng(source, dir.file("a.png"), true));

    // invert alpha, take it as gray, then flip green: (255 - a, a, 255 - a, 255).
    CliRun run = RunCli("convert --invert-alpha --extract alpha --flip-green " + Quote(dir.file("a.png")) + " " +
                            Quote(dir.file("out.png")),
                        dir);
    ASSERT_EQ(run.status, 0) << run.err;
    auto out = ReadPng(dir.file("out.png"));
    ASSERT_TRUE(out);
    EXPECT_EQ(GetPixel(*out, 0, 0), (Rgba{215, 40, 215, 255}));
    EXPECT_EQ(GetPixel(*out, 1, 0), (Rgba{0, 255, 0, 255}));

    // The other order flips first: extract alpha of the inverted alpha only.
    run = RunCli("convert --flip-green --remove-alpha --invert-alpha --extract alpha " + Quote(dir.file("a.png")) + " " +
                     Quote(dir.file("out2.png")),
                 dir);
    ASSERT_EQ(run.status, 0) << run.err;
    out = ReadPng(dir.file("out2.png"));
    ASSERT_TRUE(out);
    EXPECT_EQ(GetPixel(*out, 0, 0), (Rgba{0, 0, 0, 255}));
}

TEST(CliEditsTest, HeightToNormalAndAlphaFromMask) {
    TempDir dir;
    // Black left half, white right half: the step leans the normal left (red 4 at strength 1).
    Image step = *CreateImage(8, 2, 32, {0, 0, 0, 255});
    for (int x = 4; x < 8; ++x) SetPixel(step, x, 0, {255, 255, 255, 255}), SetPixel(step, x, 1, {255, 255, 255, 255});
    ASSERT_TRUE(SavePng(step, dir.file("height.png"), false));
    CliRun run = RunCli("convert --height-to-normal 1,0 " + Quote(dir.file("height.png")) + " " + Quote(dir.file("nm.png")), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    auto out = ReadPng(dir.file("nm.png"));
    ASSERT_TRUE(out);
    EXPECT_EQ(GetPixel(*out, 3, 0), (Rgba{4, 128, 158, 255}));
    EXPECT_EQ(GetPixel(*out, 1, 1), (Rgba{128, 128, 255, 255}));

    // The step as a mask: pure white opaque, black transparent.
    Image colour = *CreateImage(8, 2, 32, {9, 8, 7, 255});
    ASSERT_TRUE(SavePng(colour, dir.file("colour.png"), false));
    run = RunCli("convert --alpha-from " + Quote(dir.file("height.png")) + " " + Quote(dir.file("colour.png")) + " " +
                     Quote(dir.file("masked.png")),
                 dir);
    ASSERT_EQ(run.status, 0) << run.err;
    out = ReadPng(dir.file("masked.png"));
    ASSERT_TRUE(out);
    EXPECT_EQ(GetPixel(*out, 0, 0), (Rgba{9, 8, 7, 0}));
    EXPECT_EQ(GetPixel(*out, 7, 1), (Rgba{9, 8, 7, 255}));

    run = RunCli("convert --alpha-from " + Quote(dir.file("missing.tga")) + " " + Quote(dir.file("colour.png")) + " " +
                     Quote(dir.file("never.png")),
                 dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "colour.png: missing.tga could not be loaded: The file cannot be opened.\n");
    EXPECT_TRUE(testing_support::ReadBytes(dir.file("never.png")).empty());
}

TEST(CliEditsTest, BadEditArgumentsAreUsageErrors) {
    TempDir dir;
    for (const char* args : {"--extract purple", "--height-to-normal 0", "--height-to-normal abc",
                             "--height-to-normal inf", "--extract", "--alpha-from"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunCli(std::string("convert ") + args + " in.png out.png", dir).status, 2);
    }
}

}  // namespace
