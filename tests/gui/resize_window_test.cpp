#include "tools/resize_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gtk_test_support.h"

using namespace gtk_test_support;

namespace {

// What the scripted user saw, checked after the window has closed.
struct Seen {
    std::vector<std::string> texts;
    std::vector<std::string> unnamed;  // interactive widgets without an accessible name
};

void Click(GtkWidget* window, const char* button) {
    GtkWidget* widget = FindByAccessibleName(window, button);
    if (widget) gtk_button_clicked(GTK_BUTTON(widget));
    else gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_NONE);  // never leave it open
}

class ResizeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
    }
};

}  // namespace

TEST_F(ResizeWindowTest, KeepAspectFollowsTheUserOnlyAndOkValidates) {
    Seen seen;
    WhenWindowShows("Resize", [&](GtkWidget* window) {
        seen.unnamed = UnnamedControls(window);
        GtkWidget* width = FindByAccessibleName(window, "Width", GTK_TYPE_ENTRY);
        GtkWidget* height = FindByAccessibleName(window, "Height", GTK_TYPE_ENTRY);
        GtkWidget* message = FindByAccessibleName(window, "Message");
        if (!width || !height || !message || !GTK_IS_ENTRY(width) || !GTK_IS_ENTRY(height)) {
            Click(window, "Cancel");
            return;
        }
        seen.texts.push_back(EntryText(width) + " x " + EntryText(height));
        SetEntryText(width, "3");  // 1024 x 512: 1.5 + 0.5 truncated
        seen.texts.push_back(EntryText(width) + " x " + EntryText(height));
        SetEntryText(height, "7");  // the width follows; the height written back stays as typed
        seen.texts.push_back(EntryText(width) + " x " + EntryText(height));
        SetEntryText(width, "300");
        seen.texts.push_back(EntryText(width) + " x " + EntryText(height));
        SetEntryText(width, "16385");
        Click(window, "OK");
        seen.texts.push_back(gtk_label_get_text(GTK_LABEL(message)));
        Click(window, "Fit Serious Sam 1 (powers of 2, max 1024)");
        seen.texts.push_back(EntryText(width) + " x " + EntryText(height));
        SetEntryText(width, "16384");
        Click(window, "OK");
    });
    int newWidth = 0, newHeight = 0;
    EXPECT_TRUE(AskResize(nullptr, 1024, 512, newWidth, newHeight));
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"1024 x 512", "3 x 2", "14 x 7", "300 x 150",
                                                    "Invalid size", "1024 x 512"}));
    EXPECT_EQ(newWidth, 16384);
    EXPECT_EQ(newHeight, 8192);
    EXPECT_TRUE(seen.unnamed.empty()) << seen.unnamed.front();
}

TEST_F(ResizeWindowTest, UntickedAspectLeavesTheOtherSideAlone) {
    WhenWindowShows("Resize", [&](GtkWidget* window) {
        GtkWidget* keep = FindByAccessibleName(window, "Keep aspect ratio");
        GtkWidget* width = FindByAccessibleName(window, "Width", GTK_TYPE_ENTRY);
        if (keep && width && GTK_IS_ENTRY(width)) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(keep), FALSE);
            SetEntryText(width, "300");
        }
        Click(window, "OK");
    });
    int newWidth = 0, newHeight = 0;
    EXPECT_TRUE(AskResize(nullptr, 64, 32, newWidth, newHeight));
    EXPECT_EQ(newWidth, 300);
    EXPECT_EQ(newHeight, 32);
}

TEST_F(ResizeWindowTest, CancelAndEscapeLeaveTheOutputsAlone) {
    WhenWindowShows("Resize", [](GtkWidget* window) { Click(window, "Cancel"); });
    int newWidth = -1, newHeight = -1;
    EXPECT_FALSE(AskResize(nullptr, 64, 32, newWidth, newHeight));

    WhenWindowShows("Resize", [](GtkWidget* window) { PressKey(window, GDK_KEY_Escape); });
    EXPECT_FALSE(AskResize(nullptr, 64, 32, newWidth, newHeight));
    EXPECT_EQ(newWidth, -1);
    EXPECT_EQ(newHeight, -1);
}
