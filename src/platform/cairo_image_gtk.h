// Our Image as a cairo surface, for drawing canvases.
#pragma once

#include <cairo.h>

#include "platform/image.h"

/// A new opaque RGB24 surface holding image's colours (alpha ignored); nullptr when cairo cannot
/// allocate it. The caller destroys it.
cairo_surface_t* ImageToCairoSurface(const Image& image);
