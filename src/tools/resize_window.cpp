#include "tools/resize_window.h"

#include <functional>
#include <string>

#include "platform/modal_dialog_gtk.h"
#include "tools/resize.h"

namespace {

struct ResizeWindow {
    ModalDialog dialog;
    GtkWidget* widthEntry = nullptr;
    GtkWidget* heightEntry = nullptr;
    GtkWidget* keepAspect = nullptr;
    GtkWidget* message = nullptr;
    int width = 0, height = 0;  // the image's size
    // Raised while the window writes a size text itself, so that the aspect rule reacts only
    // to the user's own changes and never to its own output.
    bool writingText = false;
    ImageSize chosen;
};

// Calls visit on widget and on every widget below it, internal children included.
void ForEachWidget(GtkWidget* widget, const std::function<void(GtkWidget*)>& visit) {
    visit(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
            ForEachWidget(child, *static_cast<const std::function<void(GtkWidget*)>*>(data));
        },
        const_cast<std::function<void(GtkWidget*)>*>(&visit));
}

// An editable list of the usual sizes whose text starts as value; returns its entry.
GtkWidget* PlaceSizeCombo(const ModalDialog& dialog, GtkWidget* label, const char* name, int value, int y) {
    GtkWidget* combo = gtk_combo_box_text_new_with_entry();
    for (int size : kResizeListSizes)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), std::to_string(size).c_str());
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
    gtk_entry_set_text(GTK_ENTRY(entry), std::to_string(value).c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 6);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
    SetAccessibleName(combo, name);
    SetAccessibleName(entry, name);
    // The theme's combo boxes are taller than the 24 pixels the layout gives them; without this
    // the width and height lists touch each other.
    ForEachWidget(combo, UseCompactStyle);
    PlaceControl(dialog, combo, 80, y, 100, 24);
    return entry;
}

void WriteText(ResizeWindow& window, GtkWidget* entry, const std::string& text) {
    window.writingText = true;
    gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
    window.writingText = false;
}

void OnSizeTextChanged(GtkEditable* editable, gpointer data) {
    ResizeWindow& window = *static_cast<ResizeWindow*>(data);
    if (window.writingText || !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(window.keepAspect))) return;
    const std::string typed = gtk_entry_get_text(GTK_ENTRY(editable));
    const bool widthTyped = GTK_WIDGET(editable) == window.widthEntry;
    const auto linked = widthTyped ? AspectLinkedText(typed, window.width, window.height)
                                   : AspectLinkedText(typed, window.height, window.width);
    if (linked) WriteText(window, widthTyped ? window.heightEntry : window.widthEntry, *linked);
}

void OnFit(GtkButton*, gpointer data) {
    ResizeWindow& window = *static_cast<ResizeWindow*>(data);
    const ImageSize fitted = FitSs1Size(window.width, window.height, kSs1SizeLimit);
    WriteText(window, window.widthEntry, std::to_string(fitted.width));
    WriteText(window, window.heightEntry, std::to_string(fitted.height));
}

void OnOk(GtkButton*, gpointer data) {
    ResizeWindow& window = *static_cast<ResizeWindow*>(data);
    const auto size = ValidateResizeTexts(gtk_entry_get_text(GTK_ENTRY(window.widthEntry)),
                                          gtk_entry_get_text(GTK_ENTRY(window.heightEntry)));
    if (!size) {
        gtk_label_set_text(GTK_LABEL(window.message), kInvalidSizeMessage);
        SetAccessibleName(window.message, kInvalidSizeMessage);
        return;
    }
    window.chosen = *size;
    EndModalDialog(window.dialog.window, GTK_RESPONSE_OK);
}

void OnCancel(GtkButton*, gpointer data) {
    EndModalDialog(static_cast<ResizeWindow*>(data)->dialog.window, GTK_RESPONSE_CANCEL);
}

void BuildWindow(ResizeWindow& window, GtkWindow* parent) {
    window.dialog = CreateModalDialog(parent, "Resize", 360, 200);
    const ModalDialog& dialog = window.dialog;
    PlaceLabel(dialog,
               "Current size: " + std::to_string(window.width) + " x " + std::to_string(window.height) + " pixels",
               12, 14, 330, 20);
    GtkWidget* widthLabel = PlaceLabel(dialog, "Width:", 12, 48, 60, 20);
    window.widthEntry = PlaceSizeCombo(dialog, widthLabel, "Width", window.width, 44);
    GtkWidget* heightLabel = PlaceLabel(dialog, "Height:", 12, 80, 60, 20);
    window.heightEntry = PlaceSizeCombo(dialog, heightLabel, "Height", window.height, 76);

    window.keepAspect = PlaceControl(dialog, gtk_check_button_new_with_label("Keep aspect ratio"), 196, 60, 150, 24);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(window.keepAspect), TRUE);
    GtkWidget* fit = PlaceControl(dialog, gtk_button_new_with_label("Fit Serious Sam 1 (powers of 2, max 1024)"),
                                  12, 116, 334, 26);
    window.message = PlaceLabel(dialog, "", 12, 172, 160, 20);
    SetAccessibleName(window.message, "Message");
    GtkWidget* ok = PlaceDefaultButton(dialog, "OK", 176, 164, 80, 28);
    GtkWidget* cancel = PlaceControl(dialog, gtk_button_new_with_label("Cancel"), 266, 164, 80, 28);

    g_signal_connect(window.widthEntry, "changed", G_CALLBACK(OnSizeTextChanged), &window);
    g_signal_connect(window.heightEntry, "changed", G_CALLBACK(OnSizeTextChanged), &window);
    g_signal_connect(fit, "clicked", G_CALLBACK(OnFit), &window);
    g_signal_connect(ok, "clicked", G_CALLBACK(OnOk), &window);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancel), &window);
}

}  // namespace

bool AskResize(GtkWindow* parent, int width, int height, int& newWidth, int& newHeight) {
    ResizeWindow window;
    window.width = width;
    window.height = height;
    BuildWindow(window, parent);
    const bool confirmed = RunModalDialog(window.dialog);
    CloseModalDialog(window.dialog, parent);
    if (!confirmed) return false;
    newWidth = window.chosen.width;
    newHeight = window.chosen.height;
    return true;
}
