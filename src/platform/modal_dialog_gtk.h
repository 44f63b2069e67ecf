// Small modal windows whose controls sit at fixed positions: creation, placement, accessible
// names and the nested event loop they run.
#pragma once

#include <gtk/gtk.h>

#include <string>

struct ModalDialog {
    GtkWidget* window = nullptr;  // a GtkDialog
    GtkWidget* layout = nullptr;  // the GtkFixed that holds the controls
};

/// A hidden modal dialog titled title with a width x height layout, centred on parent (which
/// takes no input while it is open). Not resizable.
ModalDialog CreateModalDialog(GtkWindow* parent, const char* title, int width, int height);

/// Puts widget at (x, y) of the layout with at least the given size; returns widget.
GtkWidget* PlaceControl(const ModalDialog& dialog, GtkWidget* widget, int x, int y, int width, int height);
/// A left-aligned label placed like PlaceControl.
GtkWidget* PlaceLabel(const ModalDialog& dialog, const std::string& text, int x, int y, int width, int height);
/// A push button that becomes the default (Return in text fields presses it).
GtkWidget* PlaceDefaultButton(const ModalDialog& dialog, const char* text, int x, int y, int width, int height);

/// Lets an entry or button (or the parts of a combo box) shrink to the 24 to 28 pixel heights of
/// our layouts; the theme's own minimum is taller.
void UseCompactStyle(GtkWidget* widget);

/// The name a screen reader announces for widget.
void SetAccessibleName(GtkWidget* widget, const char* name);

/// Shows the dialog and runs its nested loop until a response; true for GTK_RESPONSE_OK.
/// Escape and the window's close button end it with another response. The dialog stays alive
/// so that its controls can be read.
bool RunModalDialog(const ModalDialog& dialog);
/// Destroys the dialog and gives its parent the focus back.
void CloseModalDialog(const ModalDialog& dialog, GtkWindow* parent);
/// Ends the nested loop with response (for the dialog's own buttons).
void EndModalDialog(GtkWidget* window, int response);
