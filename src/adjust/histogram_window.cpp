#include "adjust/histogram_window.h"

#include <string>

#include "adjust/canvas_paint_gtk.h"
#include "adjust/histogram.h"
#include "platform/modal_dialog_gtk.h"

namespace {

constexpr int kCanvasWidth = 664;
constexpr int kCanvasHeight = 250;

struct HistogramWindowState {
    GtkWidget* window = nullptr;  // nullptr while closed
    GtkWidget* views = nullptr;
    GtkWidget* logarithmic = nullptr;
    GtkWidget* canvas = nullptr;
    GtkWidget* statistics = nullptr;
    HistogramData data;
    bool rebuildingList = false;
};

// Kept for the whole run: the window may be closed and opened again.
HistogramWindowState g_window;
bool g_logarithmic = false;
int g_view = kViewRgb;

gboolean OnCanvasDraw(GtkWidget*, cairo_t* cr, gpointer) {
    std::optional<Image> plot = CreateImage(kCanvasWidth, kCanvasHeight);
    if (!plot) return TRUE;
    const std::vector<PlotText> texts = RenderHistogram(*plot, g_window.data, g_view, g_logarithmic);
    PaintImage(cr, *plot);
    for (const PlotText& text : texts) PaintText(cr, text.x, text.y, text.text.c_str(), text.colour);
    return TRUE;
}

void Redraw() {
    const std::string line = HistogramStatistics(g_window.data, g_view);
    gtk_label_set_text(GTK_LABEL(g_window.statistics), line.c_str());
    gtk_widget_queue_draw(g_window.canvas);
}

void OnViewChanged(GtkComboBox* combo, gpointer) {
    if (g_window.rebuildingList) return;
    g_view = KeptHistogramView(gtk_combo_box_get_active(combo), g_window.data.isHdr);
    Redraw();
}

void OnLogarithmic(GtkToggleButton* button, gpointer) {
    g_logarithmic = gtk_toggle_button_get_active(button);
    Redraw();
}

void OnDestroy(GtkWidget*, gpointer) { g_window = HistogramWindowState{}; }

void RebuildList() {
    g_window.rebuildingList = true;
    GtkComboBoxText* list = GTK_COMBO_BOX_TEXT(g_window.views);
    gtk_combo_box_text_remove_all(list);
    for (const std::string& name : HistogramViewNames(g_window.data.isHdr))
        gtk_combo_box_text_append_text(list, name.c_str());
    g_view = KeptHistogramView(g_view, g_window.data.isHdr);
    gtk_combo_box_set_active(GTK_COMBO_BOX(list), g_view);
    g_window.rebuildingList = false;
}

void Build(GtkWindow* parent) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Histogram");
    if (parent) {
        gtk_window_set_transient_for(GTK_WINDOW(window), parent);
        gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
    }
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    GtkWidget* layout = gtk_fixed_new();
    gtk_widget_set_size_request(layout, 680, 330);
    gtk_container_add(GTK_CONTAINER(window), layout);
    const ModalDialog placement{window, layout};  // the same fixed layout the modal windows use

    g_window.window = window;
    g_window.views = PlaceControl(placement, gtk_combo_box_text_new(), 8, 8, 220, 24);
    SetAccessibleName(g_window.views, "View");
    UseCompactStyle(g_window.views);
    g_window.logarithmic = PlaceControl(placement, gtk_check_button_new_with_label("Logarithmic scale"), 240, 8, 200, 24);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(g_window.logarithmic), g_logarithmic);
    g_window.canvas = PlaceControl(placement, gtk_drawing_area_new(), 8, 40, kCanvasWidth, kCanvasHeight);
    SetAccessibleName(g_window.canvas, "Histogram");
    g_window.statistics = PlaceLabel(placement, "", 8, 298, 664, 24);
    SetAccessibleName(g_window.statistics, "Statistics");

    g_signal_connect(g_window.views, "changed", G_CALLBACK(OnViewChanged), nullptr);
    g_signal_connect(g_window.logarithmic, "toggled", G_CALLBACK(OnLogarithmic), nullptr);
    g_signal_connect(g_window.canvas, "draw", G_CALLBACK(OnCanvasDraw), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);
}

}  // namespace

void RefreshHistogramWindow(const Image* image, const LoadInfo& info, double exposure) {
    if (!g_window.window || !image) return;
    g_window.data = ComputeHistogram(*image, info, exposure);
    RebuildList();
    gtk_window_set_title(GTK_WINDOW(g_window.window), HistogramTitle(info).c_str());
    Redraw();
}

void ShowHistogramWindow(GtkWindow* parent, const Image& image, const LoadInfo& info, double exposure) {
    if (!g_window.window) Build(parent);
    RefreshHistogramWindow(&image, info, exposure);
    gtk_widget_show_all(g_window.window);
    gtk_window_present(GTK_WINDOW(g_window.window));
}

GtkWidget* HistogramWindowWidget() { return g_window.window; }
