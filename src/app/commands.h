// Dispatch of menu commands and shortcuts by command id.
#pragma once

#include "app/app_state.h"

/// Runs the command with the given id. Returns true when the program should quit.
bool DispatchCommand(AppState& app, int id);

/// Quit and window close: true when unsaved edits may be dropped.
bool ConfirmQuit(AppState& app);
