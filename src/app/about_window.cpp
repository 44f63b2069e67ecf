#include "app/about_window.h"

#include <cmath>
#include <string>

namespace {

constexpr int kLogoSize = 256;

// The logo: a glowing tile with a bevelled "G", drawn once per window.
gboolean DrawLogo(GtkWidget*, cairo_t* cr, gpointer) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(128, 110, 10, 128, 128, 150);
    cairo_pattern_add_color_stop_rgb(glow, 0, 1.0, 0.86, 0.45);
    cairo_pattern_add_color_stop_rgb(glow, 1, 0.55, 0.22, 0.05);
    const double r = 36;
    cairo_new_sub_path(cr);
    cairo_arc(cr, kLogoSize - r - 8, r + 8, r, -M_PI / 2, 0);
    cairo_arc(cr, kLogoSize - r - 8, kLogoSize - r - 8, r, 0, M_PI / 2);
    cairo_arc(cr, r + 8, kLogoSize - r - 8, r, M_PI / 2, M_PI);
    cairo_arc(cr, r + 8, r + 8, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 170);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, "G", &ext);
    const double x = (kLogoSize - ext.width) / 2 - ext.x_bearing, y = (kLogoSize - ext.height) / 2 - ext.y_bearing;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_move_to(cr, x + 5, y + 5);
    cairo_show_text(cr, "G");
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, "G");
    return TRUE;
}

std::string ToolchainLine() {
#if defined(__clang__)
    std::string compiler = "Clang " __clang_version__;
#elif defined(__GNUC__)
    std::string compiler = "GCC " __VERSION__;
#else
    std::string compiler = "a C++ compiler";
#endif
    return compiler + ", GTK " + std::to_string(GTK_MAJOR_VERSION) + "." + std::to_string(GTK_MINOR_VERSION) +
           " (Linux x86-64)";
}

GtkWidget* LeftLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 40);
    return label;
}

}  // namespace

void ShowAbout(GtkWindow* parent) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), "About");
    gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 600, 300);

    GtkWidget* grid = gtk_grid_new();
    gtk_container_set_border_width(GTK_CONTAINER(grid), 16);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 18);
    GtkWidget* logo = gtk_drawing_area_new();
    gtk_widget_set_size_request(logo, kLogoSize, kLogoSize);
    g_signal_connect(logo, "draw", G_CALLBACK(DrawLogo), nullptr);
    atk_object_set_name(gtk_widget_get_accessible(logo), "Glimmerkit logo");
    gtk_grid_attach(GTK_GRID(grid), logo, 0, 0, 1, 4);

    GtkWidget* heading = LeftLabel("Serious Sam Engine 1 Glimmerkit 1.00");
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_family_new("Sans"));
    pango_attr_list_insert(attrs, pango_attr_size_new(12 * PANGO_SCALE));
    pango_attr_list_insert(attrs, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    gtk_label_set_attributes(GTK_LABEL(heading), attrs);
    pango_attr_list_unref(attrs);
    gtk_widget_set_valign(heading, GTK_ALIGN_START);
    gtk_widget_set_vexpand(heading, TRUE);
    gtk_grid_attach(GTK_GRID(grid), heading, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), LeftLabel("Created using:"), 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), LeftLabel(ToolchainLine().c_str()), 1, 2, 1, 1);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);

    // Return and Escape both close: Close is the default button, Escape is the dialog's cancel.
    GtkWidget* close = gtk_dialog_add_button(GTK_DIALOG(dialog), "Close", GTK_RESPONSE_CLOSE);
    gtk_widget_set_can_default(close, TRUE);
    gtk_widget_grab_default(close);
    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(close);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    gtk_window_present(parent);
}
