// The batch window: a fixed 1000 x 640 layout. The list and its buttons on the left, the
// preview, formats and output settings on the right, the progress bar and status line across
// the bottom. A run happens inside the Convert button's handler; between files it pumps the
// pending events, and while it runs every control except Stop is insensitive, so the only input
// that reaches the window is the Stop click.
#include "batch/batch_window.h"

#include <memory>

#include "app/archive_path.h"
#include "app/image_loading.h"
#include "batch/batch_prefs.h"
#include "batch/batch_preview.h"
#include "batch/batch_run.h"
#include "platform/cairo_image_gtk.h"
#include "platform/file_io.h"
#include "platform/modal_dialog_gtk.h"
#include "platform/ui_gtk.h"
#include "texformats/gro_browser_window.h"

namespace {

enum Column { kFileColumn, kLocationColumn, kColumnCount };

constexpr int kCanvasWidth = 492, kCanvasHeight = 300;
constexpr const char* kStartStatus = "Add files with the buttons above the list, or drag them onto the list.";

struct BatchWindow {
    BatchWindowContext context;
    Ui* ui = nullptr;
    ModalDialog dialog;
    BatchList list;
    std::string addFolder;
    int currentRow = -1;
    bool running = false;
    bool cancel = false;
    cairo_surface_t* preview = nullptr;

    GtkListStore* store = nullptr;
    GtkWidget *fileList = nullptr, *addFiles = nullptr, *addFolderButton = nullptr, *addFromGro = nullptr,
              *addAllFromGro = nullptr, *removeSelected = nullptr, *removeAll = nullptr, *count = nullptr,
              *canvas = nullptr, *info = nullptr, *source = nullptr, *output = nullptr, *useSource = nullptr,
              *outputButton = nullptr, *folderText = nullptr, *force = nullptr, *fit = nullptr,
              *convertSelected = nullptr, *convertAll = nullptr, *close = nullptr, *progress = nullptr,
              *status = nullptr;
};

std::string Displayable(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.c_str(), gssize(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

std::string SourceExtension(const BatchWindow& w) {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(w.source));
    return BatchSourceExtensions()[std::size_t(index < 0 ? 0 : index)];
}

std::string OutputExtension(const BatchWindow& w) {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(w.output));
    return BatchOutputExtensions()[std::size_t(index < 0 ? 0 : index)];
}

bool Ticked(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)); }

void SetStatus(BatchWindow& w, const std::string& text) {
    gtk_label_set_text(GTK_LABEL(w.status), Displayable(text).c_str());
}

GtkTreeSelection* Selection(const BatchWindow& w) {
    return gtk_tree_view_get_selection(GTK_TREE_VIEW(w.fileList));
}

/// Indexes of the selected rows, top to bottom.
std::vector<int> SelectedRows(const BatchWindow& w) {
    std::vector<int> rows;
    GList* paths = gtk_tree_selection_get_selected_rows(Selection(w), nullptr);
    for (GList* it = paths; it; it = it->next) rows.push_back(gtk_tree_path_get_indices(static_cast<GtkTreePath*>(it->data))[0]);
    g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return rows;
}

void RefreshCount(BatchWindow& w) {
    const std::string text = std::to_string(w.list.paths.size()) + " files, " +
                             std::to_string(gtk_tree_selection_count_selected_rows(Selection(w))) + " selected";
    gtk_label_set_text(GTK_LABEL(w.count), text.c_str());
}

/// Rebuilds the rows from the batch list (same order, one row per entry).
void RefreshRows(BatchWindow& w) {
    gtk_list_store_clear(w.store);
    for (const std::string& path : w.list.paths)
        gtk_list_store_insert_with_values(w.store, nullptr, -1, kFileColumn, Displayable(DisplayName(path)).c_str(),
                                          kLocationColumn, Displayable(DisplayLocation(path)).c_str(), -1);
    w.currentRow = -1;
}

void UpdateBatchControls(BatchWindow& w) {
    const bool tex = SourceExtension(w) == "tex";
    gtk_widget_set_sensitive(w.addFromGro, tex);
    gtk_widget_set_sensitive(w.addAllFromGro, tex);
    const bool any = !w.list.paths.empty();
    for (GtkWidget* button : {w.removeSelected, w.removeAll, w.convertSelected, w.convertAll})
        gtk_widget_set_sensitive(button, any);
    const bool archive = HasArchiveEntries(w.list);
    if (archive && Ticked(w.useSource)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.useSource), FALSE);
    gtk_widget_set_sensitive(w.useSource, !archive);
    gtk_widget_set_sensitive(w.outputButton, !Ticked(w.useSource));
    const std::string folder = Ticked(w.useSource)         ? "(next to each source file)"
                               : BatchOutputFolder().empty() ? "(no folder chosen)"
                                                             : BatchOutputFolder();
    gtk_label_set_text(GTK_LABEL(w.folderText), Displayable(folder).c_str());
    gtk_widget_set_sensitive(w.fit, OutputExtension(w) == "tex");
    RefreshCount(w);
}

void SetPreview(BatchWindow& w, const std::optional<Image>& image) {
    if (w.preview) cairo_surface_destroy(w.preview);
    w.preview = nullptr;
    if (image) w.preview = ImageToCairoSurface(*image);
    gtk_widget_queue_draw(w.canvas);
}

void ShowBatchPreview(BatchWindow& w) {
    SetPreview(w, EmptyBatchPreview(kCanvasWidth, kCanvasHeight));
    if (w.currentRow < 0 || std::size_t(w.currentRow) >= w.list.paths.size()) {
        gtk_label_set_text(GTK_LABEL(w.info), "");
        return;
    }
    const std::string& path = w.list.paths[std::size_t(w.currentRow)];
    LoadInfo info;
    const std::optional<Image> image = LoadImageAnyPath(path, info, w.context.hdr);
    if (!image) {
        gtk_label_set_text(GTK_LABEL(w.info), Displayable(DisplayName(path) + ": " + info.error).c_str());
        return;
    }
    SetPreview(w, RenderBatchPreview(*image, kCanvasWidth, kCanvasHeight));
    gtk_label_set_text(GTK_LABEL(w.info), Displayable(BatchInfoText(DisplayName(path), info)).c_str());
}

/// Handles the pending window events without waiting. During a run only Stop is sensitive, so
/// a click on it (which sets the cancel flag) is the only input that does anything.
void PumpBatchEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// ---- adding and removing ----

void FinishAdding(BatchWindow& w, const std::string& status) {
    RefreshRows(w);
    SetStatus(w, status);
    UpdateBatchControls(w);
    ShowBatchPreview(w);
}

FileFilter SourceFilter(const std::string& ext) {
    if (ext == "tif") return {"Source format (*.tif)", "*.tif;*.tiff"};
    if (ext == "jpg") return {"Source format (*.jpg)", "*.jpg;*.jpeg"};
    return {"Source format (*." + ext + ")", "*." + ext};
}

void OnAddFiles(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    FileDialogRequest request;
    request.title = "Add files";
    request.folder = w.addFolder;
    request.filters = {SourceFilter(SourceExtension(w))};
    request.multiple = true;
    int added = 0;
    for (const std::string& path : w.ui->OpenFileDialog(request).paths) {
        w.addFolder = FolderOf(path);
        added += AddBatchFile(w.list, path, SourceExtension(w));
    }
    FinishAdding(w, std::to_string(added) + " file(s) added.");
}

void OnAddFolder(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    const std::optional<std::string> folder = w.ui->FolderDialog(
        "Add all ." + SourceExtension(w) + " files from a folder (including subfolders)", w.addFolder);
    if (!folder) return;
    w.addFolder = *folder;
    SetStatus(w, "Searching " + *folder + " ...");
    PumpBatchEvents();
    const int added = AddBatchFolder(w.list, *folder, SourceExtension(w));
    FinishAdding(w, std::to_string(added) + " file(s) added from " + *folder);
}

std::optional<std::string> ChooseArchive(BatchWindow& w) {
    FileDialogRequest request;
    request.title = "Open .gro archive";
    request.folder = w.addFolder;
    request.filters = {{"Serious Sam archive (*.gro)", "*.gro"}};
    FileDialogResult result = w.ui->OpenFileDialog(request);
    if (!result.chosen()) return std::nullopt;
    w.addFolder = FolderOf(result.path());
    return result.path();
}

void OnAddAllFromGro(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    const std::optional<std::string> archive = ChooseArchive(w);
    if (!archive) return;
    SetStatus(w, "Reading " + FileNameOf(*archive) + " ...");
    PumpBatchEvents();
    const int added = std::max(0, AddBatchArchive(w.list, *archive, SourceExtension(w)));
    FinishAdding(w, std::to_string(added) + " texture(s) added from " + FileNameOf(*archive));
}

void OnAddFromGro(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    const std::optional<std::string> archive = ChooseArchive(w);
    if (!archive) return;
    std::vector<std::string> chosen;
    int added = 0;
    if (BrowseArchive(GTK_WINDOW(w.dialog.window), *archive, true, chosen))
        for (const std::string& member : chosen) added += AddBatchFile(w.list, *archive + "::" + member, SourceExtension(w));
    FinishAdding(w, std::to_string(added) + " texture(s) added from " + FileNameOf(*archive));
}

/// Dropped files arrive as a URI list from file managers, or as plain text with one path per line.
std::vector<std::string> DroppedPaths(GtkSelectionData* data) {
    std::vector<std::string> paths;
    if (gchar** uris = gtk_selection_data_get_uris(data)) {
        for (gchar** uri = uris; *uri; ++uri) {
            if (gchar* file = g_filename_from_uri(*uri, nullptr, nullptr)) {
                paths.push_back(file);
                g_free(file);
            }
        }
        g_strfreev(uris);
        return paths;
    }
    guchar* text = gtk_selection_data_get_text(data);
    if (!text) return paths;
    std::string line;
    for (const char* c = reinterpret_cast<const char*>(text);; ++c) {
        if (*c == '\n' || *c == '\0') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            paths.push_back(line);
            line.clear();
            if (*c == '\0') break;
        } else {
            line += *c;
        }
    }
    g_free(text);
    return paths;
}

void OnDrop(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* data, guint, guint time,
            gpointer user) {
    BatchWindow& w = *static_cast<BatchWindow*>(user);
    if (w.running) {
        gtk_drag_finish(context, FALSE, FALSE, time);
        return;
    }
    const int added = AddBatchPaths(w.list, DroppedPaths(data), SourceExtension(w));
    gtk_drag_finish(context, TRUE, FALSE, time);
    FinishAdding(w, std::to_string(added) + " file(s) added (only ." + SourceExtension(w) +
                        " files are accepted with this source format).");
}

void OnRemoveSelected(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    std::vector<int> rows = SelectedRows(w);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (std::size_t(*it) < w.list.paths.size()) w.list.paths.erase(w.list.paths.begin() + *it);
    RefreshRows(w);
    UpdateBatchControls(w);
    ShowBatchPreview(w);
}

void OnRemoveAll(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    w.list.paths.clear();
    RefreshRows(w);
    UpdateBatchControls(w);
    ShowBatchPreview(w);
}

void OnSelectionChanged(GtkTreeSelection*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(w.fileList), &path, nullptr);
    const int row = path ? gtk_tree_path_get_indices(path)[0] : -1;
    if (path) gtk_tree_path_free(path);
    if (row != w.currentRow) {
        w.currentRow = row;
        ShowBatchPreview(w);
    }
    RefreshCount(w);
}

void OnSourceChanged(GtkComboBox*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    const std::string ext = SourceExtension(w);
    int mismatched = 0;
    for (const std::string& path : w.list.paths) mismatched += MatchesSourceFormat(path, ext) ? 0 : 1;
    if (mismatched > 0) {
        w.ui->Message(BoxKind::Information, kBatchTitle,
                      std::to_string(mismatched) +
                          " file(s) in the list do not match the new source format and were removed.");
        RemoveMismatchedFiles(w.list, ext);
        RefreshRows(w);
    }
    UpdateBatchControls(w);
    ShowBatchPreview(w);
}

void OnSettingChanged(GtkWidget*, gpointer data) { UpdateBatchControls(*static_cast<BatchWindow*>(data)); }

void OnOutputFolder(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    if (std::optional<std::string> folder = w.ui->FolderDialog("Choose the output folder", BatchOutputFolder()))
        BatchOutputFolder() = *folder;
    UpdateBatchControls(w);
}

// ---- the run ----

/// Everything but the Stop button is insensitive during a run.
void SetRunning(BatchWindow& w, bool running) {
    w.running = running;
    gtk_button_set_label(GTK_BUTTON(w.close), running ? "Stop" : "Close");
    SetAccessibleName(w.close, running ? "Stop" : "Close");
    for (GtkWidget* control : {w.addFiles, w.addFolderButton, w.addFromGro, w.addAllFromGro, w.fileList,
                               w.removeSelected, w.removeAll, w.source, w.output, w.useSource, w.outputButton,
                               w.force, w.fit, w.convertSelected, w.convertAll})
        gtk_widget_set_sensitive(control, !running);
    if (!running) UpdateBatchControls(w);
}

class WindowProgress : public BatchProgress {
public:
    explicit WindowProgress(BatchWindow& w) : w_(w) {}
    void Begin() override {
        w_.cancel = false;
        SetRunning(w_, true);
    }
    void Report(int percent, const std::string& status) override {
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(w_.progress), percent / 100.0);
        SetStatus(w_, status);
        PumpBatchEvents();
    }
    bool ShouldStop() override { return w_.cancel; }
    void End(bool stopped) override {
        SetRunning(w_, false);
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(w_.progress), 0.0);
        SetStatus(w_, stopped ? "Stopped." : "Done.");
    }

private:
    BatchWindow& w_;
};

void Convert(BatchWindow& w, bool selectedOnly) {
    std::vector<std::string> work;
    if (selectedOnly) {
        for (int row : SelectedRows(w))
            if (std::size_t(row) < w.list.paths.size()) work.push_back(w.list.paths[std::size_t(row)]);
    } else {
        work = w.list.paths;
    }
    BatchSettings settings;
    settings.outputExtension = OutputExtension(w);
    settings.useSourceFolder = Ticked(w.useSource);
    settings.force = Ticked(w.force);
    settings.fit1024 = Ticked(w.fit);
    settings.outputFolder = BatchOutputFolder();
    settings.hdr = w.context.hdr;
    WindowProgress progress(w);
    RunBatch(*w.ui, work, settings, progress);
}

void OnConvertSelected(GtkButton*, gpointer data) { Convert(*static_cast<BatchWindow*>(data), true); }
void OnConvertAll(GtkButton*, gpointer data) { Convert(*static_cast<BatchWindow*>(data), false); }

void OnClose(GtkButton*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    if (w.running) w.cancel = true;
    else EndModalDialog(w.dialog.window, GTK_RESPONSE_CLOSE);
}

/// The window cannot be closed during a run; closing it asks the run to stop instead.
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    if (!w.running) return FALSE;
    w.cancel = true;
    return TRUE;
}

gboolean OnDrawCanvas(GtkWidget*, cairo_t* cr, gpointer data) {
    BatchWindow& w = *static_cast<BatchWindow*>(data);
    if (w.preview) {
        cairo_set_source_surface(cr, w.preview, 0, 0);
        cairo_paint(cr);
    }
    return TRUE;
}

// ---- building ----

// GtkFixed gives each child its natural size, and the theme's texts and paddings would make
// buttons and combos wider than their place. Ellipsized texts with a tiny natural width let the
// requested sizes rule; the side padding is narrowed so that the labels still fit whole.
void KeepToRequestedWidth(GtkWidget* widget) {
    static GtkCssProvider* css = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider, "button { padding-left: 2px; padding-right: 2px; }", -1, nullptr);
        return provider;
    }();
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_BUTTON(widget)) {
        if (GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget)); label && GTK_IS_LABEL(label)) {
            gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
            gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
        }
    }
    if (GTK_IS_COMBO_BOX(widget)) {
        GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(widget));
        for (GList* it = cells; it; it = it->next)
            g_object_set(it->data, "ellipsize", PANGO_ELLIPSIZE_END, "max-width-chars", 1, nullptr);
        g_list_free(cells);
    }
}

GtkWidget* Button(BatchWindow& w, const char* text, int x, int y, int width, int height, GCallback handler) {
    GtkWidget* button = PlaceControl(w.dialog, gtk_button_new_with_label(text), x, y, width, height);
    UseCompactStyle(button);
    KeepToRequestedWidth(button);
    SetAccessibleName(button, text);
    g_signal_connect(button, "clicked", handler, &w);
    return button;
}

GtkWidget* CheckBox(BatchWindow& w, const char* text, int y) {
    GtkWidget* box = PlaceControl(w.dialog, gtk_check_button_new_with_label(text), 500, y, 492, 22);
    KeepToRequestedWidth(box);
    SetAccessibleName(box, text);
    return box;
}

GtkWidget* Combo(BatchWindow& w, const char* label, const std::vector<std::string>& items, int y) {
    GtkWidget* caption = PlaceLabel(w.dialog, label, 500, y + 4, 100, 20);
    GtkWidget* combo = gtk_combo_box_text_new();
    for (const std::string& item : items) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    UseCompactStyle(combo);
    KeepToRequestedWidth(combo);
    PlaceControl(w.dialog, combo, 610, y, 382, 24);
    gtk_label_set_mnemonic_widget(GTK_LABEL(caption), combo);
    SetAccessibleName(combo, std::string(label).substr(0, std::string(label).size() - 1).c_str());
    return combo;
}

GtkWidget* InfoLabel(BatchWindow& w, const char* accessibleName, int x, int y, int width, int height) {
    GtkWidget* label = PlaceLabel(w.dialog, "", x, y, width, height);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
    atk_object_set_description(gtk_widget_get_accessible(label), accessibleName);
    return label;
}

void AddColumn(GtkWidget* list, const char* title, int column, int width) {
    GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
    g_object_set(renderer, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* viewColumn = gtk_tree_view_column_new_with_attributes(title, renderer, "text", column, nullptr);
    gtk_tree_view_column_set_sizing(viewColumn, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(viewColumn, width);
    gtk_tree_view_column_set_resizable(viewColumn, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(list), viewColumn);
}

void BuildList(BatchWindow& w) {
    w.store = gtk_list_store_new(kColumnCount, G_TYPE_STRING, G_TYPE_STRING);
    w.fileList = gtk_tree_view_new_with_model(GTK_TREE_MODEL(w.store));
    g_object_unref(w.store);
    AddColumn(w.fileList, "File", kFileColumn, 190);
    AddColumn(w.fileList, "Location", kLocationColumn, 400);
    gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(w.fileList), TRUE);
    gtk_tree_selection_set_mode(Selection(w), GTK_SELECTION_MULTIPLE);
    SetAccessibleName(w.fileList, "Files to convert");

    static const GtkTargetEntry kTargets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0},
                                              {const_cast<gchar*>("text/plain"), 0, 1}};
    gtk_drag_dest_set(w.fileList, GTK_DEST_DEFAULT_ALL, kTargets, 2, GDK_ACTION_COPY);
    g_signal_connect(w.fileList, "drag-data-received", G_CALLBACK(OnDrop), &w);
    g_signal_connect(Selection(w), "changed", G_CALLBACK(OnSelectionChanged), &w);

    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroller), w.fileList);
    PlaceControl(w.dialog, scroller, 8, 40, 482, 512);
}

void BuildWindow(BatchWindow& w) {
    w.dialog = CreateModalDialog(w.context.parent, kBatchTitle, 1000, 640);
    w.addFiles = Button(w, "Add files...", 8, 8, 110, 26, G_CALLBACK(OnAddFiles));
    w.addFolderButton = Button(w, "Add folder...", 122, 8, 110, 26, G_CALLBACK(OnAddFolder));
    w.addFromGro = Button(w, "Add from .gro...", 236, 8, 120, 26, G_CALLBACK(OnAddFromGro));
    w.addAllFromGro = Button(w, "Add all from .gro...", 360, 8, 130, 26, G_CALLBACK(OnAddAllFromGro));
    BuildList(w);
    w.removeSelected = Button(w, "Remove selected", 8, 558, 120, 26, G_CALLBACK(OnRemoveSelected));
    w.removeAll = Button(w, "Remove all", 132, 558, 100, 26, G_CALLBACK(OnRemoveAll));
    w.count = InfoLabel(w, "Number of files and selected rows", 240, 563, 250, 20);

    w.canvas = PlaceControl(w.dialog, gtk_drawing_area_new(), 500, 8, kCanvasWidth, kCanvasHeight);
    g_signal_connect(w.canvas, "draw", G_CALLBACK(OnDrawCanvas), &w);
    w.info = InfoLabel(w, "Description of the current file", 500, 312, 492, 20);

    w.source = Combo(w, "Source format:", BatchSourceItems(), 340);
    w.output = Combo(w, "Output format:", BatchOutputItems(), 372);
    w.useSource = CheckBox(w, "Use source folder as output folder", 406);
    w.outputButton = Button(w, "Output folder...", 500, 432, 120, 26, G_CALLBACK(OnOutputFolder));
    w.folderText = InfoLabel(w, "Output folder", 626, 437, 366, 20);
    w.force = CheckBox(w, "Force overwriting existing files", 464);
    w.fit = CheckBox(w, "Serious Sam 1 .tex: resize textures larger than 1024 pixels", 488);
    w.convertSelected = Button(w, "Convert Selected", 500, 520, 160, 30, G_CALLBACK(OnConvertSelected));
    w.convertAll = Button(w, "Convert All", 666, 520, 160, 30, G_CALLBACK(OnConvertAll));
    w.close = Button(w, "Close", 892, 520, 100, 30, G_CALLBACK(OnClose));

    w.progress = PlaceControl(w.dialog, gtk_progress_bar_new(), 8, 596, 984, 16);
    SetAccessibleName(w.progress, "Progress");
    w.status = PlaceLabel(w.dialog, kStartStatus, 8, 616, 984, 20);
    gtk_label_set_ellipsize(GTK_LABEL(w.status), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(w.status), 1);
    atk_object_set_description(gtk_widget_get_accessible(w.status), "Status");
}

BatchChoices ChoicesFromControls(const BatchWindow& w) {
    return {gtk_combo_box_get_active(GTK_COMBO_BOX(w.source)), gtk_combo_box_get_active(GTK_COMBO_BOX(w.output)),
            Ticked(w.useSource), Ticked(w.force), Ticked(w.fit)};
}

void ApplyChoices(BatchWindow& w, const BatchChoices& choices) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.source), choices.sourceIndex);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.output), choices.outputIndex);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.useSource), choices.useSourceFolder);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.force), choices.force);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.fit), choices.fit1024);
}

void ConnectSettings(BatchWindow& w) {
    g_signal_connect(w.source, "changed", G_CALLBACK(OnSourceChanged), &w);
    g_signal_connect(w.output, "changed", G_CALLBACK(OnSettingChanged), &w);
    g_signal_connect(w.useSource, "toggled", G_CALLBACK(OnSettingChanged), &w);
    g_signal_connect(w.dialog.window, "delete-event", G_CALLBACK(OnDelete), &w);
}

}  // namespace

std::string& BatchOutputFolder() {
    static std::string folder;
    return folder;
}

void RunBatchWindow(const BatchWindowContext& context) {
    BatchWindow w;
    w.context = context;
    w.addFolder = context.startFolder;
    BuildWindow(w);
    std::unique_ptr<GtkUi> ownUi;
    if (context.ui) {
        w.ui = context.ui;
    } else {
        ownUi = std::make_unique<GtkUi>(GTK_WINDOW(w.dialog.window));
        w.ui = ownUi.get();
    }
    ApplyChoices(w, ReadBatchChoices(context.prefsFile, BatchOutputFolder()));
    ConnectSettings(w);
    UpdateBatchControls(w);
    ShowBatchPreview(w);

    // Any response ends the loop: Close, Escape or the window's close button outside a run.
    RunModalDialog(w.dialog);
    WriteBatchChoices(context.prefsFile, ChoicesFromControls(w), BatchOutputFolder());
    CloseModalDialog(w.dialog, context.parent);
    if (w.preview) cairo_surface_destroy(w.preview);
}
