// The preview of the working image: whole-number enlargement of small images, the background
// behind transparent pixels, and status field 2.
#pragma once

#include <optional>

#include "app/app_state.h"

/// Draws the document's image into the main view and updates status field 2.
void RefreshPreview(AppState& app);
/// Draws image (or, with none, the working image again) without changing the document.
void ShowTemporaryPreview(AppState& app, const Image* image);
