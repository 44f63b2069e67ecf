#include "batch/batch_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/prefs.h"
#include "batch/batch_prefs.h"
#include "gtk_test_support.h"
#include "imageformats/library_writers.h"
#include "platform/file_io.h"
#include "platform/scripted_ui.h"
#include "test_support.h"
#include "texformats/zip_builder.h"

using namespace gtk_test_support;

namespace {

struct Seen {
    std::vector<std::string> texts;
    std::vector<std::string> unnamed;
    bool convertEnabledWhenEmpty = true;
};

void Click(GtkWidget* window, const char* button) {
    GtkWidget* widget = FindByAccessibleName(window, button, GTK_TYPE_BUTTON);
    if (widget) gtk_button_clicked(GTK_BUTTON(widget));
    else gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_NONE);  // never leave it open
}

std::string LabelByDescription(GtkWidget* root, const std::string& description) {
    std::string found;
    std::function<void(GtkWidget*)> visit = [&](GtkWidget* widget) {
        const char* d = atk_object_get_description(gtk_widget_get_accessible(widget));
        if (GTK_IS_LABEL(widget) && d && description == d) found = gtk_label_get_text(GTK_LABEL(widget));
        if (GTK_IS_CONTAINER(widget))
            gtk_container_forall(
                GTK_CONTAINER(widget), [](GtkWidget* child, gpointer data) { (*static_cast<std::function<void(GtkWidget*)>*>(data))(child); },
                &visit);
    };
    visit(root);
    return found;
}

void SaveScreenshot(GtkWidget* window, const char* path) {
    for (int i = 0; i < 20; ++i) {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
        g_usleep(20000);
    }
    GdkWindow* gdk = gtk_widget_get_window(window);
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk, 0, 0, gdk_window_get_width(gdk), gdk_window_get_height(gdk));
    if (shot) {
        gdk_pixbuf_save(shot, path, "png", nullptr, nullptr);
        g_object_unref(shot);
    }
}

class BatchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
    }
};

}  // namespace

TEST_F(BatchWindowTest, FillConvertStopAndRememberTheChoices) {
    testing_support::TempDir dir;
    const auto png = [&](const std::string& relative, bool alpha) {
        const std::string path = dir.file(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        SavePng(testing_support::PatternImage(64, 64, alpha), path, alpha);
        return path;
    };
    const std::string a = png("a.png", true);
    png("sub/b.png", false);
    png("sub/deeper/c.png", false);
    const std::string prefs = dir.file("prefs.ini");
    WriteBatchChoices(prefs, {2, 0, true, false, true}, "");  // source png, output tga

    ScriptedUi ui;
    ui.ExpectOpenDialog({{a, dir.file("A.PNG"), dir.file("x.tga")}, 0})
        .ExpectFolderDialog(dir.file("sub") + "/")
        .ExpectMessage(Answer::Ok)   // summary of Convert Selected
        .ExpectMessage(Answer::Ok)   // summary of the stopped run
        .ExpectMessage(Answer::Ok);  // removal after the source change

    Seen seen;
    WhenWindowShows("Batch conversion", [&](GtkWidget* window) {
        seen.unnamed = UnnamedControls(window);
        const auto count = [&] { return LabelByDescription(window, "Number of files and selected rows"); };
        const auto status = [&] { return LabelByDescription(window, "Status"); };
        seen.texts.push_back(status());
        Click(window, "Add files...");
        seen.texts.push_back(status());
        Click(window, "Add folder...");
        seen.texts.push_back(status());
        seen.texts.push_back(count());

        GtkWidget* list = FindByAccessibleName(window, "Files to convert", GTK_TYPE_TREE_VIEW);
        if (list) {
            GtkTreePath* first = gtk_tree_path_new_first();
            gtk_tree_view_set_cursor(GTK_TREE_VIEW(list), first, nullptr, FALSE);
            gtk_tree_path_free(first);
        }
        seen.texts.push_back(count());
        seen.texts.push_back(LabelByDescription(window, "Description of the current file").substr(0, 16));
        if (const char* shot = std::getenv("BATCH_WINDOW_SCREENSHOT")) SaveScreenshot(window, shot);

        Click(window, "Convert Selected");
        seen.texts.push_back(status());

        // Stop pressed while the first file is converted: the run ends before the second.
        g_idle_add(
            [](gpointer data) -> gboolean {
                Click(static_cast<GtkWidget*>(data), "Stop");
                return G_SOURCE_REMOVE;
            },
            window);
        Click(window, "Convert All");
        seen.texts.push_back(status());

        GtkWidget* source = FindByAccessibleName(window, "Source format", GTK_TYPE_COMBO_BOX);
        if (source) gtk_combo_box_set_active(GTK_COMBO_BOX(source), 0);
        seen.texts.push_back(count());
        GtkWidget* convertAll = FindByAccessibleName(window, "Convert All", GTK_TYPE_BUTTON);
        seen.convertEnabledWhenEmpty = convertAll && gtk_widget_get_sensitive(convertAll);
        Click(window, "Close");
    });
    RunBatchWindow({nullptr, dir.path().string(), prefs, {}, &ui});

    EXPECT_EQ(seen.texts,
              (std::vector<std::string>{
                  "Add files with the buttons above the list, or drag them onto the list.", "1 file(s) added.",
                  "2 file(s) added from " + dir.file("sub") + "/", "3 files, 0 selected", "3 files, 1 selected",
                  "a.png   64 x 64 ", "Done.", "Stopped.", "0 files, 0 selected"}));
    EXPECT_TRUE(seen.unnamed.empty()) << seen.unnamed.front();
    EXPECT_FALSE(seen.convertEnabledWhenEmpty);
    EXPECT_TRUE(ui.unexpected.empty());
    const std::vector<std::string> messages = ui.MessageTexts();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Converted: 1   Skipped: 0   Failed: 0\n\n");
    EXPECT_EQ(messages[1], "Stopped by the user.\nConverted: 0   Skipped: 1   Failed: 0\n\na.tga: skipped (already exists)\n");
    EXPECT_EQ(messages[2], "3 file(s) in the list do not match the new source format and were removed.");
    EXPECT_TRUE(FileExists(dir.file("a.tga")));
    EXPECT_FALSE(FileExists(dir.file("sub/b.tga")));

    std::string folder;
    const BatchChoices stored = ReadBatchChoices(prefs, folder);
    EXPECT_EQ(stored.sourceIndex, 0);
    EXPECT_TRUE(stored.useSourceFolder);
}

TEST_F(BatchWindowTest, ArchiveMembersTurnTheSourceFolderBoxOff) {
    testing_support::TempDir dir;
    const std::string archive = dir.file("T.gro");
    testing_support::WriteBytes(archive, testing_support::BuildZip({{"Tex/a.tex", "x"}, {"Tex/b.tex", "y"}}));
    const std::string prefs = dir.file("prefs.ini");
    ScriptedUi ui;
    ui.ExpectOpenDialog({{archive}, 0});

    struct BoxState {
        bool ticked, sensitive, folderButton;
        bool operator==(const BoxState&) const = default;
    };
    std::vector<BoxState> states;
    std::vector<std::string> texts;
    WhenWindowShows("Batch conversion", [&](GtkWidget* window) {
        GtkWidget* box = FindByAccessibleName(window, "Use source folder as output folder", GTK_TYPE_CHECK_BUTTON);
        GtkWidget* folder = FindByAccessibleName(window, "Output folder...", GTK_TYPE_BUTTON);
        const auto state = [&] {
            if (box && folder)
                states.push_back({bool(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box))),
                                  bool(gtk_widget_get_sensitive(box)), bool(gtk_widget_get_sensitive(folder))});
        };
        state();
        Click(window, "Add all from .gro...");
        texts.push_back(LabelByDescription(window, "Status"));
        texts.push_back(LabelByDescription(window, "Output folder"));
        state();
        Click(window, "Remove all");
        state();
        Click(window, "Close");
    });
    RunBatchWindow({nullptr, dir.path().string(), prefs, {}, &ui});

    EXPECT_TRUE(ui.unexpected.empty());
    EXPECT_EQ(texts, (std::vector<std::string>{"2 texture(s) added from T.gro", "(no folder chosen)"}));
    EXPECT_EQ(states, (std::vector<BoxState>{{true, true, false}, {false, false, true}, {false, true, true}}));
    std::string folder;
    EXPECT_FALSE(ReadBatchChoices(prefs, folder).useSourceFolder);
}
