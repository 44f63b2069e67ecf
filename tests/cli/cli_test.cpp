// End-to-end runs of the built glimmerkit-cli on small files made in the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "imageformats/general_decoder.h"
#include "imageformats/external_tools.h"
#include "imageformats/library_writers.h"
#include "cli/cli_runner.h"
#include "test_support.h"
#include "texformats/ss1_tex_writer.h"
#include "texformats/zip_builder.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

using testing_support::CliRun;
using testing_support::Quote;
using testing_support::RunCli;

TEST(CliTest, HelpVersionAndUsageErrors) {
    TempDir dir;
    CliRun help = RunCli("--help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_EQ(RunCli("--version", dir).status, 0);
    EXPECT_EQ(RunCli("convert --help", dir).status, 0);
    EXPECT_EQ(RunCli("frobnicate", dir).status, 2);
    EXPECT_EQ(RunCli("info --bogus x.png", dir).status, 2);
    EXPECT_EQ(RunCli("convert only-one-path.png", dir).status, 2);
}

TEST(CliTest, InfoPrintsStatusLineAndJson) {
    TempDir dir;
    SavePng(testing_support::PatternImage(16, 8, true), dir.file("a.png"), true);
    CliRun run = RunCli("info " + Quote(dir.file("a.png")), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "a.png\t16 x 8  Portable Network Graphics, with transparency\n");

    run = RunCli("info --json " + Quote(dir.file("a.png")) + " " + Quote(dir.file("missing.tga")), dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"width\":16,\"height\":8"), std::string::npos);
    EXPECT_NE(run.out.find("\"hasAlpha\":1"), std::string::npos);
    EXPECT_NE(run.out.find("\"error\":\"The file cannot be opened.\""), std::string::npos);
    EXPECT_EQ(run.err, "missing.tga: The file cannot be opened.\n");
}

TEST(CliTest, ConvertRoundTripsAndNeverReplacesWithoutForce) {
    TempDir dir;
    const Image source = testing_support::PatternImage(13, 7, true);
    SavePng(source, dir.file("a.png"), true);
    for (const char* ext : {"tga", "tif", "pcx", "bmp", "tex", "dds", "jpg"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.file(std::string("a.") + ext);
        CliRun run = RunCli("convert " + Quote(dir.file("a.png")) + " " + Quote(out), dir);
        EXPECT_EQ(run.status, 0) << run.err;
        CliRun back = RunCli("convert " + Quote(out) + " " + Quote(out + ".png"), dir);
        EXPECT_EQ(back.status, 0) << back.err;
        const auto bytes = ReadBytes(out + ".png");
        auto decoded = DecodeWithLibraries({bytes.data(), bytes.size()});
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->image.width, 13);
        EXPECT_EQ(decoded->image.height, 7);
        const std::string e = ext;
        if (e == "tga" || e == "tif" || e == "tex") {
            EXPECT_TRUE(testing_support::SamePixels(decoded->image, source));
        }
    }

    const auto before = ReadBytes(dir.file("a.tga"));
    CliRun refused = RunCli("convert " + Quote(dir.file("a.png")) + " --resize 4x4 " + Quote(dir.file("a.tga")), dir);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("a.tga: "), std::string::npos);
    EXPECT_EQ(ReadBytes(dir.file("a.tga")), before);
    CliRun forced = RunCli("convert --force --resize 4x4 " + Quote(dir.file("a.png")) + " " + Quote(dir.file("a.tga")), dir);
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(ReadBytes(dir.file("a.tga"))[12], 4);  // TGA width field
}

TEST(CliTest, TexOutputAbove1024NeedsFitting) {
    TempDir dir;
    SavePng(*CreateImage(2048, 8, 32, {1, 2, 3, 255}), dir.file("wide.png"), false);
    CliRun run = RunCli("convert " + Quote(dir.file("wide.png")) + " " + Quote(dir.file("wide.tex")), dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "wide.png: larger than 1024 pixels (not allowed for Serious Sam 1)\n");
    run = RunCli("convert --fit-1024 " + Quote(dir.file("wide.png")) + " " + Quote(dir.file("wide.tex")), dir);
    EXPECT_EQ(run.status, 0) << run.err;
    run = RunCli("info " + Quote(dir.file("wide.tex")), dir);
    EXPECT_EQ(run.out.substr(0, 20), "wide.tex\t1024 x 4  R");
}

TEST(CliTest, ArchiveMembersAreReadAsTextures) {
    TempDir dir;
    const Image source = testing_support::PatternImage(8, 4, false);
    const auto tex = EncodeSs1Tex(source, false, 0, false);
    ASSERT_TRUE(tex);
    const std::string gro = dir.file("Textures.gro");
    WriteBytes(gro, testing_support::BuildZip({{"Textures/Wall.tex", std::string(tex->begin(), tex->end())}}));

    CliRun run = RunCli("info " + Quote(gro + "::Textures/Wall.tex"), dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Wall.tex\t8 x 4  RGB, SS1 version 4\n");
    run = RunCli("convert " + Quote(gro + "::Textures/Wall.tex") + " " + Quote(dir.file("wall.png")), dir);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto bytes = ReadBytes(dir.file("wall.png"));
    auto decoded = DecodeWithLibraries({bytes.data(), bytes.size()});
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(testing_support::SamePixels(decoded->image, source));

    run = RunCli("info " + Quote(gro + "::textures/wall.tex"), dir);  // member names are case-sensitive
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "wall.tex: Could not extract it from the archive.\n");
}

// What the command line writes, read back by an independent decoder (ImageMagick).
TEST(CliTest, ImageMagickReadsWhatConvertWrites) {
    if (!external_tools::HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const Image source = testing_support::PatternImage(13, 7, false);
    SavePng(source, dir.file("a.png"), false);
    for (const char* name : {"a.tga", "a.pcx", "a.tif", "a.bmp", "a.dds"}) {
        SCOPED_TRACE(name);
        const std::string out = dir.file(name);
        const std::string dds = std::string(name) == "a.dds" ? "--dds bgra " : "";
        CliRun run = RunCli("convert " + dds + Quote(dir.file("a.png")) + " " + Quote(out), dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string ppm = out + ".ppm";
        ASSERT_TRUE(external_tools::Run("/usr/bin/convert " + Quote(out) + " -auto-orient -depth 8 " + Quote(ppm)));
        const auto read = external_tools::ReadNetpbm(ppm);
        ASSERT_TRUE(read);
        ASSERT_EQ(read->width, 13);
        ASSERT_EQ(read->height, 7);
        int wrong = 0;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const Rgba p = GetPixel(source, x, y);
                wrong += read->at(x, y, 0) != p.r || read->at(x, y, 1) != p.g || read->at(x, y, 2) != p.b;
            }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
