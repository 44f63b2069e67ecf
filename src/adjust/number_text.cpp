#include "adjust/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    char text[400];  // the longest fixed form of a double has 309 digits before the point
    // Rounding first and adding 0.0 keeps a value that rounds to zero from printing as "-0.00".
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0) rounded = 0.0;
    auto [end, error] = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, decimals);
    if (error != std::errc()) return "0";
    return std::string(text, end);
}

std::optional<double> ParseDecimal(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', '.');
    std::size_t start = t.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    if (t[start] == '+') ++start;
    double value = 0.0;
    const auto [end, error] = std::from_chars(t.data() + start, t.data() + t.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}
