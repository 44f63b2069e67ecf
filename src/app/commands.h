// Dispatch of menu commands and shortcuts by command id.
#pragma once

#include "app/app_state.h"

/// Runs the command with the given id. Returns true when the program should quit.
bool DispatchCommand(AppState& app, int id);

/// Commands that need an image: true when there is one, else "Please open a .tex file first.".
bool RequireImage(AppState& app);

/// Quit and window close: true when unsaved edits may be dropped.
bool ConfirmQuit(AppState& app);
