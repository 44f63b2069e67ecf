// The archive browser window. Layout (inner size 760 x 520 at first, resizable): the filter row
// at the top (40 pixels), the member list filling the middle with 8 pixels to each side, and the
// Open and Cancel buttons (92 x 28) in the bottom-right corner of a 44-pixel bottom row. So at
// any inner size w x h the list is (w - 16) x (h - 84) and the buttons stand at x = w - 200 and
// x = w - 100, y = h - 36, which the boxes below keep without any resize handler.
#include "texformats/gro_browser_window.h"

#include <gdk/gdkkeysyms.h>

#include "app/archive_path.h"
#include "platform/file_io.h"
#include "platform/modal_dialog_gtk.h"
#include "texformats/gro_archive.h"

namespace {

enum Column { kNameColumn, kSizeColumn, kFolderColumn, kIndexColumn, kColumnCount };

constexpr int kMargin = 8;

struct Browser {
    const std::vector<ArchiveMember>* members = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* filter = nullptr;
    GtkWidget* count = nullptr;
    GtkWidget* list = nullptr;
    GtkWidget* open = nullptr;
    GMainLoop* loop = nullptr;
    bool chosen = false;
    std::vector<std::string> selection;
};

/// A control of the given size; the theme's entries and buttons would be taller.
GtkWidget* Compact(GtkWidget* widget, int width, int height) {
    UseCompactStyle(widget);
    gtk_widget_set_size_request(widget, width, height);
    return widget;
}

/// Names from the archive are bytes; the list shows them as valid UTF-8.
std::string Displayable(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.c_str(), gssize(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

/// Rebuilds the rows from the member list. The new rows go into a fresh model that is attached
/// only when complete, so the view neither redraws nor re-measures row by row.
void FillArchiveList(Browser& browser) {
    const std::string filter = NormalizeArchiveFilter(gtk_entry_get_text(GTK_ENTRY(browser.filter)));
    GtkListStore* store = gtk_list_store_new(kColumnCount, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_INT);
    const std::vector<ArchiveMember>& members = *browser.members;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ArchiveMember& member = members[i];
        if (!ArchiveMemberMatches(member.name, filter)) continue;
        gtk_list_store_insert_with_values(store, nullptr, -1, kNameColumn,
                                          Displayable(LastPathComponent(member.name)).c_str(), kSizeColumn,
                                          ArchiveSizeText(member.size).c_str(), kFolderColumn,
                                          Displayable(ArchiveMemberFolder(member.name)).c_str(), kIndexColumn,
                                          gint(i), -1);
        ++shown;
    }
    gtk_tree_view_set_model(GTK_TREE_VIEW(browser.list), GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_label_set_text(GTK_LABEL(browser.count), ArchiveCountText(shown, members.size()).c_str());
}

/// Rebuilds the selection from the selected rows, top to bottom; true when there is one.
bool CollectArchiveSelection(Browser& browser) {
    browser.selection.clear();
    GtkTreeModel* model = nullptr;
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(browser.list));
    GList* rows = gtk_tree_selection_get_selected_rows(selection, &model);
    for (GList* it = rows; it; it = it->next) {
        GtkTreeIter iter;
        gint index = -1;
        if (gtk_tree_model_get_iter(model, &iter, static_cast<GtkTreePath*>(it->data)))
            gtk_tree_model_get(model, &iter, kIndexColumn, &index, -1);
        if (index >= 0 && std::size_t(index) < browser.members->size())
            browser.selection.push_back((*browser.members)[std::size_t(index)].name);
    }
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return !browser.selection.empty();
}

bool HasCurrentRow(Browser& browser) {
    return gtk_tree_selection_count_selected_rows(gtk_tree_view_get_selection(GTK_TREE_VIEW(browser.list))) > 0;
}

void Finish(Browser& browser, bool chosen) {
    browser.chosen = chosen;
    g_main_loop_quit(browser.loop);
}

void ChooseCurrent(Browser& browser) {
    if (HasCurrentRow(browser) && CollectArchiveSelection(browser)) Finish(browser, true);
}

/// Return opens the current row, or the first visible row when none is selected.
void OnReturn(Browser& browser) {
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(browser.list));
    GtkTreeIter first;
    if (!HasCurrentRow(browser) && model && gtk_tree_model_get_iter_first(model, &first)) {
        GtkTreePath* path = gtk_tree_model_get_path(model, &first);
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(browser.list), path, nullptr, FALSE);
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(browser.list)), path);
        gtk_tree_path_free(path);
    }
    ChooseCurrent(browser);
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    Browser& browser = *static_cast<Browser*>(data);
    switch (event->keyval) {
        case GDK_KEY_Escape: Finish(browser, false); return TRUE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter: OnReturn(browser); return TRUE;
        default: return FALSE;
    }
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    Finish(*static_cast<Browser*>(data), false);
    return TRUE;  // destroyed by BrowseArchive once the loop has ended
}

void OnFilterChanged(GtkEditable*, gpointer data) { FillArchiveList(*static_cast<Browser*>(data)); }

void OnRowActivated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer data) {
    ChooseCurrent(*static_cast<Browser*>(data));
}

void OnOpen(GtkButton*, gpointer data) { ChooseCurrent(*static_cast<Browser*>(data)); }

void OnCancel(GtkButton*, gpointer data) { Finish(*static_cast<Browser*>(data), false); }

void AddColumn(GtkWidget* list, const char* title, int column, int width, float xalign) {
    GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "xalign", xalign, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new_with_attributes(title, renderer, "text", column, nullptr);
    // Fixed widths let the view use fixed-height mode: it never measures all rows of a refill.
    gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(viewColumn, width);
    gtk_tree_view_column_set_resizable(viewColumn, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(list), viewColumn);
}

GtkWidget* BuildFilterRow(Browser& browser) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_size_request(row, -1, 40);
    GtkWidget* label = gtk_label_new("Filter:");
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_widget_set_size_request(label, 40, 20);
    gtk_widget_set_margin_start(label, kMargin);
    gtk_widget_set_valign(label, GTK_ALIGN_CENTER);

    browser.filter = Compact(gtk_entry_new(), 300, 24);
    gtk_widget_set_margin_start(browser.filter, 4);
    gtk_widget_set_valign(browser.filter, GTK_ALIGN_CENTER);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), browser.filter);
    SetAccessibleName(browser.filter, "Filter");

    // The count label keeps its text as its accessible name, so screen readers read the count.
    browser.count = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(browser.count), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(browser.count), PANGO_ELLIPSIZE_END);
    gtk_widget_set_margin_start(browser.count, 12);
    gtk_widget_set_margin_end(browser.count, kMargin);
    gtk_widget_set_valign(browser.count, GTK_ALIGN_CENTER);
    atk_object_set_description(gtk_widget_get_accessible(browser.count), "Number of textures shown");

    gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), browser.filter, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), browser.count, TRUE, TRUE, 0);
    return row;
}

GtkWidget* BuildList(Browser& browser, bool multiple) {
    browser.list = gtk_tree_view_new();
    GtkTreeView* view = GTK_TREE_VIEW(browser.list);
    AddColumn(browser.list, "Name", kNameColumn, 260, 0.0f);
    AddColumn(browser.list, "Size", kSizeColumn, 70, 1.0f);
    AddColumn(browser.list, "Folder", kFolderColumn, 400, 0.0f);
    gtk_tree_view_set_fixed_height_mode(view, TRUE);
    gtk_tree_view_set_grid_lines(view, GTK_TREE_VIEW_GRID_LINES_BOTH);
    gtk_tree_view_set_enable_search(view, FALSE);  // typing goes to the filter field instead
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(view),
                                multiple ? GTK_SELECTION_MULTIPLE : GTK_SELECTION_SINGLE);
    SetAccessibleName(browser.list, "Textures");

    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_widget_set_margin_start(scroller, kMargin);
    gtk_widget_set_margin_end(scroller, kMargin);
    gtk_container_add(GTK_CONTAINER(scroller), browser.list);
    SetAccessibleName(scroller, "Texture list");
    return scroller;
}

GtkWidget* BuildButtonRow(Browser& browser) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kMargin);
    gtk_widget_set_margin_top(row, kMargin);
    gtk_widget_set_margin_bottom(row, kMargin);
    gtk_widget_set_margin_end(row, kMargin);
    GtkWidget* open = browser.open = Compact(gtk_button_new_with_label("Open"), 92, 28);
    GtkWidget* cancel = Compact(gtk_button_new_with_label("Cancel"), 92, 28);
    SetAccessibleName(open, "Open");
    SetAccessibleName(cancel, "Cancel");
    gtk_widget_set_can_default(open, TRUE);
    gtk_box_pack_end(GTK_BOX(row), cancel, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(row), open, FALSE, FALSE, 0);
    g_signal_connect(open, "clicked", G_CALLBACK(OnOpen), &browser);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancel), &browser);
    return row;
}

void BuildWindow(Browser& browser, GtkWindow* parent, const std::string& archive, bool multiple) {
    browser.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(browser.window);
    const std::string title = multiple ? "Choose textures (Ctrl/Shift + click for more) - " : "Choose a texture - ";
    gtk_window_set_title(window, (title + Displayable(FileNameOf(archive))).c_str());
    gtk_window_set_modal(window, TRUE);
    if (parent) gtk_window_set_transient_for(window, parent);
    gtk_window_set_position(window, parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_window_set_default_size(window, 760, 520);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(column), BuildFilterRow(browser), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), BuildList(browser, multiple), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(column), BuildButtonRow(browser), FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(browser.window), column);
    gtk_window_set_default(window, browser.open);

    g_signal_connect(browser.window, "key-press-event", G_CALLBACK(OnKeyPress), &browser);
    g_signal_connect(browser.window, "delete-event", G_CALLBACK(OnDelete), &browser);
    g_signal_connect(browser.filter, "changed", G_CALLBACK(OnFilterChanged), &browser);
    g_signal_connect(browser.list, "row-activated", G_CALLBACK(OnRowActivated), &browser);
}

void WarnNoTextures(GtkWindow* parent, const std::string& archive) {
    const std::string text = "No .tex files found in\n" + archive;
    GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s",
                                            Displayable(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Open from .gro");
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

}  // namespace

bool BrowseArchive(GtkWindow* parent, const std::string& archive, bool multiple, std::vector<std::string>& chosen) {
    chosen.clear();
    std::vector<ArchiveMember> members;
    if (ListArchiveTexMembers(archive, members) < 1) {
        WarnNoTextures(parent, archive);
        return false;
    }

    Browser browser;
    browser.members = &members;
    BuildWindow(browser, parent, archive, multiple);
    FillArchiveList(browser);
    gtk_widget_show_all(browser.window);
    gtk_widget_grab_focus(browser.filter);

    browser.loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(browser.loop);
    g_main_loop_unref(browser.loop);

    gtk_widget_destroy(browser.window);
    if (parent) gtk_window_present(parent);
    if (!browser.chosen) return false;
    chosen = std::move(browser.selection);
    return true;
}
