// The modal "Preferences" window: three tabs ("General", "Saving", "Warnings") over the user
// settings, with "Defaults", "OK" and "Cancel". Its rules live in prefs_controls.h.
#pragma once

#include <gtk/gtk.h>

#include "app/app_state.h"

/// Shows the window over parent (which takes no input while it is open and gets the focus back
/// afterwards), filled from app.prefs. OK with valid entries stores them into app.prefs, writes
/// every setting to app.prefsFile and returns true; an invalid strength shows an error box and
/// keeps the window open. "Defaults" only refills the controls. Cancel, Escape and closing the
/// window return false and change nothing.
bool PreferencesWindow(GtkWindow* parent, AppState& app);
