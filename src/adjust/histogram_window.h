// The "Histogram" window: the one window that stays open beside the main window. It shows the
// distribution of the working image's values and is refreshed whenever the image changes.
// At most one exists; the logarithmic-scale choice and the selected view outlive it.
#pragma once

#include <gtk/gtk.h>

#include "platform/image.h"
#include "texformats/load_info.h"

/// Opens the window for image (or refreshes it when open) and brings it to the front.
void ShowHistogramWindow(GtkWindow* parent, const Image& image, const LoadInfo& info, double exposure);
/// Recounts and redraws when the window is open; nothing otherwise or without an image.
void RefreshHistogramWindow(const Image* image, const LoadInfo& info, double exposure);

/// The open window, or nullptr.
GtkWidget* HistogramWindowWidget();
