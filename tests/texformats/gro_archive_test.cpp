#include "texformats/gro_archive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "texformats/zip_builder.h"

using testing_support::BuildZip;
using testing_support::PatchZipUncompressedSize;
using testing_support::TempDir;
using testing_support::ZipEntry;

namespace {

std::vector<std::string> Names(const std::vector<ArchiveMember>& members) {
    std::vector<std::string> names;
    for (const ArchiveMember& m : members) names.push_back(m.name);
    return names;
}

std::string AsText(const ByteBuffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST(GroArchive, ListsTexMembersSortedIgnoringCaseWithSizes) {
    TempDir dir;
    const std::string path = dir.file("Textures.gro");
    testing_support::WriteBytes(path, BuildZip({
                                          {"b.tex", std::string(1025, 'b')},
                                          {"Textures/", "", true},
                                          {"readme.txt", "not a texture"},
                                          {"Textures/A.TEX", std::string(1, 'a')},
                                          {"c.tex", std::string(1024, 'c')},
                                          {"folder.tex/", "", true},
                                          {"notex", "x"},
                                      }));
    std::vector<ArchiveMember> members{{"stale.tex", 1}};
    ASSERT_EQ(ListArchiveTexMembers(path, members), 3);
    EXPECT_EQ(Names(members), (std::vector<std::string>{"b.tex", "c.tex", "Textures/A.TEX"}));
    EXPECT_EQ(members[0].size, 1025);
    EXPECT_EQ(members[1].size, 1024);
    EXPECT_EQ(members[2].size, 1);
}

TEST(GroArchive, SortsByNameIgnoringCase) {
    const auto zip = BuildZip({{"b.tex", "1"}, {"A.tex", "2"}, {"c.tex", "3"}, {"a.tex", "4"}});
    std::vector<ArchiveMember> members;
    ASSERT_EQ(ListArchiveTexMembers(zip, members), 4);
    // Names equal but for case keep their archive order.
    EXPECT_EQ(Names(members), (std::vector<std::string>{"A.tex", "a.tex", "b.tex", "c.tex"}));
}

TEST(GroArchive, UnreadableArchivesListAsMinusOne) {
    TempDir dir;
    const std::string text = dir.file("text.gro");
    testing_support::WriteBytes(text, {'h', 'e', 'l', 'l', 'o'});
    struct Case {
        const char* what;
        std::string path;
    } cases[] = {
        {"missing file", dir.file("missing.gro")},
        {"a folder", dir.path().string()},
        {"not a ZIP", text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ArchiveMember> members{{"stale.tex", 1}};
        EXPECT_EQ(ListArchiveTexMembers(c.path, members), -1);
        EXPECT_TRUE(members.empty());
    }
    std::vector<ArchiveMember> members;
    EXPECT_EQ(ListArchiveTexMembers(std::span<const uint8_t>(), members), -1);
    EXPECT_EQ(ListArchiveTexMembers(BuildZip({}), members), 0);
}

TEST(GroArchive, ExtractsMembersByExactName) {
    TempDir dir;
    const std::string path = dir.file("a.gro");
    testing_support::WriteBytes(path, BuildZip({
                                          {"Textures/Sky/Sky01.tex", "first"},
                                          {"Textures/Sky/Sky01.tex", "duplicate"},
                                          {"empty.tex", ""},
                                          {"Folder/", "", true},
                                      }));
    ByteBuffer bytes;
    ASSERT_TRUE(ExtractArchiveMember(path, "Textures/Sky/Sky01.tex", bytes));
    EXPECT_EQ(AsText(bytes), "first");

    struct Case {
        const char* member;
    } misses[] = {{"textures/sky/sky01.tex"}, {"Textures/Sky/SKY01.TEX"}, {"Sky01.tex"},
                  {"empty.tex"},              {"Folder/"},                {""}};
    for (const Case& c : misses) {
        SCOPED_TRACE(c.member);
        bytes.assign(3, 'x');
        EXPECT_FALSE(ExtractArchiveMember(path, c.member, bytes));
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_FALSE(ExtractArchiveMember(dir.file("missing.gro"), "Textures/Sky/Sky01.tex", bytes));
}

TEST(GroArchive, HostileNamesAreOnlyNames) {
    TempDir dir;
    const std::filesystem::path work = dir.path() / "work";
    std::filesystem::create_directory(work);
    const auto zip = BuildZip({
        {"../evil.tex", "up"},
        {"/etc/abs.tex", "absolute"},
        {"..\\..\\win.tex", "backslashes"},
        {"deep/../../../x.tex", "dots"},
    });
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(work);
    std::vector<ArchiveMember> members;
    const int count = ListArchiveTexMembers(zip, members);
    std::vector<std::string> contents;
    for (const ArchiveMember& member : members) {
        ByteBuffer bytes;
        contents.push_back(ExtractArchiveMember(zip, member.name, bytes) ? AsText(bytes) : "(failed)");
    }
    std::filesystem::current_path(before);

    // libarchive hands backslash separators over as slashes; listing and lookup agree on them.
    EXPECT_EQ(count, 4);
    EXPECT_EQ(Names(members),
              (std::vector<std::string>{"../../win.tex", "../evil.tex", "/etc/abs.tex", "deep/../../../x.tex"}));
    EXPECT_EQ(contents, (std::vector<std::string>{"backslashes", "up", "absolute", "dots"}));
    // Nothing lands on disk, neither in the working folder nor next to it.
    EXPECT_TRUE(std::filesystem::is_empty(work));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "evil.tex"));
}

TEST(GroArchive, MembersLyingAboutTheirSizeAreRefused) {
    const std::string data(4096, 'z');
    struct Case {
        const char* what;
        uint32_t claimed;
    } cases[] = {
        {"bomb: claims more than any texture", uint32_t(kMaxArchiveMemberBytes + 1)},
        {"claims 4 GiB", 0xFFFFFFF0u},
        {"claims 400 MiB, within the cap, over 4 KiB of data", uint32_t(400) << 20},
        {"inflates to more than claimed", 100},
        {"inflates to less than claimed", 8192},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto zip = BuildZip({{"bomb.tex", data}, {"fine.tex", "fine"}});
        PatchZipUncompressedSize(zip, "bomb.tex", c.claimed);
        std::vector<ArchiveMember> members;
        ASSERT_EQ(ListArchiveTexMembers(zip, members), 2);
        EXPECT_EQ(members[0].size, int64_t(c.claimed));
        ByteBuffer bytes;
        EXPECT_FALSE(ExtractArchiveMember(zip, "bomb.tex", bytes));
        EXPECT_TRUE(bytes.empty());
        ASSERT_TRUE(ExtractArchiveMember(zip, "fine.tex", bytes));
        EXPECT_EQ(AsText(bytes), "fine");
    }
}

TEST(GroArchive, MembersLargerThanTheFirstBufferBlockComeOutWhole) {
    std::string data(3 * 1024 * 1024 + 5, 'q');
    for (std::size_t i = 0; i < data.size(); i += 4093) data[i] = char(i);
    const auto zip = BuildZip({{"big.tex", data}});
    ByteBuffer bytes;
    ASSERT_TRUE(ExtractArchiveMember(zip, "big.tex", bytes));
    EXPECT_TRUE(AsText(bytes) == data);
}

TEST(GroArchive, DamagedArchivesFailWithoutCrashing) {
    const auto zip = BuildZip({{"a.tex", std::string(3000, 'a')}, {"b.tex", std::string(3000, 'b')}});
    // Every truncation and a few corrupted bytes at each position: whatever libarchive makes of
    // them, listing and extraction return cleanly and never hand over a short member.
    for (std::size_t length = 0; length < zip.size(); length += 7) {
        const std::span<const uint8_t> part(zip.data(), length);
        std::vector<ArchiveMember> members;
        ListArchiveTexMembers(part, members);
        ByteBuffer bytes;
        if (ExtractArchiveMember(part, "b.tex", bytes)) {
            EXPECT_EQ(AsText(bytes), std::string(3000, 'b'));
        }
    }
    for (std::size_t at = 0; at < zip.size(); at += 3) {
        auto damaged = zip;
        damaged[at] ^= 0x5A;
        std::vector<ArchiveMember> members;
        ListArchiveTexMembers(damaged, members);
        ByteBuffer bytes;
        if (ExtractArchiveMember(damaged, "a.tex", bytes)) {
            EXPECT_EQ(AsText(bytes), std::string(3000, 'a'));
        }
    }
}

TEST(GroArchiveBrowserText, FilterSizeFolderAndCount) {
    EXPECT_EQ(NormalizeArchiveFilter("  SKY "), "sky");
    EXPECT_EQ(NormalizeArchiveFilter("   "), "");
    EXPECT_TRUE(ArchiveMemberMatches("Textures/Sky/Sky01.tex", NormalizeArchiveFilter("SKY")));
    EXPECT_TRUE(ArchiveMemberMatches("Textures/Sky/Sky01.tex", ""));
    EXPECT_TRUE(ArchiveMemberMatches("Textures/Sky/Sky01.tex", "s/sky"));  // folders count too
    EXPECT_FALSE(ArchiveMemberMatches("Textures/Sky/Sky01.tex", "sky02"));

    struct SizeCase {
        int64_t size;
        const char* text;
    } sizes[] = {{0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}, {5 << 20, "5120 KB"}};
    for (const SizeCase& c : sizes) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(ArchiveSizeText(c.size), c.text);
    }

    struct PathCase {
        const char* name;
        const char* file;
        const char* folder;
    } paths[] = {
        {"Textures/Sky/Sky01.tex", "Sky01.tex", "Textures/Sky/"},
        {"Textures\\Sky\\Sky01.tex", "Sky01.tex", "Textures\\Sky\\"},
        {"top.tex", "top.tex", ""},
    };
    for (const PathCase& c : paths) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ArchiveMemberFile(c.name), c.file);
        EXPECT_EQ(ArchiveMemberFolder(c.name), c.folder);
    }
    EXPECT_EQ(ArchiveCountText(3, 10000), "3 of 10000 textures");
}
