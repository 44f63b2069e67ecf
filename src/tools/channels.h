// The Channels menu: a channel shown as gray, alpha removed or inverted, or a new alpha channel
// taken from the brightness of another image (a mask: white = opaque, black = transparent).
//
// Every builder reads the source with ReadImagePixels, returns a new 32-bit RGBA image of the
// source's size and never changes the source; none means memory ran out. An image without an
// alpha channel (24 bits per pixel) reads as fully opaque.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/image.h"

/// The menu command ids of the Channels sub-menu.
enum ChannelCommandId : int {
    kCmdExtractRed = 17, kCmdExtractGreen = 18, kCmdExtractBlue = 19, kCmdExtractAlpha = 20,
    kCmdLoadAlpha = 21, kCmdRemoveAlpha = 22, kCmdInvertAlpha = 23,
};

/// The undo label and file-name suffix an editing command commits with.
struct ToolEditText {
    const char* label;
    const char* suffix;
};

/// Every pixel of image, row by row from the top (index y * width + x); alpha 255 for a 24-bit
/// image. None when the array cannot be allocated.
std::optional<std::vector<Rgba>> ReadImagePixels(const Image& image);

/// A new 32-bit image of the source's size whose pixel i is makePixel(pixel i of the source);
/// none when memory runs out.
static_assert(sizeof(Rgba) == 4, "Rgba is copied as the four bytes of a pixel");

template <typename MakePixel>
std::optional<Image> MapImagePixels(const Image& image, MakePixel makePixel) {
    const auto source = ReadImagePixels(image);
    if (!source) return std::nullopt;
    auto result = CreateImageUninitialized(image.width, image.height, 32);
    if (!result) return std::nullopt;
    uint8_t* out = result->pixels.data();
    for (const Rgba& pixel : *source) {
        const Rgba made = makePixel(pixel);
        std::memcpy(out, &made, 4);
        out += 4;
    }
    return result;
}

/// channel 0 red, 1 green, 2 blue, 3 alpha: (c, c, c, 255) for every pixel.
std::optional<Image> ExtractChannel(const Image& image, int channel);
/// (R, G, B, 255).
std::optional<Image> RemoveAlpha(const Image& image);
/// (R, G, B, 255 - A).
std::optional<Image> InvertAlpha(const Image& image);
/// The alpha of a mask pixel: its Rec. 709 luminance in integer arithmetic, halves rounded up.
uint8_t MaskLuminance(Rgba mask);
/// (R, G, B, luminance of the mask pixel); a mask of another size is resampled to the image's
/// size first. The mask's own alpha and the image's old alpha play no part.
std::optional<Image> ApplyAlphaMask(const Image& image, const Image& mask);

/// The Channels menu, ids 17 to 23 (kCmdChannelFirst..kCmdChannelLast); other ids do nothing.
void ChannelCommand(AppState& app, int id);

/// Commits the edit of a command id that needs no question: 17-20, 22, 23. Returns whether an
/// edit was made (false for other ids, no working image, or no memory).
bool ApplyChannelEdit(AppState& app, int id);

enum class AlphaLoad { Done, MaskNotLoaded, NoMemory };

/// Loads the mask at path (a .tex file, an archive member or any image file) and commits it as
/// the new alpha channel. MaskNotLoaded puts the loader's reason in loaderError and leaves the
/// document alone (also without a working image); NoMemory has been reported by CommitEdit.
AlphaLoad LoadAlphaFromFile(AppState& app, const std::string& path, std::string& loaderError);
