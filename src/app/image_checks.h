// Small checks and conversions on a freshly loaded or edited image.
#pragma once

#include "platform/image.h"

/// False for a 24-bit image; otherwise true as soon as one pixel has alpha below 255.
bool HasTransparency(const Image& image);

/// The image as 32 bits per pixel: a 24-bit image gets every alpha byte set to 255. Our images
/// always store four bytes per pixel, so this converts in place and cannot run out of memory.
Image EnsureRgba32(Image image);
