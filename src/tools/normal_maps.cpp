#include "tools/normal_maps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "app/commands.h"
#include "app/history_commands.h"
#include "app/menu_table.h"
#include "app/prefs.h"
#include "tools/channels.h"

namespace {

// Undo labels and suffixes of the four transforms, in mode order (ids 24 to 27).
constexpr ToolEditText kTransformTexts[] = {
    {"Normal map: green flipped", "_flipg"},
    {"Normal map: red flipped", "_flipr"},
    {"Normal map: blue (Z) rebuilt from red and green", "_z"},
    {"Normal map: normalized", "_norm"},
};

constexpr int kCreateFromHeight = 28;
constexpr const char* kStrengthPrompt =
    "Create a normal map from this image (light = high, dark = low).\nStrength (1 = subtle, 2 = normal, 5 = strong):";

double Decode(uint8_t byte) { return byte / 127.5 - 1.0; }

Rgba TransformPixel(Rgba p, int mode) {
    switch (mode) {
        case kFlipGreen: return {p.r, uint8_t(255 - p.g), p.b, p.a};
        case kFlipRed: return {uint8_t(255 - p.r), p.g, p.b, p.a};
        case kRebuildZ: {
            const double x = Decode(p.r), y = Decode(p.g);
            return EncodeNormal(x, y, std::sqrt(std::max(0.0, 1.0 - x * x - y * y)), p.a);
        }
        default: {
            // No byte decodes to 0, so the length is never 0.
            const double x = Decode(p.r), y = Decode(p.g), z = Decode(p.b);
            const double length = std::sqrt(x * x + y * y + z * z);
            return EncodeNormal(x / length, y / length, z / length, p.a);
        }
    }
}

// The Rec. 709 brightness of every pixel, 0..1; none when memory runs out.
std::optional<std::vector<double>> HeightField(const std::vector<Rgba>& pixels) {
    std::optional<std::vector<double>> heights;
    try {
        heights.emplace(pixels.size());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Rgba p = pixels[i];
        (*heights)[i] = (p.r * 0.2126 + p.g * 0.7152 + p.b * 0.0722) / 255.0;
    }
    return heights;
}

// The unit normal (-gx * strength, gy * strength, 1). A strength so large that the squares
// overflow takes the same direction as (-gx, gy, 1 / strength), which stays finite.
Rgba SlopeNormal(double gx, double gy, double strength) {
    double nx = -gx * strength, ny = gy * strength, nz = 1.0;
    double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!std::isfinite(length)) {
        nx = -gx;
        ny = gy;
        nz = 1.0 / strength;
        length = std::sqrt(nx * nx + ny * ny + nz * nz);
    }
    return EncodeNormal(nx / length, ny / length, nz / length, 255);
}

void CreateFromHeightCommand(AppState& app) {
    if (!app.ui) return;
    const auto answer = app.ui->InputBox(kMainTitle, kStrengthPrompt, NormalStrengthText(app.prefs.normalStrength));
    if (!answer || answer->empty()) return;
    const double strength = ParseNormalStrength(*answer);
    if (!(strength > 0.0)) {
        app.ui->Message(BoxKind::Error, kMainTitle, "Please enter a number larger than 0.");
        return;
    }
    ApplyHeightToNormalMap(app, strength);
}

}  // namespace

Rgba EncodeNormal(double x, double y, double z, uint8_t alpha) {
    auto encode = [](double v) { return uint8_t(std::clamp((v + 1.0) * 127.5 + 0.5, 0.0, 255.0)); };
    return {encode(x), encode(y), encode(z), alpha};
}

std::optional<Image> TransformNormalMap(const Image& image, int mode) {
    return MapImagePixels(image, [mode](Rgba p) { return TransformPixel(p, mode); });
}

std::optional<Image> HeightToNormalMap(const Image& image, double strength) {
    const int w = image.width, h = image.height;
    std::optional<std::vector<double>> heights;
    if (const auto pixels = ReadImagePixels(image)) heights = HeightField(*pixels);
    if (!heights) return std::nullopt;
    auto result = CreateImageUninitialized(w, h, 32);
    if (!result) return std::nullopt;
    // Neighbours wrap around at every border, so the map tiles seamlessly.
    for (int y = 0; y < h; ++y) {
        const double* above = heights->data() + std::size_t((y + h - 1) % h) * std::size_t(w);
        const double* here = heights->data() + std::size_t(y) * std::size_t(w);
        const double* below = heights->data() + std::size_t((y + 1) % h) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            const int left = (x + w - 1) % w, right = (x + 1) % w;
            const double gx = (above[right] + 2 * here[right] + below[right]) - (above[left] + 2 * here[left] + below[left]);
            const double gy = (below[left] + 2 * below[x] + below[right]) - (above[left] + 2 * above[x] + above[right]);
            const Rgba normal = SlopeNormal(gx, gy, strength);
            std::memcpy(result->at(x, y), &normal, 4);
        }
    }
    return result;
}

double ParseNormalStrength(const std::string& text) {
    std::string dotted = text;
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    return ParsePrefReal(dotted);
}

std::string NormalStrengthText(double strength) {
    char text[400];  // fixed notation of the largest double needs 309 digits
    const auto [end, error] = std::to_chars(text, text + sizeof text, strength, std::chars_format::fixed, 1);
    if (error != std::errc()) return "0.0";
    return std::string(text, end);
}

bool ApplyNormalMapTransform(AppState& app, int mode) {
    if (!app.doc.image || mode < kFlipGreen || mode > kNormalize) return false;
    const ToolEditText& text = kTransformTexts[mode - kFlipGreen];
    return CommitEdit(app, TransformNormalMap(*app.doc.image, mode), text.label, text.suffix);
}

bool ApplyHeightToNormalMap(AppState& app, double strength) {
    if (!app.doc.image || !(strength > 0.0)) return false;
    const std::string label =
        "Normal map from height map (strength " + NormalStrengthText(strength) + ", OpenGL style: green up)";
    return CommitEdit(app, HeightToNormalMap(*app.doc.image, strength), label, "_NM");
}

void NormalMapCommand(AppState& app, int id) {
    if (id < kCmdNormalFirst || id > kCmdNormalLast) return;
    if (!RequireImage(app)) return;
    if (id == kCreateFromHeight) CreateFromHeightCommand(app);
    else ApplyNormalMapTransform(app, id - kCmdNormalFirst + kFlipGreen);
}
