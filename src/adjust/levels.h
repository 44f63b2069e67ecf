// Levels: remapping red, green and blue through input black and white points, a gamma and
// output black and white points, one setting for all three channels (RGB) and one per channel.
// Alpha is never changed. Also the one-step auto levels, the clipping count the window shows
// and the commands that commit the result as one undo step.
//
// Everything here is independent of the toolkit; the window (levels_window.h) draws what
// RenderLevelsCanvas paints and asks LevelsOkDecision what OK does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/image.h"
#include "platform/ui.h"

struct AppState;

struct LevelsParams {
    int64_t inBlack = 0;
    int64_t inWhite = 255;
    double gamma = 1.0;  // above 1 brightens the midtones
    int64_t outBlack = 0;
    int64_t outWhite = 255;
    bool operator==(const LevelsParams&) const = default;
};

/// Index 0 RGB (applied to all three channels after the channel's own), 1 red, 2 green, 3 blue.
using LevelsSetting = std::array<LevelsParams, 4>;

template <typename T>
using ChannelTables = std::array<std::array<T, 256>, 3>;  // [0 red, 1 green, 2 blue][value]

using LevelsHistogram = ChannelTables<int64_t>;  // pixel counts, transparent pixels excluded
using LevelsLut = ChannelTables<uint8_t>;        // output value per input value
using ClipMap = ChannelTables<uint8_t>;          // see the constants below

inline constexpr uint8_t kNotClipped = 0;
inline constexpr uint8_t kClippedToWhite = 1;
inline constexpr uint8_t kClippedToBlack = 255;

// Limits the window keeps the fields within.
inline constexpr int64_t kMaxInputBlack = 253;
inline constexpr int64_t kMinInputGap = 2;
inline constexpr double kMinGamma = 0.1;
inline constexpr double kMaxGamma = 9.99;

bool IsIdentity(const LevelsSetting& setting);

/// Output for value (0..255) through p: input range, gamma, output range, rounded half up.
int LevelsMap(int value, const LevelsParams& p);
/// The channel's own setting first, then the RGB setting.
LevelsLut BuildLevelsLut(const LevelsSetting& setting);
/// Which inputs the setting forces to pure black or white; values exactly at a point are kept.
ClipMap BuildClipMap(const LevelsSetting& setting);

/// A copy of image with the table applied to red, green and blue. With showClipping, visible
/// pixels that clip turn pure red (any channel to white) or pure blue (to black) instead.
/// None when the copy cannot be made.
std::optional<Image> ApplyLevels(const Image& image, const LevelsLut& lut, bool showClipping, const ClipMap& clip);

LevelsHistogram ChannelHistogram(const Image& image);

/// Number of colour values (pixel x channel) whose clip map entry is set.
int64_t ClipCount(const LevelsHistogram& histogram, const ClipMap& clip);
/// All counts of the three channels; 1 when there are none (it divides).
int64_t SampleTotal(const LevelsHistogram& histogram);
/// Per channel, the occurring inputs whose output another occurring input already had.
int64_t MergedTones(const LevelsHistogram& histogram, const LevelsLut& lut);

/// Used range of all three channels together; none when no value occurs.
std::optional<std::pair<int, int>> UsedRange(const LevelsHistogram& histogram);
/// Defaults with the RGB input points on the used range (identity when there is nothing to stretch).
LevelsSetting AutoLevelsParams(const LevelsHistogram& histogram);

/// The status line of the window and whether it reports clipping (red) or none (green).
std::string ClippingStatusText(int64_t clipCount, int64_t sampleTotal, int64_t mergedTones);

// The five fields of the window.
struct LevelsFieldTexts {
    std::string inBlack, gamma, inWhite, outBlack, outWhite;
    bool operator==(const LevelsFieldTexts&) const = default;
};
LevelsFieldTexts FieldTextsFor(const LevelsParams& p);
/// The fields read into p with the window's limits (a field that is not a number counts as 0;
/// a gamma outside 0.1..9.99 or not a number leaves the gamma as it was).
LevelsParams ReadLevelsFields(const LevelsFieldTexts& texts, const LevelsParams& current);

// Markers of the histogram canvas, on the input scale.
enum class LevelsMarker { None, Black, Gamma, White };
/// The input value that maps to the middle of the output range.
double GammaMarkerPosition(const LevelsParams& p);
/// Input value under canvas x for a canvas of width canvasWidth (2 pixels per value).
int CanvasValueAt(int x, int canvasWidth);
/// The marker nearest to value (ties: black, then gamma, then white).
LevelsMarker PickMarker(int value, const LevelsParams& p);
/// p with marker dragged to value.
LevelsParams DragMarker(LevelsMarker marker, int value, LevelsParams p);

/// Paints the histogram of the selected setting (0 RGB, 1..3 a channel) with its shaded input
/// range and the three markers into canvas (its whole size is used).
void RenderLevelsCanvas(Image& canvas, const LevelsHistogram& histogram, const LevelsSetting& setting, int selected);

inline constexpr const char* kLevelsTitle = "Levels";

enum class LevelsOkResult { CloseUnchanged, KeepOpen, Apply };
/// What OK does: identity closes with nothing to apply; a clipping setting asks first when
/// warnClipping is on (No keeps the window open).
LevelsOkResult LevelsOkDecision(const LevelsSetting& setting, int64_t clipCount, bool warnClipping, Ui* ui);

/// Runs the window on the working image; fills the setting and the clip count and returns true
/// when a non-identity setting was applied.
using LevelsWindowRunner = std::function<bool(const Image& image, LevelsSetting& setting, int64_t& clipCount)>;

/// "Levels...": the window, then one undo step "Levels" with the clip count recorded.
void LevelsCommand(AppState& app, const LevelsWindowRunner& runWindow);
/// "Auto levels": stretches the used range to 0..255 in one step, or says there is nothing to do.
void AutoLevelsCommand(AppState& app);
