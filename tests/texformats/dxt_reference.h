// Straightforward one-pixel-at-a-time DXT decoder and encoder written directly from the block
// rules, used to check the production code (which is tuned for speed) on many blocks, and
// builders of block bytes for the tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace dxt_reference {

using Bytes = std::vector<uint8_t>;

/// Colour block bytes: c0, c1, then one index per pixel.
inline Bytes ColorBlock(uint16_t c0, uint16_t c1, const int (&indices)[16]) {
    uint32_t word = 0;
    for (int i = 0; i < 16; ++i) word |= uint32_t(indices[i]) << (2 * i);
    return {uint8_t(c0),   uint8_t(c0 >> 8),   uint8_t(c1),         uint8_t(c1 >> 8),
            uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)};
}

/// Interpolated block bytes: a0, a1, then one 3-bit index per pixel.
inline Bytes AlphaBlock(uint8_t a0, uint8_t a1, const int (&indices)[16]) {
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= uint64_t(indices[i]) << (3 * i);
    Bytes block = {a0, a1};
    for (int k = 0; k < 6; ++k) block.push_back(uint8_t(bits >> (8 * k)));
    return block;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Rgb {
    int r, g, b;
};

inline Rgb Expand(int c) { return {((c >> 11) & 31) * 255 / 31, ((c >> 5) & 63) * 255 / 63, (c & 31) * 255 / 31}; }

inline int Pack(int r, int g, int b) {
    return ((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 | (b * 31 + 127) / 255;
}

inline void AlphaTable(int a0, int a1, int table[8]) {
    table[0] = a0;
    table[1] = a1;
    if (a0 > a1) {
        for (int j = 1; j <= 6; ++j) table[j + 1] = ((7 - j) * a0 + j * a1) / 7;
    } else {
        for (int j = 1; j <= 4; ++j) table[j + 1] = ((5 - j) * a0 + j * a1) / 5;
        table[6] = 0;
        table[7] = 255;
    }
}

inline uint64_t AlphaBits(const uint8_t* block) {
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= uint64_t(block[2 + k]) << (8 * k);
    return bits;
}

inline int AlphaValue(const uint8_t* block, int i) {
    int table[8];
    AlphaTable(block[0], block[1], table);
    return table[(AlphaBits(block) >> (3 * i)) & 7];
}

/// RGBA of pixel i of one block.
inline void DecodePixel(const uint8_t* block, int format, int i, uint8_t out[4]) {
    if (format == 4) {
        const int red = AlphaValue(block, i);
        const int green = AlphaValue(block + 8, i);
        const double x = red / 127.5 - 1, y = green / 127.5 - 1;
        double s = -x * x - y * y + 1;
        if (s < 0) s = 0;
        out[0] = uint8_t(red);
        out[1] = uint8_t(green);
        out[2] = uint8_t(int((std::sqrt(s) + 1) * 127.5));
        out[3] = 255;
        return;
    }
    const uint8_t* color = format == 1 ? block : block + 8;
    const int c0 = color[0] | color[1] << 8;
    const int c1 = color[2] | color[3] << 8;
    const int index = (color[4 + i / 4] >> (2 * (i % 4))) & 3;
    const Rgb p0 = Expand(c0), p1 = Expand(c1);
    Rgb p;
    int alpha = 255;
    if (index == 0) {
        p = p0;
    } else if (index == 1) {
        p = p1;
    } else if (format != 1 || c0 > c1) {
        p = index == 2 ? Rgb{(2 * p0.r + p1.r) / 3, (2 * p0.g + p1.g) / 3, (2 * p0.b + p1.b) / 3}
                       : Rgb{(p0.r + 2 * p1.r) / 3, (p0.g + 2 * p1.g) / 3, (p0.b + 2 * p1.b) / 3};
    } else if (index == 2) {
        p = {(p0.r + p1.r) / 2, (p0.g + p1.g) / 2, (p0.b + p1.b) / 2};
    } else {
        p = {0, 0, 0};
        alpha = 0;
    }
    if (format == 2) alpha = ((block[i / 2] >> (4 * (i % 2))) & 15) * 17;
    if (format == 3) alpha = AlphaValue(block, i);
    out[0] = uint8_t(p.r);
    out[1] = uint8_t(p.g);
    out[2] = uint8_t(p.b);
    out[3] = uint8_t(alpha);
}

/// Whole image as tightly packed RGBA rows.
inline std::vector<uint8_t> DecodeImage(const uint8_t* data, int width, int height, int format) {
    const int blockBytes = format == 1 ? 8 : 16;
    const int blocksX = (width + 3) / 4;
    std::vector<uint8_t> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* block = data + (std::size_t(y / 4) * blocksX + x / 4) * blockBytes;
            DecodePixel(block, format, (y % 4) * 4 + x % 4, &rgba[(std::size_t(y) * width + x) * 4]);
        }
    }
    return rgba;
}

/// One colour block from sixteen RGB(A) pixels at stride 4.
inline void EncodeColor(const uint8_t* pixels, uint8_t out[8]) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    double mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], int(pixels[i * 4 + c]));
            hi[c] = std::max(hi[c], int(pixels[i * 4 + c]));
            mean[c] += pixels[i * 4 + c];
        }
    }
    for (double& m : mean) m /= 16;
    double srg = 0, sbg = 0;
    for (int i = 0; i < 16; ++i) {
        const double dg = pixels[i * 4 + 1] - mean[1];
        srg += (pixels[i * 4] - mean[0]) * dg;
        sbg += (pixels[i * 4 + 2] - mean[2]) * dg;
    }
    for (int c = 0; c < 3; ++c) {
        const int d = (hi[c] - lo[c]) / 16;
        lo[c] += d;
        hi[c] -= d;
    }
    if (srg < 0) std::swap(lo[0], hi[0]);
    if (sbg < 0) std::swap(lo[2], hi[2]);
    int c0 = Pack(hi[0], hi[1], hi[2]);
    int c1 = Pack(lo[0], lo[1], lo[2]);
    if (c0 < c1) std::swap(c0, c1);
    uint32_t indices = 0;
    if (c0 != c1) {
        const Rgb p0 = Expand(c0), p1 = Expand(c1);
        const Rgb palette[4] = {p0,
                                p1,
                                {(2 * p0.r + p1.r) / 3, (2 * p0.g + p1.g) / 3, (2 * p0.b + p1.b) / 3},
                                {(p0.r + 2 * p1.r) / 3, (p0.g + 2 * p1.g) / 3, (p0.b + 2 * p1.b) / 3}};
        for (int i = 0; i < 16; ++i) {
            int best = 0, bestDistance = 1 << 30;
            for (int k = 0; k < 4; ++k) {
                const int dr = pixels[i * 4] - palette[k].r, dg = pixels[i * 4 + 1] - palette[k].g,
                          db = pixels[i * 4 + 2] - palette[k].b;
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
            indices |= uint32_t(best) << (2 * i);
        }
    }
    const uint8_t bytes[8] = {
        uint8_t(c0),           uint8_t(c0 >> 8),       uint8_t(c1),           uint8_t(c1 >> 8), uint8_t(indices),
        uint8_t(indices >> 8), uint8_t(indices >> 16), uint8_t(indices >> 24)};
    std::copy(bytes, bytes + 8, out);
}

/// One interpolated block from sixteen values at the given stride.
inline void EncodeAlpha(const uint8_t* values, int stride, uint8_t out[8]) {
    int lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min(lo, int(values[i * stride]));
        hi = std::max(hi, int(values[i * stride]));
    }
    uint64_t bits = 0;
    if (lo != hi) {
        int table[8];
        AlphaTable(hi, lo, table);
        for (int i = 0; i < 16; ++i) {
            int best = 0;
            for (int k = 1; k < 8; ++k) {
                if (std::abs(values[i * stride] - table[k]) < std::abs(values[i * stride] - table[best])) best = k;
            }
            bits |= uint64_t(best) << (3 * i);
        }
    }
    out[0] = uint8_t(hi);
    out[1] = uint8_t(lo);
    for (int k = 0; k < 6; ++k) out[2 + k] = uint8_t(bits >> (8 * k));
}

/// Whole image (tightly packed RGBA rows) in format 1, 3 or 4, edge pixels repeated.
inline std::vector<uint8_t> EncodeImage(const uint8_t* rgba, int width, int height, int format) {
    std::vector<uint8_t> out;
    for (int by = 0; by < (height + 3) / 4; ++by) {
        for (int bx = 0; bx < (width + 3) / 4; ++bx) {
            uint8_t pixels[64];
            for (int i = 0; i < 16; ++i) {
                const int x = std::min(bx * 4 + i % 4, width - 1), y = std::min(by * 4 + i / 4, height - 1);
                std::copy_n(rgba + (std::size_t(y) * width + x) * 4, 4, pixels + i * 4);
            }
            uint8_t block[16];
            if (format == 1) {
                EncodeColor(pixels, block);
                out.insert(out.end(), block, block + 8);
                continue;
            }
            if (format == 3) {
                EncodeAlpha(pixels + 3, 4, block);
                EncodeColor(pixels, block + 8);
            } else {
                EncodeAlpha(pixels, 4, block);
                EncodeAlpha(pixels + 1, 4, block + 8);
            }
            out.insert(out.end(), block, block + 16);
        }
    }
    return out;
}

}  // namespace dxt_reference
