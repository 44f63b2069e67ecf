#include "texformats/tex_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "texformats/ss1_tex_builder.h"

using ss1_builder::Bytes;
using testing_support::TempDir;

namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A CTSEMETA prefix with the given generation-text length field and text, padded to 40 bytes.
Bytes MetaPrefix(int32_t length, const std::string& text) {
    Bytes out = Text("CTSEMETA");
    ByteWriter w{out};
    w.Zeros(8);
    w.S32(length);
    w.Bytes(text.data(), text.size());
    if (out.size() < 40) w.Zeros(40 - out.size());
    return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(TexLoaderTest, FirstBytesPickTheGeneration) {
    const Bytes ss2 = MetaPrefix(13, "Serious Sam 2");
    const Bytes signedTail = Concat(Text("SIGSTRM1"), Bytes(24, 0));
    struct Case {
        const char* name;
        Bytes bytes;
        TexGeneration generation;
        std::size_t offset;
    } cases[] = {
        {"Serious Sam 2 text", ss2, TexGeneration::Ss2, 0},
        {"Serious Sam 2 among other words", MetaPrefix(24, "Engine: Serious Sam 2 v3"), TexGeneration::Ss2, 0},
        {"other case", MetaPrefix(13, "serious sam 2"), TexGeneration::Ss3, 0},
        {"Serious Sam 3", MetaPrefix(13, "Serious Sam 3"), TexGeneration::Ss3, 0},
        {"length 0", MetaPrefix(0, "Serious Sam 2"), TexGeneration::Ss3, 0},
        {"length negative", MetaPrefix(-13, "Serious Sam 2"), TexGeneration::Ss3, 0},
        {"length 1000", MetaPrefix(1000, "Serious Sam 2" + std::string(987, ' ')), TexGeneration::Ss3, 0},
        {"length past the end", MetaPrefix(21, "Serious Sam 2"), TexGeneration::Ss3, 0},
        {"signed", Concat(Text("SIGSTRM1xxxx"), ss2), TexGeneration::Ss2, 12},
        {"signed without prefix", signedTail, TexGeneration::SignedWithoutMeta, 0},
        // The tag in the last 8 bytes leaves no room for the length field: read nothing there.
        {"signed, tag at the very end", Concat(signedTail, Text("CTSEMETA")), TexGeneration::Ss3, 32},
        {"prefix shorter than 24 bytes", Text("CTSEMETA0123456789abcde"), TexGeneration::Ss1, 0},
        {"Serious Sam 1", Concat(Text("TVER"), Bytes(40, 0)), TexGeneration::Ss1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes exact(c.bytes);  // exactly sized, so the sanitizers see over-reads
        const TexDispatch dispatch = DetectTexGeneration(exact);
        EXPECT_EQ(dispatch.generation, c.generation);
        EXPECT_EQ(dispatch.prefixOffset, c.offset);
    }
}

TEST(TexLoaderTest, LoadTexDataReportsDispatchFailures) {
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t kind;
        std::string error;  // empty: any message
    } cases[] = {
        {"nothing", {}, 0, "The file is empty or too small."},
        {"7 bytes", Text("TVER\4\0\0"), 0, "The file is empty or too small."},
        {"signed without prefix", Concat(Text("SIGSTRM1"), Bytes(40, 1)), 0, "Signed file without CTSEMETA data."},
        {"Serious Sam 2", MetaPrefix(13, "Serious Sam 2"), 2, ""},
        {"Serious Sam 3", MetaPrefix(4, "SS3!"), 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadInfo info;
        info.note = "stale";
        EXPECT_FALSE(LoadTexData(c.bytes, info, "", 0, 0, HdrSettings{}));
        EXPECT_EQ(info.kind, c.kind);
        EXPECT_EQ(info.note, "");
        if (c.error.empty()) {
            EXPECT_FALSE(info.error.empty());
        } else {
            EXPECT_EQ(info.error, c.error);
        }
    }
}

TEST(TexLoaderTest, LoadTexFileReadErrors) {
    TempDir dir;
    testing_support::WriteBytes(dir.file("empty.tex"), {});
    std::filesystem::create_directory(dir.file("folder.tex"));
    struct Case {
        std::string path;
        std::string error;
    } cases[] = {
        {dir.file("missing.tex"), "The file cannot be opened."},
        {dir.file("folder.tex"), "The file cannot be opened."},
        {dir.file("empty.tex"), "The file is empty or too large."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        LoadInfo info;
        info.width = 99;
        EXPECT_FALSE(LoadTexFile(c.path, info, 0, 0, HdrSettings{}));
        EXPECT_EQ(info.error, c.error);
        EXPECT_EQ(info.width, 0);
    }
}

TEST(TexLoaderTest, FindFileNoCaseTakesRegularFilesOnly) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    testing_support::WriteBytes(dir.file("Water_Base.TEX"), {1});
    std::filesystem::create_directory(dir.file("Stone.tex"));
    EXPECT_EQ(FindFileNoCase(folder, "water_base.tex"), folder + "Water_Base.TEX");
    EXPECT_EQ(FindFileNoCase(folder, "WATER_BASE.TEX"), folder + "Water_Base.TEX");
    EXPECT_EQ(FindFileNoCase(folder, "stone.tex"), "");  // a folder is no match
    EXPECT_EQ(FindFileNoCase(folder, "water.tex"), "");
    EXPECT_EQ(FindFileNoCase(folder + "nowhere/", "water_base.tex"), "");
}

TEST(TexLoaderTest, TagSearchesStayInsideTheBuffer) {
    const Bytes bytes = Text("FXBF..DFNM..FXBF");
    EXPECT_TRUE(TagAt(bytes, 12, "FXBF"));
    EXPECT_FALSE(TagAt(bytes, 13, "FXBF"));
    EXPECT_FALSE(TagAt(bytes, -1, "FXBF"));
    EXPECT_EQ(FindTag(bytes, 0, "FXBF"), 0);
    EXPECT_EQ(FindTag(bytes, 1, "FXBF"), 12);
    EXPECT_EQ(FindTag(bytes, 13, "FXBF"), -1);
    EXPECT_EQ(FindTag(bytes, 100, "FXBF"), -1);
    EXPECT_EQ(FindTag(bytes, 0, "DFNM..FXBF"), 6);
    EXPECT_EQ(FindTagBackward(bytes, 0, "FXBF"), 12);
    EXPECT_EQ(FindTagBackward(bytes, 7, "DFNM"), -1);
}
