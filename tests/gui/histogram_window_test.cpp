// The real histogram window under Xvfb, opened and refreshed through the main window's hooks:
// views, statistics line, the HDR view coming and going, and the remembered scale.
#include "adjust/histogram_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "adjust/histogram.h"
#include "app/app_state.h"
#include "app/app_windows_gtk.h"
#include "app/commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "platform/scripted_ui.h"
#include "gtk_test_support.h"

using namespace gtk_test_support;

namespace {

void Pump() {
    while (gtk_events_pending()) gtk_main_iteration();
}

std::string Statistics(GtkWidget* window) {
    GtkWidget* label = FindByAccessibleName(window, "Statistics", GTK_TYPE_LABEL);
    return label ? gtk_label_get_text(GTK_LABEL(label)) : "(missing)";
}

GtkComboBox* Views(GtkWidget* window) {
    GtkWidget* list = FindByAccessibleName(window, "View", GTK_TYPE_COMBO_BOX);
    return list ? GTK_COMBO_BOX(list) : nullptr;
}

int ItemCount(GtkComboBox* list) { return gtk_tree_model_iter_n_children(gtk_combo_box_get_model(list), nullptr); }

class HistogramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
        windows = MakeGtkAppWindows(nullptr);
        app.windows = windows.get();
        app.ui = &ui;
    }
    void TearDown() override {
        if (GtkWidget* window = HistogramWindowWidget()) gtk_widget_destroy(window);
        Pump();
    }
    // A 4 x 4 document: white with one red pixel and a transparent row.
    void Load(bool hdr) {
        Image image = *CreateImage(4, 4, 32, {255, 255, 255, 255});
        SetPixel(image, 0, 0, {255, 0, 0, 255});
        for (int x = 0; x < 4; ++x) SetPixel(image, x, 3, {0, 0, 0, 0});
        app.doc.image = std::move(image);
        app.doc.info = LoadInfo{};
        app.doc.info.formatText = hdr ? "Radiance HDR" : "RGBA (with transparency)";
        if (hdr) {
            app.doc.info.isHdr = 1;
            app.doc.info.width = app.doc.info.height = 4;
            ASSERT_TRUE(TryResize(app.doc.info.rgbeData, 64));
            for (std::size_t i = 0; i < 64; ++i) app.doc.info.rgbeData[i] = i % 4 == 3 ? 129 : 127;
        }
        ResetHistory(app.history, *app.doc.image, CaptureHistoryEntry(app.doc, "Original"));
    }
    AppState app;
    ScriptedUi ui;
    std::unique_ptr<AppWindows> windows;
};

}  // namespace

TEST_F(HistogramWindowTest, OpensRefreshesAndFollowsTheHdrFlag) {
    ui.ExpectMessage(Answer::Ok);
    DispatchCommand(app, kCmdHistogram);  // no image yet
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Please open a .tex file first."});
    EXPECT_EQ(HistogramWindowWidget(), nullptr);

    Load(true);
    app.hdr.exposure = 1.0;
    DispatchCommand(app, kCmdHistogram);
    GtkWidget* window = HistogramWindowWidget();
    ASSERT_NE(window, nullptr);
    Pump();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Histogram - Radiance HDR");
    EXPECT_TRUE(UnnamedControls(window).empty());
    GtkComboBox* views = Views(window);
    ASSERT_NE(views, nullptr);
    EXPECT_EQ(ItemCount(views), 7);
    EXPECT_EQ(Statistics(window), "(luminance) Mean: 238.3   Min: 54   Max: 255   Pixels: 16   (4 transparent pixels "
                                  "not counted)");
    gtk_combo_box_set_active(views, kViewAlpha);
    EXPECT_EQ(Statistics(window), "Mean: 191.3   Min: 0   Max: 255   Pixels: 16");
    gtk_combo_box_set_active(views, kViewHdrStops);
    EXPECT_EQ(Statistics(window),
              "Range: -1 to 3 stops   median: 0.0   white point: -1.0 (exposure 1.0 EV)");
    if (const char* folder = std::getenv("GLIMMER_GUI_SHOTS")) {
        Pump();
        GdkWindow* root = gdk_get_default_root_window();
        if (GdkPixbuf* shot =
                gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root))) {
            gdk_pixbuf_save(shot, (std::string(folder) + "/histogram_window.png").c_str(), "png", nullptr, nullptr);
            g_object_unref(shot);
        }
    }

    // An edit makes the document plain: the HDR view goes and the selection falls back to RGB.
    std::optional<Image> edited = CopyImage(*app.doc.image);
    SetPixel(*edited, 1, 0, {0, 0, 0, 255});
    ASSERT_TRUE(CommitEdit(app, std::move(edited), "Levels", "_levels"));
    EXPECT_EQ(ItemCount(views), 6);
    EXPECT_EQ(gtk_combo_box_get_active(views), kViewRgb);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Histogram - Radiance HDR");
    EXPECT_EQ(Statistics(window), "(luminance) Mean: 217.0   Min: 0   Max: 255   Pixels: 16   (4 transparent pixels "
                                  "not counted)");
    // Undo brings the HDR data back, and with it the view.
    Undo(app);
    EXPECT_EQ(ItemCount(views), 7);
    EXPECT_EQ(Statistics(window), "(luminance) Mean: 238.3   Min: 54   Max: 255   Pixels: 16   (4 transparent pixels "
                                  "not counted)");
}

TEST_F(HistogramWindowTest, ScaleChoiceOutlivesTheWindow) {
    Load(false);
    DispatchCommand(app, kCmdHistogram);
    GtkWidget* window = HistogramWindowWidget();
    ASSERT_NE(window, nullptr);
    GtkWidget* scale = FindByAccessibleName(window, "Logarithmic scale", GTK_TYPE_TOGGLE_BUTTON);
    ASSERT_NE(scale, nullptr);
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(scale)));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(scale), TRUE);
    gtk_window_close(GTK_WINDOW(window));
    Pump();
    EXPECT_EQ(HistogramWindowWidget(), nullptr);
    windows->RefreshHistogram(app);  // closed: nothing to do
    EXPECT_EQ(HistogramWindowWidget(), nullptr);

    DispatchCommand(app, kCmdHistogram);
    window = HistogramWindowWidget();
    ASSERT_NE(window, nullptr);
    scale = FindByAccessibleName(window, "Logarithmic scale", GTK_TYPE_TOGGLE_BUTTON);
    ASSERT_NE(scale, nullptr);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(scale)));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(scale), FALSE);  // leave the default for other tests
}
