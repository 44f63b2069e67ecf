// The real main window under Xvfb: title, menus, status bar, shortcuts and the close question.
#include "app/main_window.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/history_commands.h"
#include "app/open_flow.h"
#include "imageformats/library_writers.h"
#include "platform/scripted_ui.h"
#include "gtk_test_support.h"
#include "test_support.h"

namespace {

void Pump() {
    while (gtk_events_pending()) gtk_main_iteration();
}

// Runs action inside a main loop, as a menu handler would; the loop ends when the action quits
// it or right after the action returns.
void RunInMainLoop(std::function<void()> action) {
    auto* boxed = new std::function<void()>(std::move(action));
    g_idle_add(
        [](gpointer data) -> gboolean {
            auto* f = static_cast<std::function<void()>*>(data);
            const guint depth = gtk_main_level();
            (*f)();
            delete f;
            if (gtk_main_level() == depth) gtk_main_quit();
            return G_SOURCE_REMOVE;
        },
        boxed);
    gtk_main();
}

std::string LabelOf(GtkWidget* item) { return gtk_menu_item_get_label(GTK_MENU_ITEM(item)); }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        gtk_init(nullptr, nullptr);
        window = CreateMainWindow(app);
        app.ui = &ui;  // answer questions from the script instead of real dialogs
        gtk_widget_show_all(window->window);
        UpdateTitle(app);
        Pump();
    }
    void TearDown() override {
        DestroyMainWindow(*window);
        Pump();
    }
    AppState app;
    ScriptedUi ui;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsWithTitleMenusStatusAndGreyCanvas) {
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window->window)), "Serious Sam Glimmerkit");
    std::vector<std::string> menus;
    GList* children = gtk_container_get_children(GTK_CONTAINER(window->menuBar));
    for (GList* c = children; c; c = c->next) menus.push_back(LabelOf(GTK_WIDGET(c->data)));
    g_list_free(children);
    EXPECT_EQ(menus, (std::vector<std::string>{"File", "Edit", "Adjust", "HDR", "Tools", "Help"}));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(window->status[0])), "No file opened");
    int w = 0, h = 0;
    gtk_widget_get_size_request(window->canvas, &w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 1024);
    EXPECT_FALSE(gtk_widget_get_sensitive(window->items[30]));
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(window->items[11])));
    EXPECT_FALSE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(window->items[12])));
    EXPECT_TRUE(gtk_test_support::UnnamedControls(window->window).empty());
}

TEST_F(MainWindowTest, HistogramShortcutWithoutImageAsks) {
    ui.ExpectMessage(Answer::Ok);
    RunInMainLoop([&] { gtk_accel_groups_activate(G_OBJECT(window->window), GDK_KEY_i, GDK_CONTROL_MASK); });
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Please open a .tex file first."});
}

TEST_F(MainWindowTest, ClosingWithUnsavedEditsAsksAndHonoursNo) {
    testing_support::TempDir dir;
    SavePng(testing_support::PatternImage(32, 32), dir.file("wall.png"), true);
    OpenDocument(app, dir.file("wall.png"), false);
    ASSERT_TRUE(CommitEdit(app, CreateImage(32, 32), "Levels", "_levels"));
    Pump();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window->window)), "Serious Sam Glimmerkit - wall.png *");
    EXPECT_EQ(LabelOf(window->items[30]), "Undo Levels");

    ui.ExpectMessage(Answer::No);
    RunInMainLoop([&] { gtk_window_close(GTK_WINDOW(window->window)); Pump(); });
    EXPECT_EQ(ui.MessageTexts().back(), "wall.png has edits that have not been saved (1 edit(s)).\nDiscard them?");
    EXPECT_EQ(ui.shown.back().box, BoxKind::WarningYesNo);
    EXPECT_FALSE(window->quitRequested);
    EXPECT_TRUE(gtk_widget_get_visible(window->window));

    ui.ExpectMessage(Answer::Yes);
    RunInMainLoop([&] { gtk_accel_groups_activate(G_OBJECT(window->window), GDK_KEY_q, GDK_CONTROL_MASK); });
    EXPECT_TRUE(window->quitRequested);
    EXPECT_TRUE(ui.unexpected.empty());
}

TEST_F(MainWindowTest, OpenedImageIsDrawnAtItsZoomedSize) {
    testing_support::TempDir dir;
    SavePng(testing_support::PatternImage(64, 16), dir.file("small.png"), true);
    OpenDocument(app, dir.file("small.png"), false);
    Pump();
    int w = 0, h = 0;
    gtk_widget_get_size_request(window->canvas, &w, &h);
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 64);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(window->status[2])), "Enlarged 4x for visibility");
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(window->status[1])), "64 x 16  Portable Network Graphics, with transparency");
}

}  // namespace
