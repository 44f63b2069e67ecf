#include "imageformats/hdr.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/file_io.h"

namespace {

constexpr std::size_t kMinFileSize = 11;
constexpr int kMaxSide = 32768;
constexpr std::string_view kRgbeFormatLine = "FORMAT=32-bit_rle_rgbe";
constexpr const char* kNoMemory = "Not enough memory for the image.";

// Run-length scanlines exist for these widths only; the width is stored in 15 bits.
constexpr int kMinRleWidth = 8;
constexpr int kMaxRleWidth = 32767;
constexpr int kMaxLiteral = 128;  // a count byte above this starts a run

// ---- RGBE ---------------------------------------------------------------------------------

uint8_t MantissaByte(double channel, double scale) {
    const double value = channel * scale;
    if (!(value > 0.0)) return 0;      // negative or NaN channels
    if (value >= 255.0) return 255;    // only reached when the exponent saturated
    return uint8_t(value);             // truncation toward zero
}

// ---- header -------------------------------------------------------------------------------

// Reads the line starting at pos: it ends at a line feed (not part of the line) or at the end
// of the data. A carriage return stays part of the line. pos moves past the line feed.
std::string_view ReadLine(std::span<const uint8_t> bytes, std::size_t& pos) {
    const std::size_t begin = std::min(pos, bytes.size());
    std::size_t end = begin;
    while (end < bytes.size() && bytes[end] != '\n') ++end;
    pos = end < bytes.size() ? end + 1 : end;
    return {reinterpret_cast<const char*>(bytes.data()) + begin, end - begin};
}

// The header runs up to the first empty line; the only line that matters is FORMAT=.
bool SkipHeader(std::span<const uint8_t> bytes, std::size_t& pos, std::string& error) {
    while (pos < bytes.size()) {
        const std::string_view line = ReadLine(bytes, pos);
        if (line.empty()) break;
        if (line.starts_with("FORMAT=") && line != kRgbeFormatLine) {
            error = "Only RGBE HDR files are supported (" + std::string(line) + ").";
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> SplitAtSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos) return fields;
        line.remove_prefix(space + 1);
    }
}

// A decimal number as C's atoi reads it (leading blanks, a sign, the digits up to the first
// other character; nothing usable gives 0), saturated far beyond any valid size.
int64_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == '\t' || text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t(1) << 40);
    return negative ? -value : value;
}

struct Resolution {
    int width = 0, height = 0;
    bool bottomUp = false;  // "+Y": the first stored scanline is the bottom row
};

bool ParseResolution(std::string_view line, Resolution& res, std::string& error) {
    const std::vector<std::string_view> fields = SplitAtSpaces(line);
    auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : std::string_view(); };
    if (field(2) != "+X" || (field(0) != "-Y" && field(0) != "+Y")) {
        error = "This HDR orientation is not supported (" + std::string(line) + ").";
        return false;
    }
    const int64_t height = ParseDecimal(field(1));
    const int64_t width = ParseDecimal(field(3));
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) {
        error = "Invalid HDR dimensions: " + std::string(line);
        return false;
    }
    res = {int(width), int(height), field(0) == "+Y"};
    return true;
}

// ---- scanlines ----------------------------------------------------------------------------

bool StartsRleScanline(std::span<const uint8_t> bytes, std::size_t pos, int width) {
    return width >= kMinRleWidth && width <= kMaxRleWidth && bytes.size() - pos >= 4 && bytes[pos] == 2 &&
           bytes[pos + 1] == 2 && bytes[pos + 2] < 128;
}

// Decodes one component of a run-length scanline into plane (width bytes). The component ends
// when the width is filled or the data ends; what the data does not cover becomes 0, and run or
// literal bytes beyond the width are consumed but dropped.
void DecodeRleComponent(std::span<const uint8_t> bytes, std::size_t& pos, uint8_t* plane, std::size_t width) {
    const std::size_t size = bytes.size();
    std::size_t x = 0;
    while (x < width && pos < size) {
        const unsigned count = bytes[pos++];
        if (count > kMaxLiteral) {
            if (pos >= size) break;
            const uint8_t value = bytes[pos++];
            const std::size_t n = std::min<std::size_t>(count - kMaxLiteral, width - x);
            std::memset(plane + x, value, n);
            x += n;
        } else {
            const std::size_t available = std::min<std::size_t>(count, size - pos);
            std::memcpy(plane + x, bytes.data() + pos, std::min(available, width - x));
            x += std::min(available, width - x);
            pos += available;
        }
    }
    std::memset(plane + x, 0, width - x);
}

// The four component planes of one scanline, reused from row to row.
struct RlePlanes {
    ByteBuffer bytes;
    uint8_t* plane(int c, std::size_t width) { return bytes.data() + c * width; }
};

void DecodeRleScanline(std::span<const uint8_t> bytes, std::size_t& pos, RlePlanes& planes, int width,
                       uint8_t* row) {
    const std::size_t w = std::size_t(width);
    for (int c = 0; c < 4; ++c) DecodeRleComponent(bytes, pos, planes.plane(c, w), w);
    const uint8_t* r = planes.plane(0, w);
    const uint8_t* g = planes.plane(1, w);
    const uint8_t* b = planes.plane(2, w);
    const uint8_t* e = planes.plane(3, w);
    for (std::size_t x = 0; x < w; ++x) {
        row[4 * x + 0] = r[x];
        row[4 * x + 1] = g[x];
        row[4 * x + 2] = b[x];
        row[4 * x + 3] = e[x];
    }
}

// Decodes the scanlines from pos into image (rows top to bottom). Rows that receive no data are
// zeroed, so they show black.
void DecodeScanlines(std::span<const uint8_t> bytes, std::size_t pos, const Resolution& res, RlePlanes& planes,
                     uint8_t* rgbe) {
    const std::size_t rowBytes = std::size_t(res.width) * 4;
    auto targetRow = [&](int stored) { return rgbe + rowBytes * std::size_t(res.bottomUp ? res.height - 1 - stored : stored); };
    int stored = 0;
    for (; stored < res.height; ++stored) {
        uint8_t* row = targetRow(stored);
        if (StartsRleScanline(bytes, pos, res.width)) {
            pos += 4;  // 2, 2 and the scanline width, which is not compared with the image width
            DecodeRleScanline(bytes, pos, planes, res.width, row);
        } else {
            if (bytes.size() - pos < rowBytes) break;  // a cut flat scanline ends the pixel data
            std::memcpy(row, bytes.data() + pos, rowBytes);
            pos += rowBytes;
        }
    }
    for (; stored < res.height; ++stored) std::memset(targetRow(stored), 0, rowBytes);
}

// ---- writing ------------------------------------------------------------------------------

std::string HeaderText(int width, int height) {
    return "#?RADIANCE\n" + std::string(kRgbeFormatLine) + "\n\n-Y " + std::to_string(height) + " +X " +
           std::to_string(width) + "\n";
}

bool WritesRle(int width) { return width >= kMinRleWidth && width <= kMaxRleWidth; }

std::size_t EncodedRowSize(int width) {
    const std::size_t w = std::size_t(width);
    if (!WritesRle(width)) return w * 4;
    const std::size_t packets = (w + kMaxLiteral - 1) / kMaxLiteral;
    return 4 + 4 * (packets + w);
}

// Writes one row as 2, 2, width and per component literal packets of at most 128 pixels.
uint8_t* EncodeRleRow(const uint8_t* row, int width, uint8_t* out) {
    *out++ = 2;
    *out++ = 2;
    *out++ = uint8_t(width >> 8);
    *out++ = uint8_t(width & 255);
    for (int c = 0; c < 4; ++c) {
        for (int x = 0; x < width;) {
            const int n = std::min(kMaxLiteral, width - x);
            *out++ = uint8_t(n);
            const uint8_t* in = row + std::size_t(x) * 4 + c;
            for (int i = 0; i < n; ++i) out[i] = in[std::size_t(i) * 4];
            out += n;
            x += n;
        }
    }
    return out;
}

}  // namespace

void EncodeRgbe(double red, double green, double blue, uint8_t out[4]) {
    double m = red > green ? red : green;
    m = m > blue ? m : blue;
    if (!(m >= 1e-32)) {
        std::memset(out, 0, 4);
        return;
    }
    int p = 127;  // m at or above 2^127 (or infinite) saturates at the largest exponent
    if (m < 0x1p127) {
        p = int(std::floor(std::log(m) / std::log(2.0))) + 1;
        if (std::ldexp(m, -p) >= 1.0) ++p;
        if (std::ldexp(m, -p) < 0.5) --p;
    }
    const double scale = std::ldexp(256.0, -p);
    out[0] = MantissaByte(red, scale);
    out[1] = MantissaByte(green, scale);
    out[2] = MantissaByte(blue, scale);
    out[3] = uint8_t(p + 128);
}

void DecodeRgbe(const uint8_t rgbe[4], double out[3]) {
    if (rgbe[3] == 0) {
        out[0] = out[1] = out[2] = 0.0;
        return;
    }
    const double factor = RgbeExponentFactor(rgbe[3]);
    for (int c = 0; c < 3; ++c) out[c] = (rgbe[c] + 0.5) * factor;
}

std::optional<RgbeImage> DecodeHdr(std::span<const uint8_t> bytes, std::string& error) {
    if (bytes.size() < kMinFileSize || bytes[0] != '#' || bytes[1] != '?') {
        error = "This is not a Radiance HDR file.";
        return std::nullopt;
    }
    std::size_t pos = 0;
    if (!SkipHeader(bytes, pos, error)) return std::nullopt;
    Resolution res;
    if (!ParseResolution(ReadLine(bytes, pos), res, error)) return std::nullopt;

    RgbeImage image{res.width, res.height, {}};
    RlePlanes planes;
    const std::size_t rowBytes = std::size_t(res.width) * 4;
    if (!TryResize(image.rgbe, rowBytes * std::size_t(res.height)) || !TryResize(planes.bytes, rowBytes)) {
        error = kNoMemory;
        return std::nullopt;
    }
    DecodeScanlines(bytes, pos, res, planes, image.rgbe.data());
    return image;
}

std::optional<Image> LoadHdr(std::span<const uint8_t> bytes, LoadInfo& info, const HdrSettings& hdr) {
    std::optional<RgbeImage> pixels = DecodeHdr(bytes, info.error);
    if (!pixels) return std::nullopt;
    std::optional<Image> image = RgbeToDisplay(pixels->rgbe.data(), pixels->width, pixels->height, hdr);
    if (!image) {
        // The display image is as large as the RGBE array; running out here is the same
        // failure as running out for the array.
        info.error = kNoMemory;
        return std::nullopt;
    }
    info.width = pixels->width;
    info.height = pixels->height;
    info.isHdr = 1;
    info.bytesPerPixel = 4;
    info.formatText = "Radiance High Dynamic Range";
    info.rgbeData = std::move(pixels->rgbe);
    info.note = HdrNote(hdr);
    return image;
}

bool EncodeHdr(const uint8_t* rgbe, int width, int height, ByteBuffer& out) {
    if (!rgbe || width < 1 || height < 1) return false;
    const std::string header = HeaderText(width, height);
    const std::size_t rowSize = EncodedRowSize(width);
    if (std::size_t(height) > (SIZE_MAX - header.size()) / rowSize) return false;
    if (!TryResize(out, header.size() + rowSize * std::size_t(height))) return false;

    uint8_t* p = out.data();
    std::memcpy(p, header.data(), header.size());
    p += header.size();
    const std::size_t rowBytes = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y, rgbe += rowBytes) {
        if (WritesRle(width)) {
            p = EncodeRleRow(rgbe, width, p);
        } else {
            std::memcpy(p, rgbe, rowBytes);
            p += rowBytes;
        }
    }
    return true;
}

bool SaveHdr(const uint8_t* rgbe, int width, int height, const std::string& path) {
    ByteBuffer bytes;
    return EncodeHdr(rgbe, width, height, bytes) && WriteFileAtomic(path, bytes);
}
