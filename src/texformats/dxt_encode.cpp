// Single-pass DXT1 / DXT5 / BC5 encoder (block layouts in dxt.h).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "texformats/dxt.h"

uint16_t Pack565(int red, int green, int blue) {
    return uint16_t(((red * 31 + 127) / 255) << 11 | ((green * 63 + 127) / 255) << 5 | (blue * 31 + 127) / 255);
}

void EncodeColorBlock(const Rgba colors[16], uint8_t out[8]) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0}, sum[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const int channel[3] = {colors[i].r, colors[i].g, colors[i].b};
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], channel[c]);
            hi[c] = std::max(hi[c], channel[c]);
            sum[c] += channel[c];
        }
    }
    double mean[3];
    for (int c = 0; c < 3; ++c) mean[c] = sum[c] / 16.0;
    double covRedGreen = 0, covBlueGreen = 0;
    for (int i = 0; i < 16; ++i) {
        const double dg = colors[i].g - mean[1];
        covRedGreen += (colors[i].r - mean[0]) * dg;
        covBlueGreen += (colors[i].b - mean[2]) * dg;
    }
    for (int c = 0; c < 3; ++c) {
        const int inset = (hi[c] - lo[c]) / 16;
        lo[c] += inset;
        hi[c] -= inset;
    }
    if (covRedGreen < 0) std::swap(lo[0], hi[0]);
    if (covBlueGreen < 0) std::swap(lo[2], hi[2]);

    uint16_t c0 = Pack565(hi[0], hi[1], hi[2]);
    uint16_t c1 = Pack565(lo[0], lo[1], lo[2]);
    if (c0 < c1) std::swap(c0, c1);

    uint32_t indices = 0;
    if (c0 != c1) {
        Rgba palette[4];
        Expand565(c0, palette, 0);
        Expand565(c1, palette, 1);
        palette[2] = {uint8_t((2 * palette[0].r + palette[1].r) / 3), uint8_t((2 * palette[0].g + palette[1].g) / 3),
                      uint8_t((2 * palette[0].b + palette[1].b) / 3)};
        palette[3] = {uint8_t((palette[0].r + 2 * palette[1].r) / 3), uint8_t((palette[0].g + 2 * palette[1].g) / 3),
                      uint8_t((palette[0].b + 2 * palette[1].b) / 3)};
        for (int i = 0; i < 16; ++i) {
            int best = 0, bestDistance = 1 << 30;
            for (int k = 0; k < 4; ++k) {
                const int dr = colors[i].r - palette[k].r;
                const int dg = colors[i].g - palette[k].g;
                const int db = colors[i].b - palette[k].b;
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
            indices |= uint32_t(best) << (2 * i);
        }
    }
    out[0] = uint8_t(c0);
    out[1] = uint8_t(c0 >> 8);
    out[2] = uint8_t(c1);
    out[3] = uint8_t(c1 >> 8);
    for (int k = 0; k < 4; ++k) out[4 + k] = uint8_t(indices >> (8 * k));
}

void EncodeAlphaBlock(const uint8_t values[16], uint8_t out[8]) {
    int lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min(lo, int(values[i]));
        hi = std::max(hi, int(values[i]));
    }
    uint64_t bits = 0;
    if (lo != hi) {
        int table[8] = {hi, lo};
        for (int j = 1; j <= 6; ++j) table[j + 1] = ((7 - j) * hi + j * lo) / 7;
        for (int i = 0; i < 16; ++i) {
            int best = 0;
            for (int k = 1; k < 8; ++k) {
                if (std::abs(values[i] - table[k]) < std::abs(values[i] - table[best])) best = k;
            }
            bits |= uint64_t(best) << (3 * i);
        }
    }
    out[0] = uint8_t(hi);
    out[1] = uint8_t(lo);
    for (int k = 0; k < 6; ++k) out[2 + k] = uint8_t(bits >> (8 * k));
}

std::size_t EncodeDxtImage(ByteBuffer& out, const Image& image, int format) {
    if (format != kDxt1 && format != kDxt5 && format != kBc5) return 0;
    const std::size_t bytes = DxtDataSize(image.width, image.height, format);
    const std::size_t start = out.size();
    if (bytes == 0 || !TryResize(out, start + bytes)) return 0;

    uint8_t* block = out.data() + start;
    Rgba colors[16];
    uint8_t first[16], second[16];
    for (int by = 0; by < (image.height + 3) / 4; ++by) {
        for (int bx = 0; bx < (image.width + 3) / 4; ++bx) {
            for (int i = 0; i < 16; ++i) {
                const int x = std::min(bx * 4 + i % 4, image.width - 1);
                const int y = std::min(by * 4 + i / 4, image.height - 1);
                std::memcpy(&colors[i], image.at(x, y), 4);
            }
            if (format == kDxt1) {
                EncodeColorBlock(colors, block);
                block += 8;
                continue;
            }
            if (format == kDxt5) {
                for (int i = 0; i < 16; ++i) first[i] = colors[i].a;
                EncodeAlphaBlock(first, block);
                EncodeColorBlock(colors, block + 8);
            } else {
                for (int i = 0; i < 16; ++i) {
                    first[i] = colors[i].r;
                    second[i] = colors[i].g;
                }
                EncodeAlphaBlock(first, block);
                EncodeAlphaBlock(second, block + 8);
            }
            block += 16;
        }
    }
    return bytes;
}
