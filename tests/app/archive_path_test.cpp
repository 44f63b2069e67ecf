#include "app/archive_path.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchivePath, SplitsAndNamesPlainAndArchivePaths) {
    struct Case {
        const char* path;
        bool isArchive;
        const char* file;
        const char* member;
        const char* name;
        const char* location;
    };
    const Case cases[] = {
        {"/games/Textures.gro::Textures/Sky/Sky01_N.tex", true, "/games/Textures.gro",
         "Textures/Sky/Sky01_N.tex", "Sky01_N.tex", "Textures.gro : Textures/Sky/"},
        {"/games/Textures.gro::Textures\\Sky\\Sky01.tex", true, "/games/Textures.gro",
         "Textures\\Sky\\Sky01.tex", "Sky01.tex", "Textures.gro : Textures\\Sky\\"},
        {"/games/Top.gro::Wall.tex", true, "/games/Top.gro", "Wall.tex", "Wall.tex", "Top.gro : "},
        // Only the first "::" separates the archive from the member.
        {"a.gro::b::c/d.tex", true, "a.gro", "b::c/d.tex", "d.tex", "a.gro : b::c/"},
        // Any path with "::" counts as an archive path.
        {"/tmp/odd::name.tga", true, "/tmp/odd", "name.tga", "name.tga", "odd : "},
        {"/home/me/textures/wall.tex", false, "/home/me/textures/wall.tex", "", "wall.tex",
         "/home/me/textures/"},
        {"wall.tex", false, "wall.tex", "", "wall.tex", ""},
        {"/home/me/back\\slash.tga", false, "/home/me/back\\slash.tga", "", "back\\slash.tga", "/home/me/"},
        {"", false, "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsArchivePath(c.path), c.isArchive);
        EXPECT_EQ(ArchiveFilePath(c.path), c.file);
        EXPECT_EQ(ArchiveMemberPath(c.path), c.member);
        EXPECT_EQ(DisplayName(c.path), c.name);
        EXPECT_EQ(DisplayLocation(c.path), c.location);
    }
}

TEST(ArchivePath, LastPathComponentAcceptsBothSeparators) {
    EXPECT_EQ(LastPathComponent("Textures\\Sky/Sky01.tex"), "Sky01.tex");
    EXPECT_EQ(LastPathComponent("Sky01.tex"), "Sky01.tex");
    EXPECT_EQ(LastPathComponent("Textures/Sky/"), "");
}

}  // namespace
