// The histogram of the working image as the histogram window shows it: counts of red, green,
// blue, alpha and luminance, the brightness of HDR sources in stops, the bar plot painted into
// an Image, its axis labels and the statistics line. The window (histogram_window.h) only puts
// the painted plot and the texts on screen.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image.h"
#include "texformats/load_info.h"

inline constexpr int kStopBins = 160;

enum HistogramTable { kTableRed = 0, kTableGreen, kTableBlue, kTableAlpha, kTableLuminance };

enum HistogramView {
    kViewRgb = 0,
    kViewRed,
    kViewGreen,
    kViewBlue,
    kViewLuminance,
    kViewAlpha,
    kViewHdrStops,  // offered only while the document is HDR
};

struct HistogramData {
    std::array<std::array<int64_t, 256>, 5> tables{};  // indexed by HistogramTable
    int64_t pixelTotal = 0;                            // every pixel, transparent ones too
    int64_t transparentCount = 0;                      // pixels with alpha 0
    bool isHdr = false;
    std::array<int64_t, kStopBins> stops{};  // HDR brightness, lower..upper in kStopBins bins
    double lower = 0.0, upper = 0.0;         // whole stops
    double whitePoint = 0.0;                 // brightness the current exposure shows as white
};

/// Counts image; the HDR part comes from info's RGBE pixels when info is HDR. exposure in EV.
HistogramData ComputeHistogram(const Image& image, const LoadInfo& info, double exposure);

/// The drop-down items in code order; the HDR view only for HDR data.
std::vector<std::string> HistogramViewNames(bool isHdr);
/// The view to select after a rebuild: the remembered one while it still exists, else RGB.
int KeptHistogramView(int view, bool isHdr);

/// The statistics line under the plot ("" when the view's table is empty).
std::string HistogramStatistics(const HistogramData& data, int view);

/// A text to draw over the plot without background, its top-left corner at (x, y).
struct PlotText {
    int x = 0, y = 0;
    std::string text;
    Rgba colour;
    bool operator==(const PlotText&) const = default;
};

/// Paints the view into canvas (its whole size) and returns the axis and marker texts to draw
/// on top, which need a font.
std::vector<PlotText> RenderHistogram(Image& canvas, const HistogramData& data, int view, bool logarithmic);

/// "Histogram - " + the format description.
std::string HistogramTitle(const LoadInfo& info);
