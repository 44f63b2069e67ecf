#include "app/prefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

const std::string kBom = "\xEF\xBB\xBF";

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(Prefs, SettingsPassTheirRangeRulesWhenRead) {
    const std::map<std::string, std::function<double(const Preferences&)>> field = {
        {"PrefRememberWindow", [](const Preferences& p) { return p.rememberWindow; }},
        {"PrefBackground", [](const Preferences& p) { return p.background; }},
        {"PrefUndoSteps", [](const Preferences& p) { return p.undoSteps; }},
        {"PrefNormalStrength", [](const Preferences& p) { return p.normalStrength; }},
        {"PrefHdrExposure", [](const Preferences& p) { return p.hdrExposure; }},
        {"PrefHdrTone", [](const Preferences& p) { return p.hdrTone; }},
        {"PrefSaveFormat", [](const Preferences& p) { return p.saveFormat; }},
        {"PrefWarnClipping", [](const Preferences& p) { return p.warnClipping; }},
    };
    struct Case {
        const char* line;
        const char* key;
        double expected;
    };
    const Case cases[] = {
        {"PrefUndoSteps = 500", "PrefUndoSteps", 200},
        {"PrefUndoSteps = 1", "PrefUndoSteps", 2},
        {"PrefUndoSteps = abc", "PrefUndoSteps", 2},
        {"PrefUndoSteps = -5", "PrefUndoSteps", 2},
        {"PrefUndoSteps = 99999999999999999999999", "PrefUndoSteps", 200},
        {"PrefUndoSteps = 12abc", "PrefUndoSteps", 12},
        {"PrefUndoSteps = ", "PrefUndoSteps", 30},
        {"prefundosteps=  45  ", "PrefUndoSteps", 45},
        {"PrefBackground = 7", "PrefBackground", 3},
        {"PrefBackground = -1", "PrefBackground", 0},
        {"PrefSaveFormat = 8", "PrefSaveFormat", 7},
        {"PrefHdrTone = 2", "PrefHdrTone", 1},
        {"PrefRememberWindow = 0", "PrefRememberWindow", 0},
        {"PrefRememberWindow = 5", "PrefRememberWindow", 1},
        // Non-zero even though its low 32 bits are zero.
        {"PrefRememberWindow = 4294967296", "PrefRememberWindow", 1},
        {"PrefWarnClipping = abc", "PrefWarnClipping", 0},
        {"PrefNormalStrength = 3.25", "PrefNormalStrength", 3.25},
        {"PrefNormalStrength = 0", "PrefNormalStrength", 2.0},
        {"PrefNormalStrength = -1.5", "PrefNormalStrength", 2.0},
        {"PrefNormalStrength = abc", "PrefNormalStrength", 2.0},
        {"PrefNormalStrength = nan", "PrefNormalStrength", 2.0},
        {"PrefNormalStrength = 1e999", "PrefNormalStrength", 2.0},
        {"PrefHdrExposure = -1.5", "PrefHdrExposure", -1.5},
        {"PrefHdrExposure = +.5", "PrefHdrExposure", 0.5},
        {"PrefHdrExposure = 1,5", "PrefHdrExposure", 1.0},
        {"PrefHdrExposure = inf", "PrefHdrExposure", 0.0},
    };
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        WriteText(file, kBom + c.line + "\n");
        Preferences prefs;
        prefs.undoSteps = 77;  // reading starts from the defaults, not from what was there
        ReadPreferences(file, prefs);
        EXPECT_DOUBLE_EQ(field.at(c.key)(prefs), c.expected);
    }
}

TEST(Prefs, MissingFileReadsAsDefaults) {
    TempDir dir;
    Preferences prefs;
    prefs.background = 3;
    ReadPreferences(dir.file("none.prefs"), prefs);
    const Preferences defaults;
    EXPECT_EQ(prefs.background, defaults.background);
    EXPECT_EQ(prefs.undoSteps, 30);
    EXPECT_EQ(prefs.normalStrength, 2.0);
    EXPECT_EQ(prefs.warnDataLoss, 1);
    EXPECT_EQ(ReadPrefText(dir.file("none.prefs"), "PrefUndoSteps"), "");
    EXPECT_EQ(ReadPrefInt(dir.file("none.prefs"), "LastDDSFormat", -1), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.prefs")));
}

TEST(Prefs, DamagedFilesAreToleratedWhenRead) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 37 + 11) % 256);
    const std::string hugeLine(1 << 20, 'x');
    struct Case {
        const char* name;
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {"without byte-order mark", "PrefUndoSteps = 7\n", "7"},
        {"first of duplicate keys wins", kBom + "PrefUndoSteps = 7\nPREFUNDOSTEPS = 9\n", "7"},
        {"CRLF line ends", kBom + "A = 1\r\nPrefUndoSteps = 7\r\n", "7"},
        {"no final line feed", kBom + "PrefUndoSteps = 7", "7"},
        {"no blanks around =", kBom + "PrefUndoSteps=7\n", "7"},
        {"comment lines are no keys", kBom + "# PrefUndoSteps = 1\n;PrefUndoSteps = 2\nPrefUndoSteps = 7\n", "7"},
        {"text after = keeps further =", kBom + "PrefUndoSteps = a=b \n", "a=b "},
        {"binary garbage around the key", garbage + "\nPrefUndoSteps = 7\n" + garbage, "7"},
        {"zero bytes inside lines", std::string("A\0B = 1\nPrefUndoSteps = 7\n", 26), "7"},
        {"a one-megabyte line", hugeLine + "\nPrefUndoSteps = 7\n" + hugeLine, "7"},
        {"key only as a prefix", kBom + "PrefUndoStepsX = 1\nXPrefUndoSteps = 2\n", ""},
        {"line without =", kBom + "PrefUndoSteps 7\n", ""},
        {"only a byte-order mark", kBom, ""},
        {"a broken byte-order mark", "\xEF\xBBPrefUndoSteps = 7\n", ""},
    };
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = FindPrefValue(c.text, "PrefUndoSteps");
        EXPECT_EQ(found ? std::string(*found) : std::string(), c.expected);

        WriteText(file, c.text);
        EXPECT_EQ(ReadPrefText(file, "prefundosteps"), c.expected);
        // Rewriting leaves exactly one line for the key and keeps everything else.
        WritePrefInt(file, "PrefUndoSteps", 40);
        const std::string rewritten = ReadText(file);
        EXPECT_EQ(rewritten.substr(0, 3), kBom);
        EXPECT_EQ(ReadPrefInt(file, "PrefUndoSteps", 0), 40);
        std::size_t keyLines = 0;
        for (auto at = rewritten.find("PrefUndoSteps = 40\n"); at != std::string::npos;
             at = rewritten.find("PrefUndoSteps = 40\n", at + 1))
            ++keyLines;
        EXPECT_EQ(keyLines, 1u);
        EXPECT_GE(rewritten.size(), c.text.size() - std::min<std::size_t>(c.text.size(), 64));
    }
}

TEST(Prefs, RewritingKeepsForeignLinesCommentsAndBlankLines) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    WriteText(file,
              "# written by hand\n"
              "\n"
              "SomethingElse = keep me\n"
              "prefundosteps = 5\r\n"
              "   \n"
              "PrefUndoSteps = 6\n"
              "PrefBackground = 1");
    WritePrefInt(file, "PrefUndoSteps", 40);
    WritePrefText(file, "LastOpenFolder", "/home/me/my textures/");
    WritePrefReal(file, "LastHdrExposure", -1.5);
    WritePrefReal(file, "PrefNormalStrength", 2.0);
    WritePrefReal(file, "PrefHdrExposure", -0.0001);
    EXPECT_EQ(ReadText(file), kBom +
                                  "# written by hand\n"
                                  "\n"
                                  "SomethingElse = keep me\n"
                                  "PrefUndoSteps = 40\n"
                                  "   \n"
                                  "PrefBackground = 1\n"
                                  "LastOpenFolder = /home/me/my textures/\n"
                                  "LastHdrExposure = -1.500\n"
                                  "PrefNormalStrength = 2.000\n"
                                  "PrefHdrExposure = -0.000\n");
    EXPECT_EQ(ReadPrefText(file, "LastOpenFolder"), "/home/me/my textures/");
    EXPECT_DOUBLE_EQ(ReadPrefReal(file, "LastHdrExposure", 0.0), -1.5);
}

TEST(Prefs, SavedSettingsReadBackTheSame) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    Preferences saved;
    saved.rememberWindow = 0;
    saved.background = 2;
    saved.undoSteps = 150;
    saved.normalStrength = 3.125;
    saved.hdrFixed = 1;
    saved.hdrExposure = -2.5;
    saved.hdrTone = 1;
    saved.saveFormat = 6;
    saved.saveSourceFolder = 1;
    saved.warnDataLoss = 0;
    saved.warnSe1Size = 0;
    saved.warnClipping = 0;
    SavePreferences(file, saved);
    EXPECT_EQ(ReadText(file), kBom +
                                  "PrefRememberWindow = 0\nPrefBackground = 2\nPrefUndoSteps = 150\n"
                                  "PrefNormalStrength = 3.125\nPrefHdrFixed = 1\nPrefHdrExposure = -2.500\n"
                                  "PrefHdrTone = 1\nPrefSaveFormat = 6\nPrefSaveSourceFolder = 1\n"
                                  "PrefWarnDataLoss = 0\nPrefWarnSE1Size = 0\nPrefWarnClipping = 0\n");
    Preferences read;
    ReadPreferences(file, read);
    EXPECT_EQ(read.rememberWindow, 0);
    EXPECT_EQ(read.background, 2);
    EXPECT_EQ(read.undoSteps, 150);
    EXPECT_DOUBLE_EQ(read.normalStrength, 3.125);
    EXPECT_EQ(read.hdrFixed, 1);
    EXPECT_DOUBLE_EQ(read.hdrExposure, -2.5);
    EXPECT_EQ(read.hdrTone, 1);
    EXPECT_EQ(read.saveFormat, 6);
    EXPECT_EQ(read.saveSourceFolder, 1);
    EXPECT_EQ(read.warnDataLoss, 0);
    EXPECT_EQ(read.warnSe1Size, 0);
    EXPECT_EQ(read.warnClipping, 0);
}

TEST(Prefs, FoldersAreReadOnlyWhileTheyExist) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    const std::string folder = dir.file("textures") + "/";
    std::filesystem::create_directory(folder);
    WritePrefText(file, "LastOpenFolder", folder);
    WritePrefText(file, "LastSaveFolder", dir.file("deleted") + "/");
    WritePrefText(file, "LastHdrTone", folder);  // a file's text is no folder
    WriteText(dir.file("plain.txt"), "x");
    WritePrefText(file, "BatchOutputFolder", dir.file("plain.txt"));
    EXPECT_EQ(ReadPrefFolder(file, "LastOpenFolder"), folder);
    EXPECT_EQ(ReadPrefFolder(file, "LastSaveFolder"), "");
    EXPECT_EQ(ReadPrefFolder(file, "BatchOutputFolder"), "");
    EXPECT_EQ(ReadPrefFolder(file, "Missing"), "");
}

TEST(Prefs, ValuesThatWouldBreakTheLineFormatAreNotWritten) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    WritePrefText(file, "LastOpenFolder", "/safe/");
    WritePrefText(file, "LastOpenFolder", "/tmp/x\nPrefUndoSteps = 2");
    WritePrefText(file, "Bad=Key", "1");
    WritePrefText(file, "", "1");
    EXPECT_EQ(ReadText(file), kBom + "LastOpenFolder = /safe/\n");
}

TEST(Prefs, FileLivesInAHiddenFolderOfHomeOrInTheCurrentFolder) {
    TempDir dir;
    const std::string home = dir.path().string();
    const std::string path = PrefsFilePath(home.c_str());
    EXPECT_EQ(path, home + "/.Glimmerkit/Glimmerkit.prefs");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.Glimmerkit"));
    EXPECT_FALSE(std::filesystem::exists(path));  // the first write creates the file
    WritePrefInt(path, "PrefUndoSteps", 12);
    EXPECT_EQ(ReadText(path), kBom + "PrefUndoSteps = 12\n");

    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string fallback = PrefsFilePath(nullptr);
    const std::string fallbackForEmptyHome = PrefsFilePath("");
    std::filesystem::current_path(before);
    EXPECT_EQ(fallback, (dir.path() / "Glimmerkit" / "Glimmerkit.prefs").string());
    EXPECT_EQ(fallbackForEmptyHome, fallback);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Glimmerkit"));
}

TEST(Prefs, UnwritablePlacesDropWritesSilently) {
    TempDir dir;
    // HOME names a regular file: no folder can be made under it.
    WriteText(dir.file("home-is-a-file"), "x");
    const std::string path = PrefsFilePath(dir.file("home-is-a-file").c_str());
    WritePrefInt(path, "PrefUndoSteps", 12);
    EXPECT_EQ(ReadPrefInt(path, "PrefUndoSteps", 30), 30);
    EXPECT_EQ(ReadText(dir.file("home-is-a-file")), "x");

    // The preferences path is a folder: nothing is written and nothing is left behind.
    std::filesystem::create_directory(dir.file("taken"));
    WritePrefInt(dir.file("taken"), "PrefUndoSteps", 12);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_EQ(FolderEntries(dir.path()).size(), 2u);
    WritePrefInt("", "PrefUndoSteps", 12);  // no preferences file at all
}

TEST(Prefs, EveryWriteReplacesTheFileWholeAndLeavesNoTemporaryFiles) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    WriteText(file, kBom + "Foreign = 1\n");
    // A second name for the old file shows whether it was changed in place.
    ASSERT_EQ(link(file.c_str(), dir.file("old").c_str()), 0);
    WritePrefInt(file, "Key0", 0);
    EXPECT_EQ(ReadText(dir.file("old")), kBom + "Foreign = 1\n");
    std::filesystem::remove(dir.file("old"));
    for (int i = 1; i < 20; ++i) WritePrefInt(file, "Key" + std::to_string(i % 5), i);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"Glimmerkit.prefs"});
    EXPECT_EQ(ReadText(file), kBom + "Foreign = 1\nKey0 = 15\nKey1 = 16\nKey2 = 17\nKey3 = 18\nKey4 = 19\n");
}

TEST(Prefs, NumberConversionsFollowTheCRules) {
    struct Case {
        const char* text;
        int64_t integer;
        double real;
    };
    const Case cases[] = {
        {"42", 42, 42.0},           {"  -7", -7, -7.0},      {"+3", 3, 3.0},
        {"abc", 0, 0.0},            {"", 0, 0.0},            {"12.75xyz", 12, 12.75},
        {"0x10", 0, 0.0},           {"-", 0, 0.0},           {"+-1", 0, 0.0},
        {"9223372036854775807", INT64_MAX, 9223372036854775807.0},
        {"-9223372036854775808", INT64_MIN, -9223372036854775808.0},
        {"9223372036854775808", INT64_MAX, 9223372036854775808.0},
        {"-99999999999999999999", INT64_MIN, -99999999999999999999.0},
        {"1e3", 1, 1000.0},         {"\t5\n", 5, 5.0},       {"nan", 0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParsePrefInt(c.text), c.integer);
        EXPECT_DOUBLE_EQ(ParsePrefReal(c.text), c.real);
    }
    EXPECT_EQ(FormatPrefReal(0.0), "0.000");
    EXPECT_EQ(FormatPrefReal(-1.5), "-1.500");
    EXPECT_EQ(FormatPrefReal(2.0005), "2.001");
    EXPECT_EQ(FormatPrefReal(1e20), "100000000000000000000.000");
}

}  // namespace
