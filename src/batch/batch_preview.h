// The batch window's preview of the current row, drawn into an image of the canvas size so that
// it is testable without a display: a dark grey canvas, the picture shrunk to fit (never
// enlarged) and centred over an 8 x 8 checkerboard, and the info text beside it.
#pragma once

#include <optional>
#include <string>

#include "platform/image.h"
#include "tools/resize.h"
#include "texformats/load_info.h"

/// The size image takes on a canvas of canvasWidth x canvasHeight: scaled by the factor that
/// fits it, at most 1; each side rounded and at least 1.
ImageSize BatchPreviewSize(int width, int height, int canvasWidth, int canvasHeight);
/// The canvas with image drawn on it; none when memory runs out.
std::optional<Image> RenderBatchPreview(const Image& image, int canvasWidth, int canvasHeight);
/// An empty canvas, RGB(60, 60, 60).
std::optional<Image> EmptyBatchPreview(int canvasWidth, int canvasHeight);
/// The info line of a loaded file: name, size and the format by texture generation, then
/// ", with transparency" and ", HDR" when they apply.
std::string BatchInfoText(const std::string& name, const LoadInfo& info);
