#include "platform/modal_dialog_gtk.h"

ModalDialog CreateModalDialog(GtkWindow* parent, const char* title, int width, int height) {
    ModalDialog dialog;
    dialog.window = gtk_dialog_new();
    GtkWindow* window = GTK_WINDOW(dialog.window);
    gtk_window_set_title(window, title);
    gtk_window_set_modal(window, TRUE);
    if (parent) gtk_window_set_transient_for(window, parent);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_default_size(window, width, height);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.window));
    gtk_container_set_border_width(GTK_CONTAINER(content), 0);
    dialog.layout = gtk_fixed_new();
    gtk_widget_set_size_request(dialog.layout, width, height);
    gtk_box_pack_start(GTK_BOX(content), dialog.layout, TRUE, TRUE, 0);
    return dialog;
}

GtkWidget* PlaceControl(const ModalDialog& dialog, GtkWidget* widget, int x, int y, int width, int height) {
    gtk_widget_set_size_request(widget, width, height);
    gtk_fixed_put(GTK_FIXED(dialog.layout), widget, x, y);
    return widget;
}

GtkWidget* PlaceLabel(const ModalDialog& dialog, const std::string& text, int x, int y, int width, int height) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    return PlaceControl(dialog, label, x, y, width, height);
}

GtkWidget* PlaceDefaultButton(const ModalDialog& dialog, const char* text, int x, int y, int width, int height) {
    GtkWidget* button = PlaceControl(dialog, gtk_button_new_with_label(text), x, y, width, height);
    gtk_widget_set_can_default(button, TRUE);
    gtk_window_set_default(GTK_WINDOW(dialog.window), button);
    return button;
}

void UseCompactStyle(GtkWidget* widget) {
    static GtkCssProvider* css = [] {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            provider, "entry, button { min-height: 20px; padding-top: 1px; padding-bottom: 1px; }", -1, nullptr);
        return provider;
    }();
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void SetAccessibleName(GtkWidget* widget, const char* name) {
    atk_object_set_name(gtk_widget_get_accessible(widget), name);
}

bool RunModalDialog(const ModalDialog& dialog) {
    gtk_widget_show_all(dialog.window);
    return gtk_dialog_run(GTK_DIALOG(dialog.window)) == GTK_RESPONSE_OK;
}

void CloseModalDialog(const ModalDialog& dialog, GtkWindow* parent) {
    gtk_widget_destroy(dialog.window);
    if (parent) gtk_window_present(parent);
}

void EndModalDialog(GtkWidget* window, int response) { gtk_dialog_response(GTK_DIALOG(window), response); }
