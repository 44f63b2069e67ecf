// The modal "Resize" window: new width and height in editable lists, "Keep aspect ratio", and a
// button that proposes the largest size Serious Sam 1 accepts. Its rules live in resize.h.
#pragma once

#include <gtk/gtk.h>

/// Shows the window for an image of width x height, centred on parent (which takes no input
/// while it is open, and gets the focus back afterwards). True when the user confirmed a
/// valid size (1..16384 on each side); newWidth and newHeight are then set. OK with an invalid
/// text shows "Invalid size" and keeps the window open; Cancel, Escape and closing give false.
bool AskResize(GtkWindow* parent, int width, int height, int& newWidth, int& newHeight);
