#include "imageformats/dds_options_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gtk_test_support.h"

using namespace gtk_test_support;

namespace {

class DdsOptionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
    }
};

GtkWidget* FormatList(GtkWidget* window) { return FindByAccessibleName(window, "Format", GTK_TYPE_COMBO_BOX); }

void Close(GtkWidget* window, GtkResponseType response) { gtk_dialog_response(GTK_DIALOG(window), response); }

}  // namespace

TEST_F(DdsOptionsWindowTest, StartsOnTheFormatTheHintsSuggest) {
    struct Case {
        bool keepAlpha, normalHint;
        int item;
    } cases[] = {{false, false, 0}, {true, false, 1}, {false, true, 2}, {true, true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.keepAlpha) + std::to_string(c.normalHint));
        int item = -1;
        bool mipmapsTicked = false;
        WhenWindowShows("Save as DDS", [&](GtkWidget* window) {
            GtkWidget* list = FormatList(window);
            GtkWidget* mipmaps = FindByAccessibleName(window, "Generate mipmaps (recommended for games)");
            if (list) item = gtk_combo_box_get_active(GTK_COMBO_BOX(list));
            if (mipmaps) mipmapsTicked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(mipmaps));
            Close(window, GTK_RESPONSE_CANCEL);
        });
        // The choice of last time (BGRA without mipmaps) neither preselects nor survives a cancel.
        int64_t format = 3;
        bool mips = false;
        EXPECT_FALSE(AskDdsOptions(nullptr, c.keepAlpha, c.normalHint, format, mips));
        EXPECT_EQ(item, c.item);
        EXPECT_TRUE(mipmapsTicked);
        EXPECT_EQ(format, 3);
        EXPECT_FALSE(mips);
    }
}

TEST_F(DdsOptionsWindowTest, OkAndReturnStoreTheChoiceEscapeDoesNot) {
    std::vector<std::string> unnamed;
    WhenWindowShows("Save as DDS", [&](GtkWidget* window) {
        unnamed = UnnamedControls(window);
        if (GtkWidget* list = FormatList(window)) gtk_combo_box_set_active(GTK_COMBO_BOX(list), 3);
        if (GtkWidget* mipmaps = FindByAccessibleName(window, "Generate mipmaps (recommended for games)"))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(mipmaps), FALSE);
        if (GtkWidget* ok = FindByAccessibleName(window, "OK")) gtk_button_clicked(GTK_BUTTON(ok));
        else Close(window, GTK_RESPONSE_NONE);
    });
    int64_t format = -1;
    bool mips = true;
    EXPECT_TRUE(AskDdsOptions(nullptr, false, false, format, mips));
    EXPECT_EQ(format, 3);
    EXPECT_FALSE(mips);
    EXPECT_TRUE(unnamed.empty()) << unnamed.front();

    WhenWindowShows("Save as DDS", [](GtkWidget* window) {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.keyval = GDK_KEY_Return;
        gboolean handled = FALSE;
        g_signal_emit_by_name(window, "key-press-event", event, &handled);
        gdk_event_free(event);
        if (!handled) Close(window, GTK_RESPONSE_NONE);
    });
    EXPECT_TRUE(AskDdsOptions(nullptr, true, false, format, mips));
    EXPECT_EQ(format, 1);
    EXPECT_TRUE(mips);

    WhenWindowShows("Save as DDS", [](GtkWidget* window) { PressKey(window, GDK_KEY_Escape); });
    EXPECT_FALSE(AskDdsOptions(nullptr, false, true, format, mips));
    EXPECT_EQ(format, 1);
}
