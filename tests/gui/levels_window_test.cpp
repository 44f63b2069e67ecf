// The real levels window under Xvfb: fields, channel list, markers, clipping line and preview.
#include "adjust/levels_window.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <cmath>

#include <cstdlib>
#include <string>
#include <vector>

#include "gtk_test_support.h"

using namespace gtk_test_support;

namespace {

// What the scripted user saw, checked after the window has closed.
struct Seen {
    std::vector<std::string> texts;
    std::vector<std::string> unnamed;
};

std::string LabelText(GtkWidget* window, const char* name) {
    GtkWidget* label = FindByAccessibleName(window, name, GTK_TYPE_LABEL);
    return label ? gtk_label_get_text(GTK_LABEL(label)) : "(missing " + std::string(name) + ")";
}

std::string Field(GtkWidget* window, const char* name) {
    GtkWidget* entry = FindByAccessibleName(window, name, GTK_TYPE_ENTRY);
    return entry ? EntryText(entry) : "(missing)";
}

void Type(GtkWidget* window, const char* name, const std::string& text) {
    if (GtkWidget* entry = FindByAccessibleName(window, name, GTK_TYPE_ENTRY)) SetEntryText(entry, text);
}

void Click(GtkWidget* window, const char* button) {
    GtkWidget* widget = FindByAccessibleName(window, button, GTK_TYPE_BUTTON);
    if (widget) gtk_button_clicked(GTK_BUTTON(widget));
    else gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_NONE);  // never leave it open
}

// A left-button press, move or release on the canvas at x.
void Mouse(GtkWidget* canvas, GdkEventType type, double x) {
    GdkEvent* event = gdk_event_new(type);
    const char* signal = "button-press-event";
    if (type == GDK_MOTION_NOTIFY) {
        event->motion.x = x;
        event->motion.y = 160;
        signal = "motion-notify-event";
    } else {
        event->button.button = 1;
        event->button.x = x;
        event->button.y = 160;
        if (type == GDK_BUTTON_RELEASE) signal = "button-release-event";
    }
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(canvas)));
    gboolean handled = FALSE;
    g_signal_emit_by_name(canvas, signal, event, &handled);
    gdk_event_free(event);
}

void Pump() {
    while (gtk_events_pending()) gtk_main_iteration();
}

// With GLIMMER_GUI_SHOTS set, saves what the screen shows to that folder for a human to look at.
void MaybeScreenshot(const char* name) {
    const char* folder = std::getenv("GLIMMER_GUI_SHOTS");
    if (!folder) return;
    Pump();
    GdkWindow* root = gdk_get_default_root_window();
    GdkPixbuf* shot =
        gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
    if (!shot) return;
    gdk_pixbuf_save(shot, (std::string(folder) + "/" + name + ".png").c_str(), "png", nullptr, nullptr);
    g_object_unref(shot);
}

// 4 x 1: red 20..200, green 30..220, blue 10..180, and a transparent pixel.
Image Sample() {
    Image image = *CreateImage(4, 1);
    SetPixel(image, 0, 0, {20, 30, 10, 255});
    SetPixel(image, 1, 0, {200, 220, 180, 255});
    SetPixel(image, 2, 0, {100, 100, 100, 255});
    SetPixel(image, 3, 0, {255, 0, 255, 0});
    return image;
}

class LevelsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
    }
    // Every preview the window asked for: the first pixel of the image, or "none".
    std::vector<std::string> previews;
    LevelsPreview Recorder() {
        return [this](const Image* image) {
            if (!image) {
                previews.push_back("none");
                return;
            }
            const Rgba p = GetPixel(*image, 0, 0), q = GetPixel(*image, 1, 0);
            previews.push_back(std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + " " +
                               std::to_string(q.r) + "," + std::to_string(q.g) + "," + std::to_string(q.b));
        };
    }
};

}  // namespace

TEST_F(LevelsWindowTest, FieldsChannelsAndClippingLine) {
    Seen seen;
    WhenWindowShows("Levels", [&](GtkWidget* window) {
        seen.unnamed = UnnamedControls(window);
        seen.texts.push_back(LabelText(window, "Clipping"));
        Type(window, "Input black", "25");  // red 20 and blue 10 go to black
        seen.texts.push_back(LabelText(window, "Clipping"));
        Type(window, "Gamma", "1,5");
        Type(window, "Input white", "5");   // stored as 27
        GtkWidget* channel = FindByAccessibleName(window, "Channel", GTK_TYPE_COMBO_BOX);
        if (channel) gtk_combo_box_set_active(GTK_COMBO_BOX(channel), 1);
        seen.texts.push_back(Field(window, "Input black") + " " + Field(window, "Gamma") + " " +
                             Field(window, "Input white"));
        if (channel) gtk_combo_box_set_active(GTK_COMBO_BOX(channel), 0);
        seen.texts.push_back(Field(window, "Input black") + " " + Field(window, "Gamma") + " " +
                             Field(window, "Input white"));
        Click(window, "Reset");
        seen.texts.push_back(Field(window, "Input black") + " " + LabelText(window, "Clipping"));
        Click(window, "Auto");
        seen.texts.push_back(Field(window, "Input black") + " " + Field(window, "Input white"));
        MaybeScreenshot("levels_window");
        if (GtkWidget* show = FindByAccessibleName(window, "Show clipping (red = to white, blue = to black)"))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(show), TRUE);
        Type(window, "Input black", "25");
        Click(window, "Cancel");
    });
    LevelsSetting setting{};
    int64_t clipCount = -1;
    EXPECT_FALSE(LevelsWindow(nullptr, Sample(), Recorder(), false, setting, clipCount));
    EXPECT_EQ(clipCount, -1);
    EXPECT_EQ(seen.texts, (std::vector<std::string>{
                              "Clipping: none",
                              "Clipping: 2 values (22.22%) become pure black or white",
                              "0 1.00 255",
                              "25 1.50 27",
                              "0 Clipping: none",
                              "10 220",
                          }));
    ASSERT_GE(previews.size(), 6u);
    EXPECT_EQ(previews.front(), "20,30,10 200,220,180");
    EXPECT_EQ(previews[previews.size() - 3], "12,24,0 231,255,206");            // Auto, then show clipping
    EXPECT_EQ(previews[previews.size() - 2], "0,0,255 229,255,203");            // red 20 < 25: to black
    EXPECT_EQ(previews.back(), "none");                                        // closing restores the image
    EXPECT_TRUE(seen.unnamed.empty()) << seen.unnamed.front();
}

TEST_F(LevelsWindowTest, MarkersDragAndOkHandsTheSettingBack) {
    Seen seen;
    WhenWindowShows("Levels", [&](GtkWidget* window) {
        GtkWidget* canvas = FindByAccessibleName(window, "Histogram");
        if (!canvas) {
            Click(window, "Cancel");
            return;
        }
        // Canvas x = 10 + 2 * value. Pressing near 255 picks the white point.
        Mouse(canvas, GDK_BUTTON_PRESS, 10 + 2 * 240);
        Mouse(canvas, GDK_MOTION_NOTIFY, 10 + 2 * 230 + 1);
        seen.texts.push_back(Field(window, "Input white"));
        Mouse(canvas, GDK_BUTTON_RELEASE, 10 + 2 * 230);
        Mouse(canvas, GDK_MOTION_NOTIFY, 10 + 2 * 100);  // nothing picked: ignored
        seen.texts.push_back(Field(window, "Input white"));
        // The middle picks gamma; at 57, t = 57 / 230 gives gamma 2.01.
        Mouse(canvas, GDK_BUTTON_PRESS, 10 + 2 * 115);
        Mouse(canvas, GDK_MOTION_NOTIFY, 10 + 2 * 57 + 1);
        Mouse(canvas, GDK_BUTTON_RELEASE, 10 + 2 * 57);
        seen.texts.push_back(Field(window, "Gamma"));
        Click(window, "OK");
    });
    LevelsSetting setting{};
    int64_t clipCount = -1;
    EXPECT_TRUE(LevelsWindow(nullptr, Sample(), Recorder(), false, setting, clipCount));
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"230", "230", "2.01"}));
    EXPECT_EQ(setting[0].inWhite, 230);
    EXPECT_NEAR(setting[0].gamma, std::log(57.0 / 230) / std::log(0.5), 1e-9);
    EXPECT_EQ(clipCount, 0);
    EXPECT_EQ(previews.back(), "none");
}

TEST_F(LevelsWindowTest, OkWithDefaultsAndEscapeApplyNothing) {
    WhenWindowShows("Levels", [&](GtkWidget* window) { Click(window, "OK"); });
    LevelsSetting setting{};
    int64_t clipCount = 0;
    EXPECT_FALSE(LevelsWindow(nullptr, Sample(), Recorder(), true, setting, clipCount));
    WhenWindowShows("Levels", [&](GtkWidget* window) {
        Type(window, "Output white", "200");
        PressKey(window, GDK_KEY_Escape);
    });
    EXPECT_FALSE(LevelsWindow(nullptr, Sample(), Recorder(), true, setting, clipCount));
    EXPECT_TRUE(IsIdentity(setting));
}
