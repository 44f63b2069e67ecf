#include "texformats/gro_browser_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "gtk_test_support.h"
#include "test_support.h"
#include "texformats/gro_archive.h"
#include "texformats/zip_builder.h"

using namespace gtk_test_support;
using testing_support::BuildZip;
using testing_support::TempDir;
using testing_support::ZipEntry;

namespace {

/// The label whose text ends with " textures", below root.
GtkWidget* CountLabel(GtkWidget* root) {
    if (GTK_IS_LABEL(root) && std::string(gtk_label_get_text(GTK_LABEL(root))).ends_with(" textures")) return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(root));
    GtkWidget* found = nullptr;
    for (GList* it = children; it && !found; it = it->next) found = CountLabel(GTK_WIDGET(it->data));
    g_list_free(children);
    return found;
}

std::string CountText(GtkWidget* window) {
    GtkWidget* label = CountLabel(window);
    return label ? gtk_label_get_text(GTK_LABEL(label)) : "(no count label)";
}

GtkTreeView* List(GtkWidget* window) {
    GtkWidget* list = FindByAccessibleName(window, "Textures", GTK_TYPE_TREE_VIEW);
    return list ? GTK_TREE_VIEW(list) : nullptr;
}

/// The visible rows as "name|size|folder".
std::vector<std::string> Rows(GtkWidget* window) {
    std::vector<std::string> rows;
    GtkTreeModel* model = gtk_tree_view_get_model(List(window));
    GtkTreeIter iter;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok; ok = gtk_tree_model_iter_next(model, &iter)) {
        gchar *name = nullptr, *size = nullptr, *folder = nullptr;
        gtk_tree_model_get(model, &iter, 0, &name, 1, &size, 2, &folder, -1);
        rows.push_back(std::string(name) + "|" + size + "|" + folder);
        g_free(name);
        g_free(size);
        g_free(folder);
    }
    return rows;
}

void SelectRows(GtkWidget* window, std::initializer_list<int> rows) {
    GtkTreeSelection* selection = gtk_tree_view_get_selection(List(window));
    gtk_tree_selection_unselect_all(selection);
    for (int row : rows) {
        GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
        gtk_tree_selection_select_path(selection, path);
        gtk_tree_path_free(path);
    }
}

void SendKey(GtkWidget* window, guint key) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.keyval = key;
    gboolean handled = FALSE;
    g_signal_emit_by_name(window, "key-press-event", event, &handled);
    gdk_event_free(event);
}

void Click(GtkWidget* window, const char* button) {
    if (GtkWidget* widget = FindByAccessibleName(window, button, GTK_TYPE_BUTTON))
        gtk_button_clicked(GTK_BUTTON(widget));
}

void ProcessEvents() {
    while (gtk_events_pending()) gtk_main_iteration();
}

class GroBrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InitGtk()) GTEST_SKIP() << "no display";
        archive = dir.file("Textures.gro");
        testing_support::WriteBytes(archive, BuildZip({
                                                 {"Textures/Sky/Sky01.tex", std::string(1, 's')},
                                                 {"readme.txt", "text"},
                                                 {"Textures/Wall.TEX", std::string(1025, 'w')},
                                                 {"b.tex", std::string(1024, 'b')},
                                                 {"Textures/Sky/Sky02.tex", std::string(2048, 't')},
                                             }));
    }
    TempDir dir;
    std::string archive;
};

}  // namespace

TEST_F(GroBrowserWindowTest, FilterCountsAndReturnOpensTheFirstVisibleRow) {
    std::vector<std::string> seen, unnamed;
    std::vector<std::string> rows, filteredRows;
    WhenWindowShows("Choose a texture - Textures.gro", [&](GtkWidget* window) {
        GtkWidget* filter = FindByAccessibleName(window, "Filter", GTK_TYPE_ENTRY);
        unnamed = UnnamedControls(window);
        seen.push_back(CountText(window));
        seen.push_back(filter && gtk_widget_is_focus(filter) ? "filter focused" : "filter not focused");
        rows = Rows(window);
        if (filter) SetEntryText(filter, "  SKY ");
        seen.push_back(CountText(window));
        filteredRows = Rows(window);
        Click(window, "Open");  // nothing selected: stays open
        seen.push_back(gtk_widget_get_visible(window) ? "still open" : "closed");
        SendKey(window, GDK_KEY_Return);
    });
    std::vector<std::string> chosen{"stale"};
    EXPECT_TRUE(BrowseArchive(nullptr, archive, false, chosen));
    EXPECT_EQ(chosen, (std::vector<std::string>{"Textures/Sky/Sky01.tex"}));
    EXPECT_EQ(seen, (std::vector<std::string>{"4 of 4 textures", "filter focused", "2 of 4 textures", "still open"}));
    EXPECT_EQ(rows, (std::vector<std::string>{"b.tex|1 KB|", "Sky01.tex|1 KB|Textures/Sky/",
                                              "Sky02.tex|2 KB|Textures/Sky/", "Wall.TEX|2 KB|Textures/"}));
    EXPECT_EQ(filteredRows, (std::vector<std::string>{"Sky01.tex|1 KB|Textures/Sky/", "Sky02.tex|2 KB|Textures/Sky/"}));
    EXPECT_TRUE(unnamed.empty()) << unnamed.front();
}

TEST_F(GroBrowserWindowTest, MultipleSelectionComesBackInListOrder) {
    WhenWindowShows("Choose textures (Ctrl/Shift + click for more) - Textures.gro", [&](GtkWidget* window) {
        SelectRows(window, {3, 0, 2});
        Click(window, "Open");
    });
    std::vector<std::string> chosen;
    EXPECT_TRUE(BrowseArchive(nullptr, archive, true, chosen));
    EXPECT_EQ(chosen, (std::vector<std::string>{"b.tex", "Textures/Sky/Sky02.tex", "Textures/Wall.TEX"}));
}

TEST_F(GroBrowserWindowTest, DoubleClickOpensAndEscapeOrCancelChooseNothing) {
    WhenWindowShows("Choose a texture - Textures.gro", [&](GtkWidget* window) {
        SelectRows(window, {2});
        GtkTreePath* path = gtk_tree_path_new_from_indices(2, -1);
        gtk_tree_view_row_activated(List(window), path, gtk_tree_view_get_column(List(window), 0));
        gtk_tree_path_free(path);
    });
    std::vector<std::string> chosen;
    EXPECT_TRUE(BrowseArchive(nullptr, archive, false, chosen));
    EXPECT_EQ(chosen, (std::vector<std::string>{"Textures/Sky/Sky02.tex"}));

    WhenWindowShows("Choose a texture - Textures.gro", [&](GtkWidget* window) {
        SelectRows(window, {1});
        SendKey(window, GDK_KEY_Escape);
    });
    EXPECT_FALSE(BrowseArchive(nullptr, archive, false, chosen));
    EXPECT_TRUE(chosen.empty());

    WhenWindowShows("Choose a texture - Textures.gro", [&](GtkWidget* window) {
        SelectRows(window, {1});
        Click(window, "Cancel");
    });
    EXPECT_FALSE(BrowseArchive(nullptr, archive, false, chosen));
}

TEST_F(GroBrowserWindowTest, ResizingKeepsTheMarginsOfListAndButtons) {
    struct Geometry {
        int width = 0, height = 0;
        GtkAllocation list{}, open{}, cancel{};
    };
    std::vector<Geometry> seen;
    WhenWindowShows("Choose a texture - Textures.gro", [&](GtkWidget* window) {
        for (const auto& [w, h] : std::vector<std::pair<int, int>>{{760, 520}, {1000, 700}}) {
            gtk_window_resize(GTK_WINDOW(window), w, h);
            for (int i = 0; i < 50 && (gtk_widget_get_allocated_width(window) != w ||
                                       gtk_widget_get_allocated_height(window) != h);
                 ++i) {
                ProcessEvents();
                g_usleep(10000);
            }
            Geometry g;
            g.width = gtk_widget_get_allocated_width(window);
            g.height = gtk_widget_get_allocated_height(window);
            gtk_widget_get_allocation(gtk_widget_get_parent(GTK_WIDGET(List(window))), &g.list);
            gtk_widget_get_allocation(FindByAccessibleName(window, "Open", GTK_TYPE_BUTTON), &g.open);
            gtk_widget_get_allocation(FindByAccessibleName(window, "Cancel", GTK_TYPE_BUTTON), &g.cancel);
            seen.push_back(g);
        }
        Click(window, "Cancel");
    });
    std::vector<std::string> chosen;
    BrowseArchive(nullptr, archive, false, chosen);
    ASSERT_EQ(seen.size(), 2u);
    for (const Geometry& g : seen) {
        SCOPED_TRACE(std::to_string(g.width) + " x " + std::to_string(g.height));
        EXPECT_EQ(g.list.x, 8);
        EXPECT_EQ(g.list.y, 40);
        EXPECT_EQ(g.list.width, g.width - 16);
        EXPECT_EQ(g.list.height, g.height - 84);
        EXPECT_EQ(g.open.x, g.width - 200);
        EXPECT_EQ(g.cancel.x, g.width - 100);
        EXPECT_EQ(g.open.y, g.height - 36);
        EXPECT_EQ(g.cancel.y, g.height - 36);
        EXPECT_EQ(g.open.width, 92);
        EXPECT_EQ(g.open.height, 28);
    }
    EXPECT_EQ(seen[1].width, 1000);
}

TEST_F(GroBrowserWindowTest, ArchiveWithoutTexturesWarns) {
    const std::string empty = dir.file("Empty.gro");
    testing_support::WriteBytes(empty, BuildZip({{"readme.txt", "no textures here"}}));
    std::string message;
    WhenWindowShows("Open from .gro", [&](GtkWidget* box) {
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        message = text ? text : "";
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    });
    std::vector<std::string> chosen{"stale"};
    EXPECT_FALSE(BrowseArchive(nullptr, empty, false, chosen));
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(message, "No .tex files found in\n" + empty);
}

TEST_F(GroBrowserWindowTest, TenThousandMembersStayInteractive) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 10000; ++i)
        entries.push_back({"Textures/Set" + std::to_string(i % 50) + "/Texture" + std::to_string(i) + ".tex", "x"});
    const std::string big = dir.file("Big.gro");
    testing_support::WriteBytes(big, BuildZip(entries));

    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::vector<ArchiveMember> members;
    const auto listStart = Clock::now();
    ASSERT_EQ(ListArchiveTexMembers(big, members), 10000);
    const double listMs = ms(Clock::now() - listStart);

    std::vector<std::string> counts;
    double narrowMs = 0, widenMs = 0;
    const auto openStart = Clock::now();
    double openMs = 0;
    WhenWindowShows("Choose a texture - Big.gro", [&](GtkWidget* window) {
        openMs = ms(Clock::now() - openStart);
        GtkWidget* filter = FindByAccessibleName(window, "Filter", GTK_TYPE_ENTRY);
        counts.push_back(CountText(window));
        // Each refill is timed up to the end of the redraw it causes.
        auto start = Clock::now();
        SetEntryText(filter, "set7/");
        ProcessEvents();
        narrowMs = ms(Clock::now() - start);
        counts.push_back(CountText(window));
        start = Clock::now();
        SetEntryText(filter, "");
        ProcessEvents();
        widenMs = ms(Clock::now() - start);
        counts.push_back(CountText(window));
        Click(window, "Cancel");
    });
    std::vector<std::string> chosen;
    BrowseArchive(nullptr, big, false, chosen);
    EXPECT_EQ(counts, (std::vector<std::string>{"10000 of 10000 textures", "200 of 10000 textures",
                                                "10000 of 10000 textures"}));
    // Figures for the record, not assertions: timings depend on the machine.
    std::printf("[ figures  ] list 10000 members: %.1f ms; open browser (list + fill + show): %.1f ms; "
                "refill to 200 rows: %.1f ms; refill to 10000 rows: %.1f ms\n",
                listMs, openMs, narrowMs, widenMs);
}
