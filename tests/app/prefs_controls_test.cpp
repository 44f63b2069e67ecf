#include "app/prefs_controls.h"

#include <gtest/gtest.h>

#include <string>

#include "app/prefs_sample.h"
#include "platform/scripted_ui.h"
#include "test_support.h"

namespace {

using testing_support::CustomPreferences;
using testing_support::Fields;
using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

TEST(PrefsControls, FillShowsEverySettingAndEnablesHdrControlsOnlyWhenFixed) {
    const PreferencesControls custom = FillPreferencesControls(CustomPreferences());
    EXPECT_FALSE(custom.rememberWindow);
    EXPECT_EQ(custom.background, 2);
    EXPECT_EQ(custom.undoSteps, "77");
    EXPECT_EQ(custom.normalStrength, "12.3");
    EXPECT_TRUE(custom.hdrFixed);
    EXPECT_EQ(custom.hdrExposure, "-1.5");
    EXPECT_EQ(custom.hdrTone, 1);
    EXPECT_TRUE(custom.hdrControlsEnabled);
    EXPECT_EQ(custom.saveFormat, 6);
    EXPECT_TRUE(custom.saveSourceFolder);
    EXPECT_FALSE(custom.warnDataLoss || custom.warnSe1Size || custom.warnClipping);

    const PreferencesControls defaults = DefaultPreferencesControls();
    EXPECT_TRUE(defaults.rememberWindow);
    EXPECT_EQ(defaults.undoSteps, "30");
    EXPECT_EQ(defaults.normalStrength, "2.0");
    EXPECT_EQ(defaults.hdrExposure, "0.0");
    EXPECT_FALSE(defaults.hdrFixed);
    EXPECT_FALSE(defaults.hdrControlsEnabled);
    EXPECT_TRUE(defaults.warnDataLoss && defaults.warnSe1Size && defaults.warnClipping);
}

TEST(PrefsControls, StrengthMustLieAboveZeroAndAtMostFifty) {
    struct Case {
        const char* typed;
        bool accepted;
        double stored;
    };
    const Case cases[] = {
        {"2,5", true, 2.5},  {"50", true, 50.0},  {"0,1", true, 0.1},   {" 7.25", true, 7.25},
        {"0", false, 0},     {"50.1", false, 0},  {"-3", false, 0},     {"", false, 0},
        {"abc", false, 0},   {"nan", false, 0},   {"inf", false, 0},    {"1e400", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Preferences before = CustomPreferences();
        Preferences prefs = before;
        PreferencesControls controls = FillPreferencesControls(prefs);
        controls.normalStrength = c.typed;
        controls.undoSteps = "5";  // shows that nothing at all is stored when refused
        ScriptedUi ui;
        if (!c.accepted) ui.ExpectMessage(Answer::Ok);
        EXPECT_EQ(ApplyPreferencesControls(controls, prefs, ui), c.accepted);
        EXPECT_TRUE(ui.unexpected.empty());
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(prefs.normalStrength, c.stored);
            EXPECT_EQ(prefs.undoSteps, 5);
            EXPECT_TRUE(ui.shown.empty());
        } else {
            EXPECT_EQ(Fields(prefs), Fields(before));
            ASSERT_EQ(ui.shown.size(), 1u);
            EXPECT_EQ(ui.shown[0].box, BoxKind::Error);
            EXPECT_EQ(ui.shown[0].caption, "Preferences");
            EXPECT_EQ(ui.shown[0].text, "The normal map strength must be a number between 0 and 50.");
        }
    }
}

TEST(PrefsControls, OtherEntriesAreClampedOrTakenAsTyped) {
    struct Case {
        const char* undoSteps;
        const char* exposure;
        int storedSteps;
        double storedExposure;
    };
    const Case cases[] = {
        {"500", "1,5", 200, 1.5}, {"1", "-2.25", 2, -2.25}, {"abc", "x", 2, 0.0},
        {"45", "", 45, 0.0},      {"200", "99", 200, 99.0}, {"-7", "-0,5", 2, -0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.undoSteps) + " / " + c.exposure);
        Preferences prefs;
        PreferencesControls controls = FillPreferencesControls(prefs);
        controls.undoSteps = c.undoSteps;
        controls.hdrExposure = c.exposure;
        ScriptedUi ui;
        ASSERT_TRUE(ApplyPreferencesControls(controls, prefs, ui));
        EXPECT_EQ(prefs.undoSteps, c.storedSteps);
        EXPECT_DOUBLE_EQ(prefs.hdrExposure, c.storedExposure);
    }
}

TEST(PrefsControls, HdrValuesAreKeptWhileTheirControlsAreDisabled) {
    Preferences prefs = CustomPreferences();
    PreferencesControls controls = FillPreferencesControls(prefs);
    controls.hdrFixed = false;  // "Same exposure and tone as last time"
    controls.hdrControlsEnabled = false;
    ScriptedUi ui;
    ASSERT_TRUE(ApplyPreferencesControls(controls, prefs, ui));
    EXPECT_EQ(prefs.hdrFixed, 0);
    EXPECT_DOUBLE_EQ(prefs.hdrExposure, -1.5);
    EXPECT_EQ(prefs.hdrTone, 1);
}

TEST(PrefsControls, DefaultsChangeNothingUntilOkAndOkLeavesTheRememberedStateAlone) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    Preferences prefs = CustomPreferences();
    SavePreferences(file, prefs);
    WritePrefText(file, "LastOpenFolder", dir.path().string() + "/");
    WritePrefInt(file, "WindowWidth", 777);
    WritePrefReal(file, "LastHdrExposure", 2.0);
    const std::string stored = ReadText(file);

    // "Defaults", then Cancel: the window drops its controls.
    const PreferencesControls defaults = DefaultPreferencesControls();
    EXPECT_EQ(Fields(prefs), Fields(CustomPreferences()));
    EXPECT_EQ(ReadText(file), stored);

    // "Defaults", then OK.
    ScriptedUi ui;
    ASSERT_TRUE(ConfirmPreferencesControls(defaults, prefs, file, ui));
    EXPECT_EQ(Fields(prefs), Fields(Preferences{}));
    Preferences reread = CustomPreferences();
    ReadPreferences(file, reread);
    EXPECT_EQ(Fields(reread), Fields(Preferences{}));
    EXPECT_EQ(ReadPrefText(file, "LastOpenFolder"), dir.path().string() + "/");
    EXPECT_EQ(ReadPrefInt(file, "WindowWidth", 0), 777);
    EXPECT_EQ(ReadPrefText(file, "LastHdrExposure"), "2.000");
}

TEST(PrefsControls, RefusedOkWritesNothing) {
    TempDir dir;
    const std::string file = dir.file("Glimmerkit.prefs");
    Preferences prefs = CustomPreferences();
    SavePreferences(file, prefs);
    const std::string stored = ReadText(file);
    PreferencesControls controls = DefaultPreferencesControls();
    controls.normalStrength = "0";
    ScriptedUi ui;
    ui.ExpectMessage(Answer::Ok);
    EXPECT_FALSE(ConfirmPreferencesControls(controls, prefs, file, ui));
    EXPECT_EQ(ReadText(file), stored);
    EXPECT_EQ(Fields(prefs), Fields(CustomPreferences()));
}

}  // namespace
