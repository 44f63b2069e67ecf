// Resizing: the Serious Sam 1 size proposal, the alpha-weighted halving filter, the resampler
// (halvings, then one bilinear step), the logic of the Resize window and the Resize command.
//
// The resampler serves the Resize command, the save-time size offer, the batch converter and
// the channel tools; HalveImage also builds the mip chains of DDS files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/image.h"

struct AppState;

struct ImageSize {
    int width = 0;
    int height = 0;
    bool operator==(const ImageSize&) const = default;
};

/// The largest power of two that is at most n; 1 for every n <= 1.
int64_t FloorPowerOfTwo(int64_t n);
/// The power of two nearest to n; a tie goes to the smaller one (384 -> 256, 385 -> 512).
int64_t NearestPowerOfTwo(int64_t n);

/// The size Serious Sam 1 accepts for a width x height image: scaled down (aspect kept) so that
/// the longer side is at most limit, then each side moved to its nearest power of two on its
/// own and kept within 1..limit. 2048 x 1000 -> 1024 x 512, 300 x 200 -> 256 x 256.
ImageSize FitSs1Size(int width, int height, int limit);
/// The limit the Resize window's Fit button, the save-time offer and the batch converter use.
constexpr int kSs1SizeLimit = 1024;

/// A new 32-bit image of half the width (halveWidth) and/or half the height (halveHeight),
/// each side at least 1, an odd last column or row dropped. Each target pixel is the
/// alpha-weighted average of its 2x2, 2x1, 1x2 or 1x1 source box (integer, truncated); a box
/// whose alpha sum is 0 keeps the colour of its top-left pixel with alpha 0. None when memory
/// runs out. The source is not changed.
std::optional<Image> HalveImage(const Image& image, bool halveWidth, bool halveHeight);

/// A new image of exactly width x height: the source is halved with HalveImage while a side is
/// at least twice its target, then resized once bilinearly (ResizeBilinear) when the size still
/// differs. None for a size that no image may have, or when memory runs out. The source is not
/// changed.
std::optional<Image> ResampleImage(const Image& image, int width, int height);

// ---- the Resize command on the document -----------------------------------------------------

inline constexpr const char* kResizeMemoryMessage = "Not enough memory to resize the image.";

/// Resamples the working image to width x height and records the "Resize" step: info's width
/// and height follow; a Serious Sam 1 texture reduced by an exact power of two r (on both sides)
/// gets firstMip + log2(r) so that a re-saved texture keeps the size the engine expects; an HDR
/// document stops being HDR (the exposure is now part of the image); note and status field 1
/// tell what happened. Nothing happens without an image or when the size is unchanged; running
/// out of memory shows kResizeMemoryMessage and leaves the document unchanged. True when the
/// document has the requested size afterwards.
bool ResizeDocument(AppState& app, int width, int height);

// ---- the Resize window's rules (the GTK window in resize_window.h only shows them) ----------

/// Largest side the Resize window accepts.
constexpr int kMaxResizeSide = 16384;
inline constexpr const char* kInvalidSizeMessage = "Invalid size";

/// The integer value of a size text typed by the user: optional blanks around an optional sign
/// and decimal digits. Anything else (empty, letters, "12px") is 0, which no size accepts;
/// values beyond the int range saturate.
int64_t SizeTextValue(const std::string& text);

/// The other side's text while "Keep aspect ratio" is ticked: typedText is the side the user
/// changed, typedOriginal and otherOriginal the image's original sizes of that side and the
/// other one. Gives round(typed x otherOriginal / typedOriginal) as decimal text (1024 x 512,
/// width typed 3 -> "2"); none when the typed value is below 1 (the other text stays).
std::optional<std::string> AspectLinkedText(const std::string& typedText, int typedOriginal,
                                            int otherOriginal);

/// The size confirmed by OK: none ("Invalid size") when a text is not a number, or a side is
/// below 1 or above kMaxResizeSide.
std::optional<ImageSize> ValidateResizeTexts(const std::string& widthText, const std::string& heightText);

/// The items of the two size lists of the Resize window.
inline constexpr int kResizeListSizes[] = {16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192};
