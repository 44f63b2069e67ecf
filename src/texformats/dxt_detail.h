// Internals of the DXT encoder, shared by its portable and SSE2 block kernels and by the
// tests that prove the kernels give identical bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texformats/dxt.h"

namespace dxt_detail {

/// What picks a colour block's endpoints: per-channel (red, green, blue) minimum, maximum and
/// sum over the sixteen pixels, and the sums of red x green and blue x green.
struct ColorStats {
    int lo[3];
    int hi[3];
    int sum[3];
    int sumRedGreen;
    int sumBlueGreen;
};

/// The endpoints of a colour block (c0 >= c1) and, when they differ, its four-entry palette as
/// the decoder builds it.
struct ColorEndpoints {
    uint16_t c0;
    uint16_t c1;
    Rgba palette[4];
};

/// Bounding box moved inwards by range / 16, red and blue ends swapped where their covariance
/// with green is negative, packed to 5-6-5 and ordered c0 >= c1.
ColorEndpoints ChooseEndpoints(const ColorStats& stats);

/// The eight-value table of an interpolated block with a0 = hi > a1 = lo.
void EncoderAlphaTable(int hi, int lo, uint8_t table[8]);

void WriteColorBlock(uint16_t c0, uint16_t c1, uint32_t indices, uint8_t out[8]);
void WriteAlphaBlock(int hi, int lo, uint64_t indexBits, uint8_t out[8]);

/// A block as four rows of four RGBA pixels, 16 bytes each: rows[k] points into the image for
/// a block inside it, or into a padded copy on the right and bottom edges.
using BlockRows = const uint8_t* const*;

/// One set of block encoders. All sets give byte-identical output.
struct BlockKernels {
    void (*dxt1)(BlockRows rows, uint8_t out[8]);
    void (*dxt5)(BlockRows rows, uint8_t out[16]);
    void (*bc5)(BlockRows rows, uint8_t out[16]);
    void (*alpha)(const uint8_t values[16], uint8_t out[8]);
};

/// Plain C++, for any processor.
extern const BlockKernels kPortableKernels;
/// SSE2 (every x86-64 processor); null members where the compiler does not target SSE2.
extern const BlockKernels kSse2Kernels;

/// The kernels EncodeDxtImage uses: SSE2 where compiled in, the portable ones otherwise.
const BlockKernels& FastestKernels();

/// EncodeDxtImage with the given kernels.
std::size_t EncodeDxtImageWith(const BlockKernels& kernels, ByteBuffer& out, const Image& image, int format);

}  // namespace dxt_detail
