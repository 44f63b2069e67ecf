#include "app/preview.h"

#include <cstring>

int PreviewZoom(int width, int height) {
    if (width >= 256 || height >= 256) return 1;
    return height >= width ? 256 / height : 256 / width;
}

namespace {

void FillBackground(Image& canvas, int background) {
    const Rgba solid[] = {{0, 0, 0, 255}, {0, 0, 0, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}};
    if (background >= 1 && background <= 3) {
        const Rgba c = solid[background];
        const uint32_t word = uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16 | 0xFF000000u;
        uint32_t* p = reinterpret_cast<uint32_t*>(canvas.pixels.data());
        std::fill(p, p + std::size_t(canvas.width) * canvas.height, word);
        return;
    }
    // Checkerboard of 8 x 8 squares aligned to the canvas origin; the top-left square is white.
    constexpr uint32_t kWhite = 0xFFFFFFFFu, kLight = 0xFFCCCCCCu;
    for (int y = 0; y < canvas.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(canvas.row(y));
        const int j = y / 8;
        for (int x = 0; x < canvas.width; ++x) row[x] = (((x / 8) ^ j) & 1) ? kLight : kWhite;
    }
}

}  // namespace

std::optional<Image> ComposePreview(const Image& image, int zoom, int background) {
    std::optional<Image> scaled;
    const Image* source = &image;
    if (zoom >= 2) {
        scaled = ResizeNearest(image, image.width * zoom, image.height * zoom);
        if (!scaled) return std::nullopt;
        source = &*scaled;
    }
    auto canvas = CreateImageUninitialized(source->width, source->height, 32);
    if (!canvas) return std::nullopt;
    FillBackground(*canvas, background);
    BlendImage(*canvas, *source, 0, 0);
    return canvas;
}

std::string PreviewStatusText(const std::string& note, int zoom) {
    if (!note.empty()) return note;
    if (zoom < 2) return "";
    return "Enlarged " + std::to_string(zoom) + "x for visibility";
}

namespace {

void DrawPreview(AppState& app, const Image& image) {
    if (!app.view) return;  // headless (the command line): nothing to draw on
    const int zoom = PreviewZoom(image.width, image.height);
    auto composed = ComposePreview(image, zoom, app.prefs.background);
    if (!composed) return;  // out of memory: the canvas keeps what it shows
    app.view->ShowPreview(*composed);
    app.view->SetStatusField(2, PreviewStatusText(app.doc.info.note, zoom));
}

}  // namespace

void RefreshPreview(AppState& app) {
    if (app.doc.image) DrawPreview(app, *app.doc.image);
}

void ShowTemporaryPreview(AppState& app, const Image* image) {
    if (image) DrawPreview(app, *image);
    else RefreshPreview(app);
}
