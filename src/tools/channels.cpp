#include "tools/channels.h"

#include <new>

#include "app/archive_path.h"
#include "app/commands.h"
#include "app/history_commands.h"
#include "app/image_loading.h"
#include "app/menu_table.h"
#include "tools/resize.h"

namespace {

// Undo labels and file-name suffixes of ids 17 to 23, in id order.
constexpr ToolEditText kEditTexts[] = {
    {"Red channel as grayscale", "_red"},
    {"Green channel as grayscale", "_green"},
    {"Blue channel as grayscale", "_blue"},
    {"Alpha channel as grayscale", "_alpha"},
    {"Alpha loaded from ", "_withalpha"},  // the label goes on with the mask's file name
    {"Alpha removed (fully opaque)", "_opaque"},
    {"Alpha inverted", "_invalpha"},
};

const ToolEditText& EditText(int id) { return kEditTexts[id - kCmdChannelFirst]; }

constexpr const char* kNoTransparencyQuestion =
    "This image has no transparency; the alpha channel is completely white.\nExtract it anyway?";
constexpr const char* kMaskDialogTitle = "Choose a mask (white = opaque, black = transparent)";

uint8_t ChannelOf(Rgba pixel, int channel) {
    switch (channel) {
        case 0: return pixel.r;
        case 1: return pixel.g;
        case 2: return pixel.b;
        default: return pixel.a;
    }
}

void LoadAlphaCommand(AppState& app) {
    FileDialogRequest request;
    request.title = kMaskDialogTitle;
    request.folder = app.doc.lastOpenFolder;
    request.filters = {{"All supported images", "*.tex;*.tga;*.png;*.pcx;*.bmp;*.tif;*.tiff;*.jpg;*.jpeg;*.dds"},
                       {"All files (*.*)", "*.*"}};
    request.selectedFilter = 0;
    const FileDialogResult chosen = app.ui->OpenFileDialog(request);
    if (!chosen.chosen()) return;
    std::string error;
    if (LoadAlphaFromFile(app, chosen.path(), error) == AlphaLoad::MaskNotLoaded)
        app.ui->Message(BoxKind::Error, kMainTitle, DisplayName(chosen.path()) + " could not be loaded:\n" + error);
}

}  // namespace

std::optional<std::vector<Rgba>> ReadImagePixels(const Image& image) {
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    std::optional<std::vector<Rgba>> pixels;
    try {
        pixels.emplace(count);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (count > 0) std::memcpy(pixels->data(), image.pixels.data(), count * 4);
    if (!image.hasAlphaChannel())
        for (Rgba& pixel : *pixels) pixel.a = 255;
    return pixels;
}

std::optional<Image> ExtractChannel(const Image& image, int channel) {
    return MapImagePixels(image, [channel](Rgba p) {
        const uint8_t v = ChannelOf(p, channel);
        return Rgba{v, v, v, 255};
    });
}

std::optional<Image> RemoveAlpha(const Image& image) {
    return MapImagePixels(image, [](Rgba p) { return Rgba{p.r, p.g, p.b, 255}; });
}

std::optional<Image> InvertAlpha(const Image& image) {
    return MapImagePixels(image, [](Rgba p) { return Rgba{p.r, p.g, p.b, uint8_t(255 - p.a)}; });
}

uint8_t MaskLuminance(Rgba mask) {
    return uint8_t((2126 * mask.r + 7152 * mask.g + 722 * mask.b + 5000) / 10000);
}

std::optional<Image> ApplyAlphaMask(const Image& image, const Image& mask) {
    std::optional<std::vector<Rgba>> maskPixels;
    if (mask.width != image.width || mask.height != image.height) {
        const auto resampled = ResampleImage(mask, image.width, image.height);
        if (!resampled) return std::nullopt;
        maskPixels = ReadImagePixels(*resampled);
    } else {
        maskPixels = ReadImagePixels(mask);
    }
    if (!maskPixels) return std::nullopt;
    const Rgba* maskPixel = maskPixels->data();
    return MapImagePixels(image, [&maskPixel](Rgba p) { return Rgba{p.r, p.g, p.b, MaskLuminance(*maskPixel++)}; });
}

bool ApplyChannelEdit(AppState& app, int id) {
    if (!app.doc.image || id < kCmdChannelFirst || id > kCmdChannelLast || id == kCmdLoadAlpha) return false;
    const Image& image = *app.doc.image;
    std::optional<Image> result;
    if (id <= kCmdExtractAlpha) result = ExtractChannel(image, id - kCmdExtractRed);
    else if (id == kCmdRemoveAlpha) result = RemoveAlpha(image);
    else result = InvertAlpha(image);
    return CommitEdit(app, std::move(result), EditText(id).label, EditText(id).suffix);
}

AlphaLoad LoadAlphaFromFile(AppState& app, const std::string& path, std::string& loaderError) {
    if (!app.doc.image) {
        loaderError = "Please open a .tex file first.";
        return AlphaLoad::MaskNotLoaded;
    }
    std::optional<Image> mask;
    {
        // The record (and the RGBE pixels of an HDR mask) is released as soon as the mask is read.
        LoadInfo info;
        mask = LoadImageAnyPath(path, info, app.hdr);
        if (!mask) {
            loaderError = info.error;
            return AlphaLoad::MaskNotLoaded;
        }
    }
    const ToolEditText& text = EditText(kCmdLoadAlpha);
    const bool made = CommitEdit(app, ApplyAlphaMask(*app.doc.image, *mask), text.label + DisplayName(path), text.suffix);
    return made ? AlphaLoad::Done : AlphaLoad::NoMemory;
}

void ChannelCommand(AppState& app, int id) {
    if (id < kCmdChannelFirst || id > kCmdChannelLast) return;
    if (!RequireImage(app)) return;
    if (id == kCmdLoadAlpha) {
        if (app.ui) LoadAlphaCommand(app);
        return;
    }
    if (id == kCmdExtractAlpha && app.doc.info.hasAlpha == 0) {
        if (!app.ui || app.ui->Message(BoxKind::YesNo, kMainTitle, kNoTransparencyQuestion) != Answer::Yes) return;
    }
    ApplyChannelEdit(app, id);
}
