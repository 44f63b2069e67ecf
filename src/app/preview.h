// The preview of the working image: whole-number enlargement of small images, the background
// behind transparent pixels, and status field 2.
#pragma once

#include <optional>
#include <string>

#include "app/app_state.h"

/// Enlargement factor: images with both sides below 256 grow by 256 / (longer side).
int PreviewZoom(int width, int height);

/// The image scaled by zoom (nearest neighbour) and blended over the background
/// (0 checkerboard of 8 x 8 squares, 1 black, 2 grey, 3 white); none when out of memory.
std::optional<Image> ComposePreview(const Image& image, int zoom, int background);

/// Status field 2 for a note and a zoom factor.
std::string PreviewStatusText(const std::string& note, int zoom);

/// Draws the document's image into the main view and updates status field 2.
void RefreshPreview(AppState& app);
/// Draws image (or, with none, the working image again) without changing the document.
void ShowTemporaryPreview(AppState& app, const Image* image);
