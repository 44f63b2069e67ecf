#include "app/prefs_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/prefs_sample.h"
#include "gtk_test_support.h"
#include "test_support.h"

using namespace gtk_test_support;
using testing_support::CustomPreferences;
using testing_support::Fields;
using testing_support::ReadText;
using testing_support::TempDir;

namespace {

constexpr const char* kSameAsLastTime = "Same exposure and tone as last time";
constexpr const char* kSourceFolder = "The folder of the source file";
constexpr const char* kWarnClipping = "Levels: ask before applying an adjustment that clips";

GtkWidget* Find(GtkWidget* window, const char* name) { return FindByAccessibleName(window, name); }
GtkWidget* Entry(GtkWidget* window, const char* name) { return FindByAccessibleName(window, name, GTK_TYPE_ENTRY); }
GtkWidget* Combo(GtkWidget* window, const char* name) {
    return FindByAccessibleName(window, name, GTK_TYPE_COMBO_BOX);
}

void Click(GtkWidget* window, const char* button) {
    GtkWidget* widget = Find(window, button);
    if (widget) gtk_button_clicked(GTK_BUTTON(widget));
    else gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_NONE);  // never leave it open
}

bool IsTicked(GtkWidget* window, const char* name) {
    GtkWidget* toggle = Find(window, name);
    return toggle && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle));
}
void Tick(GtkWidget* window, const char* name, bool on) {
    if (GtkWidget* toggle = Find(window, name)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
}

// Answers the next message box with OK, keeping its caption and text.
void WhenMessageShows(std::vector<std::string>& seen) {
    g_timeout_add(20, [](gpointer data) -> gboolean {
        GList* windows = gtk_window_list_toplevels();
        GtkWidget* box = nullptr;
        for (GList* it = windows; it; it = it->next)
            if (GTK_IS_MESSAGE_DIALOG(it->data) && gtk_widget_get_mapped(GTK_WIDGET(it->data))) box = GTK_WIDGET(it->data);
        g_list_free(windows);
        if (!box) return G_SOURCE_CONTINUE;
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        auto& shown = *static_cast<std::vector<std::string>*>(data);
        shown.push_back(std::string(gtk_window_get_title(GTK_WINDOW(box))) + ": " + (text ? text : ""));
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
        return G_SOURCE_REMOVE;
    }, &seen);
}

class PrefsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
        app.prefsFile = dir.file("Glimmerkit.prefs");
        app.prefs = CustomPreferences();
        SavePreferences(app.prefsFile, app.prefs);
        WritePrefText(app.prefsFile, "LastOpenFolder", dir.path().string() + "/");
        WritePrefInt(app.prefsFile, "WindowWidth", 777);
        stored = ReadText(app.prefsFile);
    }

    TempDir dir;
    AppState app;
    std::string stored;  // the file before the window opened
};

}  // namespace

TEST_F(PrefsWindowTest, ShowsTheSettingsAndOkStoresWhatWasChosen) {
    std::vector<std::string> unnamed, shown;
    bool exposureEnabledAfterSwitch = true;
    WhenWindowShows("Preferences", [&](GtkWidget* window) {
        unnamed = UnnamedControls(window);
        GtkWidget* steps = Entry(window, "Undo steps");
        GtkWidget* strength = Entry(window, "Normal map strength");
        GtkWidget* exposure = Entry(window, "Exposure (EV)");
        GtkWidget* tone = Combo(window, "Tone");
        GtkWidget* background = Combo(window, "Background behind transparent areas");
        GtkWidget* format = Combo(window, "Default format for Save As");
        if (!steps || !strength || !exposure || !tone || !background || !format) {
            Click(window, "Cancel");
            return;
        }
        shown = {EntryText(steps), EntryText(strength), EntryText(exposure),
                 std::to_string(gtk_combo_box_get_active(GTK_COMBO_BOX(tone))),
                 std::to_string(gtk_combo_box_get_active(GTK_COMBO_BOX(background))),
                 std::to_string(gtk_combo_box_get_active(GTK_COMBO_BOX(format))),
                 gtk_widget_get_sensitive(exposure) && gtk_widget_get_sensitive(tone) ? "enabled" : "disabled",
                 IsTicked(window, kSourceFolder) ? "source folder" : "last folder"};

        Tick(window, kSameAsLastTime, true);
        exposureEnabledAfterSwitch = gtk_widget_get_sensitive(exposure) || gtk_widget_get_sensitive(tone);
        SetEntryText(steps, "500");
        SetEntryText(strength, "2,5");
        gtk_combo_box_set_active(GTK_COMBO_BOX(background), 3);
        gtk_combo_box_set_active(GTK_COMBO_BOX(format), 7);
        Tick(window, "The folder where you last saved", true);
        Tick(window, kWarnClipping, true);
        Tick(window, "Remember the window position and size", true);
        Click(window, "OK");
    });
    EXPECT_TRUE(PreferencesWindow(nullptr, app));

    EXPECT_TRUE(unnamed.empty()) << unnamed.front();
    EXPECT_EQ(shown, (std::vector<std::string>{"77", "12.3", "-1.5", "1", "2", "6", "enabled", "source folder"}));
    EXPECT_FALSE(exposureEnabledAfterSwitch);
    Preferences expected = CustomPreferences();
    expected.rememberWindow = 1;
    expected.background = 3;
    expected.undoSteps = 200;
    expected.normalStrength = 2.5;
    expected.hdrFixed = 0;  // exposure and tone stay as they were while their controls are disabled
    expected.saveFormat = 7;
    expected.saveSourceFolder = 0;
    expected.warnClipping = 1;
    EXPECT_EQ(Fields(app.prefs), Fields(expected));
    Preferences reread;
    ReadPreferences(app.prefsFile, reread);
    EXPECT_EQ(Fields(reread), Fields(expected));
    EXPECT_EQ(ReadPrefInt(app.prefsFile, "WindowWidth", 0), 777);
}

TEST_F(PrefsWindowTest, InvalidStrengthKeepsTheWindowOpenUntilCorrected) {
    std::vector<std::string> messages;
    bool stillOpen = false;
    WhenWindowShows("Preferences", [&](GtkWidget* window) {
        GtkWidget* strength = Entry(window, "Normal map strength");
        if (!strength) {
            Click(window, "Cancel");
            return;
        }
        SetEntryText(strength, "50.1");
        WhenMessageShows(messages);
        Click(window, "OK");
        stillOpen = gtk_widget_get_mapped(window);
        SetEntryText(strength, "50");
        Click(window, "OK");
    });
    EXPECT_TRUE(PreferencesWindow(nullptr, app));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Preferences: The normal map strength must be a number between 0 and 50."}));
    EXPECT_DOUBLE_EQ(app.prefs.normalStrength, 50.0);
}

TEST_F(PrefsWindowTest, CancelEscapeAndClosingChangeNothingEvenAfterDefaults) {
    struct Case {
        const char* how;
        void (*close)(GtkWidget*);
    };
    const Case cases[] = {
        {"Cancel", [](GtkWidget* window) { Click(window, "Cancel"); }},
        {"Escape", [](GtkWidget* window) { PressKey(window, GDK_KEY_Escape); }},
        {"close button", [](GtkWidget* window) {
             gtk_window_close(GTK_WINDOW(window));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        std::string strengthAfterDefaults;
        WhenWindowShows("Preferences", [&](GtkWidget* window) {
            Click(window, "Defaults");
            if (GtkWidget* strength = Entry(window, "Normal map strength")) strengthAfterDefaults = EntryText(strength);
            c.close(window);
        });
        EXPECT_FALSE(PreferencesWindow(nullptr, app));
        EXPECT_EQ(strengthAfterDefaults, "2.0");
        EXPECT_EQ(Fields(app.prefs), Fields(CustomPreferences()));
        EXPECT_EQ(ReadText(app.prefsFile), stored);
    }
}

TEST_F(PrefsWindowTest, DefaultsThenOkStoresTheDefaultsOnly) {
    std::vector<std::string> states;
    WhenWindowShows("Preferences", [&](GtkWidget* window) {
        Click(window, "Defaults");
        GtkWidget* exposure = Entry(window, "Exposure (EV)");
        states.push_back(exposure && gtk_widget_get_sensitive(exposure) ? "enabled" : "disabled");
        Tick(window, "Always:", true);  // the option buttons switch the HDR controls both ways
        states.push_back(exposure && gtk_widget_get_sensitive(exposure) ? "enabled" : "disabled");
        Tick(window, kSameAsLastTime, true);
        states.push_back(exposure && gtk_widget_get_sensitive(exposure) ? "enabled" : "disabled");
        Click(window, "OK");
    });
    EXPECT_TRUE(PreferencesWindow(nullptr, app));
    EXPECT_EQ(states, (std::vector<std::string>{"disabled", "enabled", "disabled"}));
    EXPECT_EQ(Fields(app.prefs), Fields(Preferences{}));
    Preferences reread = CustomPreferences();
    ReadPreferences(app.prefsFile, reread);
    EXPECT_EQ(Fields(reread), Fields(Preferences{}));
    EXPECT_EQ(ReadPrefText(app.prefsFile, "LastOpenFolder"), dir.path().string() + "/");
    EXPECT_EQ(ReadPrefInt(app.prefsFile, "WindowWidth", 0), 777);
}
