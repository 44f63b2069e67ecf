#include "imageformats/dds_options_window.h"

#include <algorithm>

#include "imageformats/dds.h"
#include "platform/modal_dialog_gtk.h"

namespace {

// Items in the order of the format codes.
constexpr const char* kFormatItems[] = {
    "DXT1 / BC1 - compressed, no transparency",
    "DXT5 / BC3 - compressed, with transparency",
    "BC5 / ATI2 - compressed normal map (red + green)",
    "BGRA 32-bit - uncompressed, no quality loss",
};

struct DdsOptionsWindow {
    ModalDialog dialog;
    GtkWidget* format = nullptr;
    GtkWidget* mipmaps = nullptr;
    GtkWidget* ok = nullptr;
    GtkWidget* cancel = nullptr;
};

void OnOk(GtkButton*, gpointer data) {
    EndModalDialog(static_cast<DdsOptionsWindow*>(data)->dialog.window, GTK_RESPONSE_OK);
}

void OnCancel(GtkButton*, gpointer data) {
    EndModalDialog(static_cast<DdsOptionsWindow*>(data)->dialog.window, GTK_RESPONSE_CANCEL);
}

// Return confirms wherever the focus is (the list or the check box would otherwise take it for
// themselves), except on Cancel, which it presses.
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto& window = *static_cast<DdsOptionsWindow*>(data);
    const bool isReturn = event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter ||
                          event->keyval == GDK_KEY_ISO_Enter;
    if (!isReturn || gtk_window_get_focus(GTK_WINDOW(window.dialog.window)) == window.cancel) return FALSE;
    EndModalDialog(window.dialog.window, GTK_RESPONSE_OK);
    return TRUE;
}

// The longest list item and the check box text need more than the 288 pixels the layout
// gives them in most themes; the window then grows to the right, list and buttons with it, so
// that every text shows whole.
void WidenForLongTexts(DdsOptionsWindow& window) {
    gtk_widget_show_all(window.dialog.layout);  // hidden parts measure nothing
    int listWidth = 0, checkWidth = 0;
    gtk_widget_get_preferred_width(window.format, nullptr, &listWidth);
    gtk_widget_get_preferred_width(window.mipmaps, nullptr, &checkWidth);
    const int extra = std::max({0, listWidth - 288, checkWidth - 288});
    if (extra == 0) return;
    gtk_widget_set_size_request(window.format, 288 + extra, 24);
    gtk_fixed_move(GTK_FIXED(window.dialog.layout), window.ok, 196 + extra, 110);
    gtk_fixed_move(GTK_FIXED(window.dialog.layout), window.cancel, 288 + extra, 110);
    gtk_widget_set_size_request(window.dialog.layout, 380 + extra, 150);
}

void BuildWindow(DdsOptionsWindow& window, GtkWindow* parent, int initialFormat) {
    window.dialog = CreateModalDialog(parent, "Save as DDS", 380, 150);
    const ModalDialog& dialog = window.dialog;
    GtkWidget* label = PlaceLabel(dialog, "Format:", 12, 16, 70, 20);
    window.format = gtk_combo_box_text_new();
    for (const char* item : kFormatItems) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(window.format), item);
    gtk_combo_box_set_active(GTK_COMBO_BOX(window.format), initialFormat);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), window.format);
    SetAccessibleName(window.format, "Format");
    PlaceControl(dialog, window.format, 80, 12, 288, 24);

    window.mipmaps = gtk_check_button_new_with_label("Generate mipmaps (recommended for games)");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(window.mipmaps), TRUE);
    PlaceControl(dialog, window.mipmaps, 80, 48, 288, 24);

    window.ok = PlaceDefaultButton(dialog, "OK", 196, 110, 80, 28);
    window.cancel = PlaceControl(dialog, gtk_button_new_with_label("Cancel"), 288, 110, 80, 28);
    WidenForLongTexts(window);

    g_signal_connect(window.ok, "clicked", G_CALLBACK(OnOk), &window);
    g_signal_connect(window.cancel, "clicked", G_CALLBACK(OnCancel), &window);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(OnKeyPress), &window);
}

}  // namespace

bool AskDdsOptions(GtkWindow* parent, bool keepAlpha, bool normalHint, int64_t& lastDdsFormat, bool& lastDdsMips) {
    DdsOptionsWindow window;
    BuildWindow(window, parent, DefaultDdsFormat(keepAlpha, normalHint));
    gtk_widget_grab_focus(window.format);
    const bool confirmed = RunModalDialog(window.dialog);
    const int format = gtk_combo_box_get_active(GTK_COMBO_BOX(window.format));
    const bool mipmaps = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(window.mipmaps));
    CloseModalDialog(window.dialog, parent);
    if (!confirmed || format < kDdsDxt1 || format > kDdsBgra) return false;
    lastDdsFormat = format;
    lastDdsMips = mipmaps;
    return true;
}
