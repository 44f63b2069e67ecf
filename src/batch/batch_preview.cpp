#include "batch/batch_preview.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Rgba kCanvasGrey = {60, 60, 60, 255};
constexpr int kSquare = 8;

// Squares start at the picture's corner and cover it whole; the last row and column of squares
// may reach up to 7 pixels past it.
void DrawCheckerboard(Image& canvas, int left, int top, int width, int height) {
    for (int r = 0; r * kSquare < height; ++r) {
        for (int c = 0; c * kSquare < width; ++c) {
            const uint8_t shade = (c + r) % 2 == 1 ? 204 : 255;
            const Rgba colour = {shade, shade, shade, 255};
            for (int y = top + r * kSquare; y < top + (r + 1) * kSquare; ++y)
                for (int x = left + c * kSquare; x < left + (c + 1) * kSquare; ++x)
                    if (x >= 0 && y >= 0 && x < canvas.width && y < canvas.height) SetPixel(canvas, x, y, colour);
        }
    }
}

}  // namespace

ImageSize BatchPreviewSize(int width, int height, int canvasWidth, int canvasHeight) {
    double scale = double(canvasWidth) / width;
    if (height * scale > canvasHeight) scale = double(canvasHeight) / height;
    scale = std::min(scale, 1.0);
    return {std::max(1, int(std::lround(width * scale))), std::max(1, int(std::lround(height * scale)))};
}

std::optional<Image> EmptyBatchPreview(int canvasWidth, int canvasHeight) {
    return CreateImage(canvasWidth, canvasHeight, 32, kCanvasGrey);
}

std::optional<Image> RenderBatchPreview(const Image& image, int canvasWidth, int canvasHeight) {
    std::optional<Image> canvas = EmptyBatchPreview(canvasWidth, canvasHeight);
    if (!canvas) return std::nullopt;
    const ImageSize size = BatchPreviewSize(image.width, image.height, canvasWidth, canvasHeight);
    std::optional<Image> scaled;
    if (size.width != image.width) {
        scaled = ResizeBilinear(image, size.width, size.height);
        if (!scaled) return std::nullopt;
    }
    const Image& shown = scaled ? *scaled : image;
    const int left = (canvasWidth - shown.width) / 2;
    const int top = (canvasHeight - shown.height) / 2;
    DrawCheckerboard(*canvas, left, top, shown.width, shown.height);
    BlendImage(*canvas, shown, left, top);
    return canvas;
}

std::string BatchInfoText(const std::string& name, const LoadInfo& info) {
    std::string text = name + "   " + std::to_string(info.width) + " x " + std::to_string(info.height);
    switch (info.kind) {
        case 1: text += "   SS1 version " + std::to_string(info.version); break;
        case 2: text += "   SS2, " + info.formatText; break;
        case 3: text += "   SS3, " + info.formatText; break;
        default: text += "   " + info.formatText; break;
    }
    if (info.hasAlpha) text += ", with transparency";
    if (info.isHdr) text += ", HDR";
    return text;
}
