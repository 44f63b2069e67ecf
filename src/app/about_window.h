// Help > About: logo, name and version, the toolchain line, and Close.
#pragma once

#include <gtk/gtk.h>

/// Runs the modal About window over parent until Close, Return, Escape or the close button.
void ShowAbout(GtkWindow* parent);
