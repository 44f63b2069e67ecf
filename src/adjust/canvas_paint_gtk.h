// Putting an opaque Image painted by the core onto a GTK drawing canvas.
#pragma once

#include <gtk/gtk.h>

#include "platform/image.h"

/// Paints image at (0, 0) of cr, ignoring its alpha.
void PaintImage(cairo_t* cr, const Image& image);

/// Draws text with its top-left corner at (x, y) in a small font, without background.
void PaintText(cairo_t* cr, int x, int y, const char* text, Rgba colour);
