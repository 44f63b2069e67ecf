// The GTK implementation of AppWindows: the modal windows opened from the main window.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "app/app_windows.h"

std::unique_ptr<AppWindows> MakeGtkAppWindows(GtkWindow* parent);
