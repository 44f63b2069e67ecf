#include "app/session_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/recording_view.h"
#include "test_support.h"

namespace {

using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

const std::string kBom = "\xEF\xBB\xBF";

// Two monitors side by side: 1920 x 1080 and, to its right, 1280 x 1024.
const std::vector<MonitorRect> kMonitors = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

TEST(LoadPreferences, RememberedGeometryIsUsedOnlyWhenLargeEnoughAndOnAMonitor) {
    struct Case {
        const char* name;
        std::string lines;
        bool placed;  // else: centred at the default 824 x 448
        bool maximised;
    };
    const Case cases[] = {
        {"valid", "WindowX = 100\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 600\n", true, false},
        {"width 299", "WindowX = 100\nWindowY = 50\nWindowWidth = 299\nWindowHeight = 600\nWindowMaximized = 1\n",
         false, true},
        {"height 199", "WindowX = 100\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 199\n", false, false},
        {"exactly 300 x 200", "WindowX = 100\nWindowY = 50\nWindowWidth = 300\nWindowHeight = 200\n", true, false},
        {"corner point left of every monitor",
         "WindowX = -41\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 600\nWindowMaximized = 1\n", false, true},
        {"corner point on the left edge", "WindowX = -40\nWindowY = -20\nWindowWidth = 800\nWindowHeight = 600\n",
         true, false},
        {"on the second monitor", "WindowX = 3000\nWindowY = 900\nWindowWidth = 800\nWindowHeight = 600\n", true,
         false},
        {"right edge of the second monitor is outside",
         "WindowX = 3160\nWindowY = 100\nWindowWidth = 800\nWindowHeight = 600\n", false, false},
        {"below the second monitor, beside the first",
         "WindowX = 2000\nWindowY = 1010\nWindowWidth = 800\nWindowHeight = 600\n", false, false},
        {"no keys at all", "", false, false},
        {"damaged numbers", "WindowX = abc\nWindowY = abc\nWindowWidth = 800\nWindowHeight = 600\n", true, false},
        {"beyond the int range",
         "WindowX = 9223372036854775807\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 600\n", false, false},
        {"size beyond the int range",
         "WindowX = 100\nWindowY = 50\nWindowWidth = 4294967296\nWindowHeight = 600\n", false, false},
        {"window memory switched off",
         "PrefRememberWindow = 0\nWindowX = 100\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 600\n"
         "WindowMaximized = 1\n",
         false, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState app;
        app.prefsFile = dir.file("Glimmerkit.prefs");
        WriteText(app.prefsFile, kBom + c.lines);
        LoadPreferences(app, kMonitors);
        EXPECT_EQ(app.window.centred, !c.placed);
        EXPECT_EQ(app.window.maximised, c.maximised);
        if (c.placed) {
            EXPECT_EQ(app.window.width, ParsePrefInt(ReadPrefText(app.prefsFile, "WindowWidth")));
            EXPECT_EQ(app.window.height, ParsePrefInt(ReadPrefText(app.prefsFile, "WindowHeight")));
            EXPECT_EQ(app.window.x, ParsePrefInt(ReadPrefText(app.prefsFile, "WindowX")));
            EXPECT_EQ(app.window.y, ParsePrefInt(ReadPrefText(app.prefsFile, "WindowY")));
        } else {
            const WindowGeometry defaults;
            EXPECT_EQ(app.window.x, defaults.x);
            EXPECT_EQ(app.window.y, defaults.y);
            EXPECT_EQ(app.window.width, 824);
            EXPECT_EQ(app.window.height, 448);
        }
    }
}

TEST(LoadPreferences, SetsTheHistoryLimitFoldersHdrStateAndDdsChoices) {
    TempDir dir;
    const std::string folder = dir.file("textures") + "/";
    std::filesystem::create_directory(folder);
    struct Case {
        const char* name;
        std::string lines;
        double exposure;
        int tone;
        int64_t ddsFormat;
        bool ddsMips;
    };
    const Case cases[] = {
        {"first run", "", 0.0, 0, -1, true},
        {"last run's state", "LastHdrExposure = -2.000\nLastHdrTone = 1\nLastDDSFormat = 3\nLastDDSMips = 0\n", -2.0,
         1, 3, false},
        {"last tone out of range", "LastHdrTone = 5\nLastDDSMips = 7\n", 0.0, 1, -1, true},
        {"fixed exposure and tone win over the last ones",
         "PrefHdrFixed = 1\nPrefHdrExposure = 1.500\nPrefHdrTone = 1\nLastHdrExposure = -2.000\nLastHdrTone = 0\n",
         1.5, 1, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState app;
        app.prefsFile = dir.file("Glimmerkit.prefs");
        WriteText(app.prefsFile, kBom + c.lines + "PrefUndoSteps = 500\nLastOpenFolder = " + folder +
                                     "\nLastSaveFolder = " + dir.file("deleted") + "/\n");
        LoadPreferences(app, kMonitors);
        EXPECT_EQ(app.prefs.undoSteps, 200);
        EXPECT_EQ(app.history.limit, 200);
        EXPECT_EQ(app.doc.lastOpenFolder, folder);
        EXPECT_EQ(app.doc.lastSaveFolder, "");
        EXPECT_DOUBLE_EQ(app.hdr.exposure, c.exposure);
        EXPECT_EQ(app.hdr.tone, c.tone);
        EXPECT_EQ(app.doc.lastDdsFormat, c.ddsFormat);
        EXPECT_EQ(app.doc.lastDdsMips, c.ddsMips);
    }
}

struct WindowView : RecordingView {
    bool maximised = false, minimised = false;
    int x = 120, y = 80, width = 900, height = 500;
    bool IsMaximized() const override { return maximised; }
    bool IsMinimized() const override { return minimised; }
    void GetGeometry(int& outX, int& outY, int& outWidth, int& outHeight) const override {
        outX = x;
        outY = y;
        outWidth = width;
        outHeight = height;
    }
};

TEST(SaveSessionState, WritesTheRunsStateAndTheLastNormalGeometry) {
    const std::string oldGeometry = "WindowX = 10\nWindowY = 20\nWindowWidth = 640\nWindowHeight = 480\n";
    const std::string session = "LastHdrExposure = 0.000\nLastHdrTone = 0\nLastDDSFormat = -1\nLastDDSMips = 1\n";
    struct Case {
        const char* name;
        bool remember, maximised, minimised;
        std::string expected;
    };
    const Case cases[] = {
        {"normal window", true, false, false,
         "WindowX = 120\nWindowY = 80\nWindowWidth = 900\nWindowHeight = 500\n" + session + "WindowMaximized = 0\n"},
        {"maximised keeps the old geometry", true, true, false, oldGeometry + session + "WindowMaximized = 1\n"},
        {"minimised keeps the old geometry", true, false, true, oldGeometry + session + "WindowMaximized = 0\n"},
        {"window memory off writes no window keys", false, true, false, oldGeometry + session},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WindowView view;
        view.maximised = c.maximised;
        view.minimised = c.minimised;
        AppState app;
        app.view = &view;
        app.prefs.rememberWindow = c.remember ? 1 : 0;
        app.prefsFile = dir.file("Glimmerkit.prefs");
        WriteText(app.prefsFile, kBom + oldGeometry);
        SaveSessionState(app);
        EXPECT_EQ(ReadText(app.prefsFile), kBom + c.expected);
    }
}

TEST(SaveSessionState, StoresTheCurrentHdrStateEvenWhenItIsFixed) {
    TempDir dir;
    AppState app;
    app.prefsFile = dir.file("Glimmerkit.prefs");
    WriteText(app.prefsFile, kBom + "PrefHdrFixed = 1\nPrefHdrExposure = 1.500\nPrefHdrTone = 1\n");
    LoadPreferences(app, kMonitors);
    app.hdr.exposure = -0.5;
    app.doc.lastDdsFormat = 2;
    app.doc.lastDdsMips = false;
    SaveSessionState(app);
    EXPECT_EQ(ReadPrefText(app.prefsFile, "LastHdrExposure"), "-0.500");
    EXPECT_EQ(ReadPrefText(app.prefsFile, "LastHdrTone"), "1");
    EXPECT_EQ(ReadPrefText(app.prefsFile, "LastDDSFormat"), "2");
    EXPECT_EQ(ReadPrefText(app.prefsFile, "LastDDSMips"), "0");

    AppState next;
    next.prefsFile = app.prefsFile;
    LoadPreferences(next, kMonitors);
    EXPECT_DOUBLE_EQ(next.hdr.exposure, 1.5);
    EXPECT_EQ(next.doc.lastDdsFormat, 2);
    EXPECT_FALSE(next.doc.lastDdsMips);
}

}  // namespace
