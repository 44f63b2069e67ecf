#include "adjust/histogram.h"

#include <algorithm>
#include <cmath>

#include "adjust/number_text.h"

namespace {

// Brightness of one RGBE pixel in stops, from its luminance; false when it has none (E = 0).
bool StopsOf(const uint8_t* rgbe, double& stops) {
    if (rgbe[3] == 0) return false;
    const double luminance = (rgbe[0] + 0.5) * 0.2126 + (rgbe[1] + 0.5) * 0.7152 + (rgbe[2] + 0.5) * 0.0722;
    // log2(2^(E - 128) * luminance / 256), without the power that overflows nothing but reads worse.
    stops = double(int(rgbe[3]) - 128) + std::log2(luminance) - 8.0;
    return true;
}

void CountStops(HistogramData& data, const LoadInfo& info) {
    const std::size_t declared = std::size_t(std::max(0, info.width)) * std::size_t(std::max(0, info.height));
    const std::size_t count = std::min(declared, info.rgbeData.size() / 4);
    const uint8_t* rgbe = info.rgbeData.data();
    double smallest = 1000.0, largest = -1000.0;
    for (std::size_t i = 0; i < count; ++i) {
        double stops = 0.0;
        if (!StopsOf(rgbe + i * 4, stops)) continue;
        smallest = std::min(smallest, stops);
        largest = std::max(largest, stops);
    }
    data.lower = std::floor(smallest);
    data.upper = std::ceil(largest);
    if (data.upper - data.lower < 4.0) data.upper = data.lower + 4.0;
    for (std::size_t i = 0; i < count; ++i) {
        double stops = 0.0;
        if (!StopsOf(rgbe + i * 4, stops)) continue;
        const double bin = (stops - data.lower) / (data.upper - data.lower) * kStopBins;
        ++data.stops[std::size_t(std::clamp(int(bin), 0, kStopBins - 1))];
    }
}

}  // namespace

HistogramData ComputeHistogram(const Image& image, const LoadInfo& info, double exposure) {
    HistogramData data;
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    data.pixelTotal = int64_t(count);
    const uint8_t* p = image.pixels.data();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        ++data.tables[kTableAlpha][p[3]];
        if (p[3] == 0) {
            ++data.transparentCount;
            continue;
        }
        ++data.tables[kTableRed][p[0]];
        ++data.tables[kTableGreen][p[1]];
        ++data.tables[kTableBlue][p[2]];
        ++data.tables[kTableLuminance][(p[0] * 2126 + p[1] * 7152 + p[2] * 722) / 10000];
    }
    data.isHdr = info.isHdr != 0 && !info.rgbeData.empty();
    data.whitePoint = -exposure;
    if (data.isHdr) CountStops(data, info);
    return data;
}

std::vector<std::string> HistogramViewNames(bool isHdr) {
    std::vector<std::string> names = {"RGB", "Red", "Green", "Blue", "Luminance", "Alpha"};
    if (isHdr) names.push_back("HDR brightness (stops)");
    return names;
}

int KeptHistogramView(int view, bool isHdr) {
    const int last = isHdr ? kViewHdrStops : kViewAlpha;
    return view >= kViewRgb && view <= last ? view : kViewRgb;
}

namespace {

// The table whose statistics a view reports.
const std::array<int64_t, 256>& StatisticsTable(const HistogramData& data, int view) {
    switch (view) {
        case kViewRed: return data.tables[kTableRed];
        case kViewGreen: return data.tables[kTableGreen];
        case kViewBlue: return data.tables[kTableBlue];
        case kViewAlpha: return data.tables[kTableAlpha];
        default: return data.tables[kTableLuminance];
    }
}

// The first bin at which half of the counted pixels are reached, as a brightness.
double MedianStops(const HistogramData& data) {
    int64_t total = 0;
    for (int64_t count : data.stops) total += count;
    int64_t running = 0;
    int k = 0;
    for (; k < kStopBins - 1; ++k) {
        running += data.stops[std::size_t(k)];
        if (running * 2 >= total) break;
    }
    return data.lower + (k + 0.5) / kStopBins * (data.upper - data.lower);
}

std::string StopsStatistics(const HistogramData& data) {
    return "Range: " + FixedText(data.lower, 0) + " to " + FixedText(data.upper, 0) + " stops   median: " +
           FixedText(MedianStops(data), 1) + "   white point: " + FixedText(data.whitePoint, 1) + " (exposure " +
           FixedText(-data.whitePoint, 1) + " EV)";
}

}  // namespace

std::string HistogramStatistics(const HistogramData& data, int view) {
    if (view == kViewHdrStops) return data.isHdr ? StopsStatistics(data) : "";
    const std::array<int64_t, 256>& table = StatisticsTable(data, view);
    int64_t sum = 0;
    double weighted = 0.0;
    int smallest = -1, largest = -1;
    for (int v = 0; v < 256; ++v) {
        if (table[v] == 0) continue;
        sum += table[v];
        weighted += double(table[v]) * v;
        if (smallest < 0) smallest = v;
        largest = v;
    }
    if (sum <= 0) return "";
    std::string line = view == kViewRgb ? "(luminance) " : "";
    line += "Mean: " + FixedText(weighted / double(sum), 1) + "   Min: " + std::to_string(smallest) +
            "   Max: " + std::to_string(largest) + "   Pixels: " + std::to_string(data.pixelTotal);
    if (data.transparentCount >= 1 && view != kViewAlpha)
        line += "   (" + std::to_string(data.transparentCount) + " transparent pixels not counted)";
    return line;
}

namespace {

constexpr int kMargin = 8;
const Rgba kTickColour{150, 150, 150, 255};
const Rgba kLabelColour{180, 180, 180, 255};
const Rgba kWhitePointColour{255, 200, 0, 255};

struct PlotArea {
    int x = kMargin, y = kMargin, w = 0, h = 0;
    int base() const { return y + h; }
};

// Draws colour over the canvas by its alpha (out = src * a + dst * (1 - a), rounded).
void BlendRect(Image& image, int x, int y, int width, int height, Rgba colour) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(image.width, x + width), y1 = std::min(image.height, y + height);
    const int a = colour.a;
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) {
            uint8_t* p = image.at(xx, yy);
            p[0] = uint8_t((colour.r * a + p[0] * (255 - a) + 127) / 255);
            p[1] = uint8_t((colour.g * a + p[1] * (255 - a) + 127) / 255);
            p[2] = uint8_t((colour.b * a + p[2] * (255 - a) + 127) / 255);
            p[3] = 255;
        }
}

int BarHeight(int64_t count, int64_t m, int h, bool logarithmic) {
    if (logarithmic) return int(std::lround(std::log(double(count) + 1.0) / std::log(double(m) + 1.0) * h));
    return int(count * h / m);
}

struct TableBars {
    HistogramTable table;
    Rgba colour;
};

std::vector<TableBars> BarsOf(int view) {
    constexpr uint8_t kOverlap = 140;
    switch (view) {
        case kViewRgb:
            return {{kTableRed, {255, 60, 60, kOverlap}}, {kTableGreen, {60, 255, 60, kOverlap}},
                    {kTableBlue, {80, 120, 255, kOverlap}}};
        case kViewRed: return {{kTableRed, {255, 60, 60, 255}}};
        case kViewGreen: return {{kTableGreen, {60, 255, 60, 255}}};
        case kViewBlue: return {{kTableBlue, {80, 120, 255, 255}}};
        case kViewLuminance: return {{kTableLuminance, {230, 230, 230, 255}}};
        default: return {{kTableAlpha, {200, 200, 200, 255}}};
    }
}

void RenderValueView(Image& canvas, const PlotArea& area, const HistogramData& data, int view, bool logarithmic,
                     std::vector<PlotText>& texts) {
    const std::vector<TableBars> bars = BarsOf(view);
    int64_t m = 1;
    for (const TableBars& bar : bars)
        m = std::max(m, *std::max_element(data.tables[bar.table].begin(), data.tables[bar.table].end()));
    for (const TableBars& bar : bars)
        for (int v = 0; v < 256; ++v) {
            const int64_t count = data.tables[bar.table][v];
            const int b = BarHeight(count, m, area.h, logarithmic);
            if (b < 1) continue;
            const int left = area.x + v * area.w / 256, right = area.x + (v + 1) * area.w / 256;
            BlendRect(canvas, left, area.base() - b, right - left, b, bar.colour);
        }
    for (int j = 0; j <= 4; ++j) {
        const int x = area.x + j * area.w * 64 / 256;
        BlendRect(canvas, x, area.base(), 1, 5, kTickColour);
        const int value = j == 4 ? 255 : j * 64;
        texts.push_back({x - 8 - (j == 4 ? 14 : 0), area.base() + 6, std::to_string(value), kLabelColour});
    }
}

int StopX(const PlotArea& area, const HistogramData& data, double stops) {
    return area.x + int(std::lround((stops - data.lower) / (data.upper - data.lower) * area.w));
}

void RenderStopsView(Image& canvas, const PlotArea& area, const HistogramData& data, bool logarithmic,
                     std::vector<PlotText>& texts) {
    const int64_t m = std::max<int64_t>(1, *std::max_element(data.stops.begin(), data.stops.end()));
    for (int k = 0; k < kStopBins; ++k) {
        const int b = BarHeight(data.stops[std::size_t(k)], m, area.h, logarithmic);
        if (b < 1) continue;
        BlendRect(canvas, area.x + k * area.w / kStopBins, area.base() - b, area.w / kStopBins + 1, b,
                  {230, 230, 230, 255});
    }
    for (double s = data.lower; s <= data.upper; s += 1.0) {
        const int x = StopX(area, data, s);
        BlendRect(canvas, x, area.base(), 1, 5, kTickColour);
        texts.push_back({x - 6, area.base() + 6, FixedText(s, 0), kLabelColour});
    }
    const int x = StopX(area, data, data.whitePoint);
    if (x >= area.x && x <= area.x + area.w) {
        BlendRect(canvas, x - 1, area.y, 2, area.h, kWhitePointColour);
        texts.push_back({x + 3, 10, "white point", kWhitePointColour});
    }
}

}  // namespace

std::vector<PlotText> RenderHistogram(Image& canvas, const HistogramData& data, int view, bool logarithmic) {
    PlotArea area;
    area.w = canvas.width - 2 * kMargin;
    area.h = canvas.height - 30;
    BlendRect(canvas, 0, 0, canvas.width, canvas.height, {40, 40, 40, 255});
    BlendRect(canvas, area.x, area.y, area.w, area.h, {25, 25, 25, 255});
    std::vector<PlotText> texts;
    if (area.w < 1 || area.h < 1) return texts;
    if (view == kViewHdrStops) {
        if (data.isHdr) RenderStopsView(canvas, area, data, logarithmic, texts);
    } else {
        RenderValueView(canvas, area, data, view, logarithmic, texts);
    }
    return texts;
}

std::string HistogramTitle(const LoadInfo& info) { return "Histogram - " + info.formatText; }
