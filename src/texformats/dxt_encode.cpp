// Single-pass DXT1 / DXT5 / BC5 encoder (block layouts in dxt.h).
//
// Colour blocks: the bounding box of the sixteen colours, moved inwards by a sixteenth of each
// channel's range, is the line between the endpoints; red and blue ends are swapped where the
// channel falls while green rises. Every pixel then takes the nearest of the four palette
// colours the decoder will build. Interpolated blocks (DXT5 alpha, BC5 red and green) span
// their minimum and maximum with the eight-value table. No search, no refinement.
//
// This file holds the rules shared by all block kernels, the portable kernels and the loop
// over the image; dxt_encode_sse2.cpp holds the SSE2 kernels, which give identical bytes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "texformats/dxt.h"
#include "texformats/dxt_detail.h"

namespace dxt_detail {

ColorEndpoints ChooseEndpoints(const ColorStats& stats) {
    int lo[3], hi[3];
    for (int c = 0; c < 3; ++c) {
        const int inset = (stats.hi[c] - stats.lo[c]) / 16;
        lo[c] = stats.lo[c] + inset;
        hi[c] = stats.hi[c] - inset;
    }
    // The covariance sum (x - mean x) * (g - mean g) over the block equals
    // (16 * sum(x * g) - sum(x) * sum(g)) / 16 exactly, so its sign is the integer numerator's.
    if (16 * stats.sumRedGreen - stats.sum[0] * stats.sum[1] < 0) std::swap(lo[0], hi[0]);
    if (16 * stats.sumBlueGreen - stats.sum[2] * stats.sum[1] < 0) std::swap(lo[2], hi[2]);

    ColorEndpoints ends{};
    ends.c0 = Pack565(hi[0], hi[1], hi[2]);
    ends.c1 = Pack565(lo[0], lo[1], lo[2]);
    if (ends.c0 < ends.c1) std::swap(ends.c0, ends.c1);
    Rgba* p = ends.palette;
    Expand565(ends.c0, p, 0);
    Expand565(ends.c1, p, 1);
    p[2] = {uint8_t((2 * p[0].r + p[1].r) / 3), uint8_t((2 * p[0].g + p[1].g) / 3), uint8_t((2 * p[0].b + p[1].b) / 3)};
    p[3] = {uint8_t((p[0].r + 2 * p[1].r) / 3), uint8_t((p[0].g + 2 * p[1].g) / 3), uint8_t((p[0].b + 2 * p[1].b) / 3)};
    return ends;
}

void EncoderAlphaTable(int hi, int lo, uint8_t table[8]) {
    table[0] = uint8_t(hi);
    table[1] = uint8_t(lo);
    for (int j = 1; j <= 6; ++j) table[j + 1] = uint8_t(((7 - j) * hi + j * lo) / 7);
}

void WriteColorBlock(uint16_t c0, uint16_t c1, uint32_t indices, uint8_t out[8]) {
    out[0] = uint8_t(c0);
    out[1] = uint8_t(c0 >> 8);
    out[2] = uint8_t(c1);
    out[3] = uint8_t(c1 >> 8);
    for (int k = 0; k < 4; ++k) out[4 + k] = uint8_t(indices >> (8 * k));
}

void WriteAlphaBlock(int hi, int lo, uint64_t indexBits, uint8_t out[8]) {
    out[0] = uint8_t(hi);
    out[1] = uint8_t(lo);
    for (int k = 0; k < 6; ++k) out[2 + k] = uint8_t(indexBits >> (8 * k));
}

namespace {

// ---- portable kernels ----------------------------------------------------------------------

const uint8_t* BlockPixel(BlockRows rows, int i) { return rows[i >> 2] + (i & 3) * 4; }

void PortableColor(BlockRows rows, uint8_t out[8]) {
    ColorStats stats = {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* p = BlockPixel(rows, i);
        for (int c = 0; c < 3; ++c) {
            stats.lo[c] = std::min(stats.lo[c], int(p[c]));
            stats.hi[c] = std::max(stats.hi[c], int(p[c]));
            stats.sum[c] += p[c];
        }
        stats.sumRedGreen += p[0] * p[1];
        stats.sumBlueGreen += p[2] * p[1];
    }
    const ColorEndpoints ends = ChooseEndpoints(stats);
    uint32_t indices = 0;
    if (ends.c0 != ends.c1) {
        for (int i = 0; i < 16; ++i) {
            const uint8_t* p = BlockPixel(rows, i);
            int best = 0, bestDistance = 1 << 30;
            for (int k = 0; k < 4; ++k) {
                const int dr = p[0] - ends.palette[k].r;
                const int dg = p[1] - ends.palette[k].g;
                const int db = p[2] - ends.palette[k].b;
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
            indices |= uint32_t(best) << (2 * i);
        }
    }
    WriteColorBlock(ends.c0, ends.c1, indices, out);
}

void PortableAlpha(const uint8_t values[16], uint8_t out[8]) {
    int lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min(lo, int(values[i]));
        hi = std::max(hi, int(values[i]));
    }
    uint64_t bits = 0;
    if (lo != hi) {
        uint8_t table[8];
        EncoderAlphaTable(hi, lo, table);
        for (int i = 0; i < 16; ++i) {
            int best = 0, bestDistance = 256;
            for (int k = 0; k < 8; ++k) {
                const int distance = std::abs(values[i] - table[k]);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
            bits |= uint64_t(best) << (3 * i);
        }
    }
    WriteAlphaBlock(hi, lo, bits, out);
}

void PortableChannel(BlockRows rows, int channel, uint8_t out[8]) {
    uint8_t values[16];
    for (int i = 0; i < 16; ++i) values[i] = BlockPixel(rows, i)[channel];
    PortableAlpha(values, out);
}

void PortableDxt5(BlockRows rows, uint8_t out[16]) {
    PortableChannel(rows, 3, out);
    PortableColor(rows, out + 8);
}

void PortableBc5(BlockRows rows, uint8_t out[16]) {
    PortableChannel(rows, 0, out);
    PortableChannel(rows, 1, out + 8);
}

/// Rows of the block at (bx, by): straight into the image when the block lies inside it,
/// otherwise a copy in padded with the last column and row repeated.
void BlockRowsAt(const Image& image, int bx, int by, uint8_t padded[64], const uint8_t* rows[4]) {
    const int x0 = bx * 4, y0 = by * 4;
    if (x0 + 4 <= image.width && y0 + 4 <= image.height) {
        for (int k = 0; k < 4; ++k) rows[k] = image.at(x0, y0 + k);
        return;
    }
    for (int k = 0; k < 4; ++k) {
        const int y = std::min(y0 + k, image.height - 1);
        for (int j = 0; j < 4; ++j)
            std::memcpy(padded + k * 16 + j * 4, image.at(std::min(x0 + j, image.width - 1), y), 4);
        rows[k] = padded + k * 16;
    }
}

}  // namespace

const BlockKernels kPortableKernels = {PortableColor, PortableDxt5, PortableBc5, PortableAlpha};

const BlockKernels& FastestKernels() { return kSse2Kernels.dxt1 ? kSse2Kernels : kPortableKernels; }

std::size_t EncodeDxtImageWith(const BlockKernels& kernels, ByteBuffer& out, const Image& image, int format) {
    if (format != kDxt1 && format != kDxt5 && format != kBc5) return 0;
    const std::size_t bytes = DxtDataSize(image.width, image.height, format);
    if (bytes == 0 || image.pixels.size() < image.byteSize()) return 0;
    const std::size_t start = out.size();
    if (!TryResize(out, start + bytes)) return 0;

    const auto encodeBlock = format == kDxt1 ? kernels.dxt1 : format == kDxt5 ? kernels.dxt5 : kernels.bc5;
    const std::size_t blockBytes = format == kDxt1 ? 8 : 16;
    uint8_t* block = out.data() + start;
    uint8_t padded[64];
    const uint8_t* rows[4];
    for (int by = 0; by < (image.height + 3) / 4; ++by) {
        for (int bx = 0; bx < (image.width + 3) / 4; ++bx, block += blockBytes) {
            BlockRowsAt(image, bx, by, padded, rows);
            encodeBlock(rows, block);
        }
    }
    return bytes;
}

}  // namespace dxt_detail

uint16_t Pack565(int red, int green, int blue) {
    return uint16_t(((red * 31 + 127) / 255) << 11 | ((green * 63 + 127) / 255) << 5 | (blue * 31 + 127) / 255);
}

void EncodeColorBlock(const Rgba colors[16], uint8_t out[8]) {
    static_assert(sizeof(Rgba) == 4, "sixteen Rgba are four rows of 16 bytes");
    const uint8_t* pixels = &colors[0].r;
    const uint8_t* rows[4] = {pixels, pixels + 16, pixels + 32, pixels + 48};
    dxt_detail::FastestKernels().dxt1(rows, out);
}

void EncodeAlphaBlock(const uint8_t values[16], uint8_t out[8]) { dxt_detail::FastestKernels().alpha(values, out); }

std::size_t EncodeDxtImage(ByteBuffer& out, const Image& image, int format) {
    return dxt_detail::EncodeDxtImageWith(dxt_detail::FastestKernels(), out, image, format);
}
