// What a run of the program takes from the preferences file at start-up and leaves in it at
// shutdown: the settings, the history limit, the last folders, exposure and tone, the DDS
// choices and the main window's geometry.
#pragma once

#include <vector>

#include "app/app_state.h"

/// A monitor's rectangle in the window system's coordinates.
struct MonitorRect {
    int x = 0, y = 0, width = 0, height = 0;
};

/// Reads the settings and the remembered state from app.prefsFile into app. The remembered
/// window geometry is taken only when it is at least 300 x 200 and the point 40 right and 20
/// below its corner lies on one of monitors; the maximised flag is taken either way. Both only
/// while PrefRememberWindow is on.
void LoadPreferences(AppState& app, const std::vector<MonitorRect>& monitors);

/// Writes exposure, tone and the DDS choices, and with PrefRememberWindow on the window state
/// from app.view: the maximised flag always, the position and inner size only when the window
/// is neither maximised nor minimised (so the last normal geometry survives).
void SaveSessionState(AppState& app);
