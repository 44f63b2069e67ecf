#include "adjust/levels.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "adjust/number_text.h"
#include "app/app_state.h"
#include "app/commands.h"
#include "app/history_commands.h"

bool IsIdentity(const LevelsSetting& setting) {
    return std::all_of(setting.begin(), setting.end(), [](const LevelsParams& p) { return p == LevelsParams{}; });
}

int LevelsMap(int value, const LevelsParams& p) {
    double x = double(value - p.inBlack) / double(p.inWhite - p.inBlack);
    x = std::clamp(x, 0.0, 1.0);
    if (p.gamma != 1.0) x = std::pow(x, 1.0 / p.gamma);
    return int(double(p.outBlack) + x * double(p.outWhite - p.outBlack) + 0.5);
}

namespace {

uint8_t ToByte(int value) { return uint8_t(std::clamp(value, 0, 255)); }

}  // namespace

LevelsLut BuildLevelsLut(const LevelsSetting& setting) {
    LevelsLut lut{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            lut[c][v] = ToByte(LevelsMap(LevelsMap(v, setting[c + 1]), setting[0]));
    return lut;
}

ClipMap BuildClipMap(const LevelsSetting& setting) {
    ClipMap clip{};
    const LevelsParams& master = setting[0];
    for (int c = 0; c < 3; ++c) {
        const LevelsParams& own = setting[c + 1];
        for (int v = 0; v < 256; ++v) {
            uint8_t state = kNotClipped;
            if (v < own.inBlack) state = kClippedToBlack;
            else if (v > own.inWhite) state = kClippedToWhite;
            else {
                const int a = LevelsMap(v, own);
                if (a < master.inBlack) state = kClippedToBlack;
                else if (a > master.inWhite) state = kClippedToWhite;
            }
            clip[c][v] = state;
        }
    }
    return clip;
}

std::optional<Image> ApplyLevels(const Image& image, const LevelsLut& lut, bool showClipping, const ClipMap& clip) {
    std::optional<Image> result = CopyImage(image);
    if (!result) return std::nullopt;
    const std::size_t count = std::size_t(result->width) * std::size_t(result->height);
    uint8_t* p = result->pixels.data();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        const uint8_t r = p[0], g = p[1], b = p[2];
        if (showClipping && p[3] >= 1) {
            const uint8_t cr = clip[0][r], cg = clip[1][g], cb = clip[2][b];
            if (cr || cg || cb) {
                const bool toWhite = cr == kClippedToWhite || cg == kClippedToWhite || cb == kClippedToWhite;
                p[0] = toWhite ? 255 : 0;
                p[1] = 0;
                p[2] = toWhite ? 0 : 255;
                continue;
            }
        }
        p[0] = lut[0][r];
        p[1] = lut[1][g];
        p[2] = lut[2][b];
    }
    return result;
}

LevelsHistogram ChannelHistogram(const Image& image) {
    LevelsHistogram histogram{};
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    const uint8_t* p = image.pixels.data();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        if (p[3] == 0) continue;
        ++histogram[0][p[0]];
        ++histogram[1][p[1]];
        ++histogram[2][p[2]];
    }
    return histogram;
}

int64_t ClipCount(const LevelsHistogram& histogram, const ClipMap& clip) {
    int64_t total = 0;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            if (clip[c][v] != kNotClipped) total += histogram[c][v];
    return total;
}

int64_t SampleTotal(const LevelsHistogram& histogram) {
    int64_t total = 0;
    for (const auto& channel : histogram)
        for (int64_t count : channel) total += count;
    return total == 0 ? 1 : total;
}

int64_t MergedTones(const LevelsHistogram& histogram, const LevelsLut& lut) {
    int64_t merged = 0;
    for (int c = 0; c < 3; ++c) {
        std::array<bool, 256> taken{};
        for (int v = 0; v < 256; ++v) {
            if (histogram[c][v] < 1) continue;
            if (taken[lut[c][v]]) ++merged;
            taken[lut[c][v]] = true;
        }
    }
    return merged;
}

std::optional<std::pair<int, int>> UsedRange(const LevelsHistogram& histogram) {
    int lowest = 256, highest = -1;
    for (const auto& channel : histogram)
        for (int v = 0; v < 256; ++v)
            if (channel[v] != 0) {
                lowest = std::min(lowest, v);
                highest = std::max(highest, v);
            }
    if (highest < 0) return std::nullopt;
    return std::make_pair(lowest, highest);
}

LevelsSetting AutoLevelsParams(const LevelsHistogram& histogram) {
    LevelsSetting setting{};
    const auto range = UsedRange(histogram);
    if (range && range->first < range->second) {
        setting[0].inBlack = range->first;
        setting[0].inWhite = range->second;
    }
    return setting;
}

std::string ClippingStatusText(int64_t clipCount, int64_t sampleTotal, int64_t mergedTones) {
    std::string text = "Clipping: none";
    if (clipCount != 0) {
        const double percent = double(clipCount) * 100.0 / double(sampleTotal > 0 ? sampleTotal : 1);
        text = "Clipping: " + std::to_string(clipCount) + " values (" + FixedText(percent, 2) +
               "%) become pure black or white";
    }
    if (mergedTones > 0) text += "    Merged tones: " + std::to_string(mergedTones);
    return text;
}

LevelsFieldTexts FieldTextsFor(const LevelsParams& p) {
    return {std::to_string(p.inBlack), FixedText(p.gamma, 2), std::to_string(p.inWhite),
            std::to_string(p.outBlack), std::to_string(p.outWhite)};
}

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Whole-number field; anything that does not start with a number counts as 0. Huge numbers
// saturate so that the clamps below still work.
int64_t FieldInteger(const std::string& text) {
    std::string_view t = Trimmed(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (error == std::errc::result_out_of_range) return (!t.empty() && t.front() == '-') ? INT64_MIN : INT64_MAX;
    if (error != std::errc()) return 0;
    return value;
}

}  // namespace

LevelsParams ReadLevelsFields(const LevelsFieldTexts& texts, const LevelsParams& current) {
    LevelsParams p = current;
    p.inBlack = std::clamp<int64_t>(FieldInteger(texts.inBlack), 0, kMaxInputBlack);
    p.inWhite = std::clamp<int64_t>(FieldInteger(texts.inWhite), p.inBlack + kMinInputGap, 255);
    p.outBlack = std::clamp<int64_t>(FieldInteger(texts.outBlack), 0, 255);
    p.outWhite = std::clamp<int64_t>(FieldInteger(texts.outWhite), 0, 255);
    if (const std::optional<double> gamma = ParseDecimal(texts.gamma);
        gamma && *gamma >= kMinGamma && *gamma <= kMaxGamma)
        p.gamma = *gamma;
    return p;
}

double GammaMarkerPosition(const LevelsParams& p) {
    return double(p.inBlack) + std::pow(0.5, p.gamma) * double(p.inWhite - p.inBlack);
}

namespace {

constexpr int kPlotWidth = 512;  // 2 pixels per input value
constexpr int kPlotHeight = 150;
constexpr int kBarRoom = 146;
constexpr int kMarkerTop = 152;
constexpr int kMarkerBase = 164;
constexpr int kMarkerHalfWidth = 6;

int PlotOrigin(int canvasWidth) { return (canvasWidth - kPlotWidth) / 2; }

}  // namespace

int CanvasValueAt(int x, int canvasWidth) { return std::clamp((x - PlotOrigin(canvasWidth)) / 2, 0, 255); }

LevelsMarker PickMarker(int value, const LevelsParams& p) {
    const double toBlack = std::abs(value - double(p.inBlack));
    const double toGamma = std::abs(value - GammaMarkerPosition(p));
    const double toWhite = std::abs(value - double(p.inWhite));
    if (toBlack <= toGamma && toBlack <= toWhite) return LevelsMarker::Black;
    if (toGamma <= toWhite) return LevelsMarker::Gamma;
    return LevelsMarker::White;
}

LevelsParams DragMarker(LevelsMarker marker, int value, LevelsParams p) {
    switch (marker) {
        case LevelsMarker::Black: p.inBlack = std::min<int64_t>(value, p.inWhite - kMinInputGap); break;
        case LevelsMarker::White: p.inWhite = std::max<int64_t>(value, p.inBlack + kMinInputGap); break;
        case LevelsMarker::Gamma: {
            const double t = std::clamp(double(value - p.inBlack) / double(p.inWhite - p.inBlack), 0.01, 0.99);
            p.gamma = std::clamp(std::log(t) / std::log(0.5), kMinGamma, kMaxGamma);
            break;
        }
        case LevelsMarker::None: break;
    }
    return p;
}

namespace {

void FillRect(Image& image, int x, int y, int width, int height, Rgba color) {
    const int x1 = std::min(image.width, x + width), y1 = std::min(image.height, y + height);
    for (int yy = std::max(0, y); yy < y1; ++yy)
        for (int xx = std::max(0, x); xx < x1; ++xx) SetPixel(image, xx, yy, color);
}

// A filled triangle with its apex at (x, top) and its base 12 pixels wide at the marker base.
void DrawMarker(Image& image, int x, Rgba outline, Rgba fill) {
    for (int y = kMarkerTop; y <= kMarkerBase; ++y) {
        const double half = double(y - kMarkerTop) * kMarkerHalfWidth / (kMarkerBase - kMarkerTop);
        for (int dx = -kMarkerHalfWidth; dx <= kMarkerHalfWidth; ++dx) {
            const double distance = std::abs(dx);
            if (distance > half + 0.5) continue;
            const bool edge = y == kMarkerBase || distance > half - 1.0;
            const int px = x + dx;
            if (px >= 0 && px < image.width && y < image.height) SetPixel(image, px, y, edge ? outline : fill);
        }
    }
}

constexpr Rgba kBarColours[4] = {{220, 220, 220, 255}, {230, 70, 70, 255}, {70, 200, 70, 255}, {90, 120, 240, 255}};

}  // namespace

void RenderLevelsCanvas(Image& canvas, const LevelsHistogram& histogram, const LevelsSetting& setting, int selected) {
    selected = std::clamp(selected, 0, 3);
    const LevelsParams& p = setting[std::size_t(selected)];
    std::array<int64_t, 256> values{};
    for (int v = 0; v < 256; ++v)
        values[v] = selected == 0 ? (histogram[0][v] + histogram[1][v] + histogram[2][v]) / 3
                                  : histogram[std::size_t(selected - 1)][v];
    const int64_t m = std::max<int64_t>(1, *std::max_element(values.begin(), values.end()));

    const int x0 = PlotOrigin(canvas.width);
    FillRect(canvas, 0, 0, canvas.width, canvas.height, {240, 240, 240, 255});
    FillRect(canvas, x0, 0, kPlotWidth, kPlotHeight, {30, 30, 30, 255});
    const Rgba shade{70, 30, 30, 255};
    FillRect(canvas, x0, 0, int(p.inBlack) * 2, kPlotHeight, shade);
    FillRect(canvas, x0 + int(p.inWhite) * 2 + 2, 0, 510 - int(p.inWhite) * 2, kPlotHeight, shade);

    for (int v = 0; v < 256; ++v) {
        // The square root keeps rare values visible next to a dominant one.
        const int h = int(std::nearbyint(std::sqrt(double(values[v]) / double(m)) * kBarRoom));
        FillRect(canvas, x0 + v * 2, kPlotHeight - h, 2, h, kBarColours[selected]);
    }

    const Rgba black{0, 0, 0, 255};
    DrawMarker(canvas, x0 + int(p.inBlack) * 2, black, black);
    DrawMarker(canvas, x0 + int(std::lround(2.0 * GammaMarkerPosition(p))), {90, 90, 90, 255}, {128, 128, 128, 255});
    DrawMarker(canvas, x0 + int(p.inWhite) * 2, black, {255, 255, 255, 255});
}

LevelsOkResult LevelsOkDecision(const LevelsSetting& setting, int64_t clipCount, bool warnClipping, Ui* ui) {
    if (IsIdentity(setting)) return LevelsOkResult::CloseUnchanged;
    if (clipCount != 0 && warnClipping && ui) {
        const std::string question = "This adjustment clips " + std::to_string(clipCount) +
                                     " values to pure black or white.\nThat information is lost when you "
                                     "save.\n\nApply anyway?";
        if (ui->Message(BoxKind::WarningYesNo, kLevelsTitle, question) != Answer::Yes) return LevelsOkResult::KeepOpen;
    }
    return LevelsOkResult::Apply;
}

namespace {

std::optional<Image> ApplySetting(const Image& image, const LevelsSetting& setting) {
    return ApplyLevels(image, BuildLevelsLut(setting), false, BuildClipMap(setting));
}

}  // namespace

void LevelsCommand(AppState& app, const LevelsWindowRunner& runWindow) {
    if (!RequireImage(app) || !runWindow) return;
    LevelsSetting setting{};
    int64_t clipCount = 0;
    if (!runWindow(*app.doc.image, setting, clipCount)) return;
    std::optional<Image> result = ApplySetting(*app.doc.image, setting);
    // The count belongs to this step only; a failed edit must not leave it for the next one.
    if (result) app.doc.pendingClipCount = clipCount;
    CommitEdit(app, std::move(result), "Levels", "_levels");
}

void AutoLevelsCommand(AppState& app) {
    if (!RequireImage(app)) return;
    const LevelsHistogram histogram = ChannelHistogram(*app.doc.image);
    const LevelsSetting setting = AutoLevelsParams(histogram);
    if (IsIdentity(setting)) {
        if (app.ui)
            app.ui->Message(BoxKind::Plain, kMainTitle,
                            "This image already uses the full range from black to white.\n"
                            "Auto levels has nothing to change.");
        return;
    }
    const std::string label = "Auto levels (" + std::to_string(setting[0].inBlack) + " - " +
                              std::to_string(setting[0].inWhite) + " stretched to 0 - 255)";
    CommitEdit(app, ApplySetting(*app.doc.image, setting), label, "_autolevels");
}
