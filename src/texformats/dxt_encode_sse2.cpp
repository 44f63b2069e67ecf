// SSE2 block kernels of the DXT encoder: the same rules as the portable kernels in
// dxt_encode.cpp, byte for byte, with the sixteen pixels of a block in four registers.
//
// Colour blocks: minimum and maximum by byte-wise min/max, channel sums and the red x green
// and blue x green sums by 16-bit arithmetic and multiply-add; the endpoints then come from
// the shared scalar rules; each pixel's squared distance to the four palette colours is
// computed exactly in 32 bits, four pixels at a time. Interpolated blocks: the sixteen values
// in one register against the eight table entries, absolute differences by saturating
// subtraction. A strict "less than" keeps the lower index on ties, as in the portable code.
#include "texformats/dxt_detail.h"

#if defined(__SSE2__)

#include <emmintrin.h>

namespace dxt_detail {
namespace {

struct BlockRegisters {
    __m128i row[4];  // four RGBA pixels each
};

BlockRegisters LoadRows(BlockRows rows) {
    BlockRegisters block;
    for (int k = 0; k < 4; ++k) block.row[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k]));
    return block;
}

/// Every byte lane ends up holding the minimum (or maximum) of its position within the
/// 32-bit lanes, i.e. per channel over the four pixels.
__m128i MinOverPixels(__m128i v) {
    v = _mm_min_epu8(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_min_epu8(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
}

__m128i MaxOverPixels(__m128i v) {
    v = _mm_max_epu8(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_max_epu8(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
}

/// The minimum (maximum) of all sixteen bytes, in the lowest byte.
__m128i MinOverBytes(__m128i v) {
    v = MinOverPixels(v);
    v = _mm_min_epu8(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_min_epu8(v, _mm_srli_epi16(v, 8));
}

__m128i MaxOverBytes(__m128i v) {
    v = MaxOverPixels(v);
    v = _mm_max_epu8(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_max_epu8(v, _mm_srli_epi16(v, 8));
}

/// Byte channel (0 red .. 3 alpha) of the sixteen pixels, in pixel order.
__m128i ChannelBytes(const BlockRegisters& block, int channel) {
    const __m128i shift = _mm_cvtsi32_si128(channel * 8);
    const __m128i low = _mm_set1_epi32(0xFF);
    __m128i words[4];
    for (int k = 0; k < 4; ++k) words[k] = _mm_and_si128(_mm_srl_epi32(block.row[k], shift), low);
    return _mm_packus_epi16(_mm_packs_epi32(words[0], words[1]), _mm_packs_epi32(words[2], words[3]));
}

/// Sixteen 2-bit values (one per byte, pixel order) packed to a 32-bit index word.
uint32_t Pack2BitIndices(__m128i v) {
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi16(v, 6)), _mm_set1_epi16(0x000F));
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi32(v, 12)), _mm_set1_epi32(0x00FF));
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi64(v, 24)), _mm_set_epi32(0, 0xFFFF, 0, 0xFFFF));
    return uint32_t(_mm_cvtsi128_si32(v)) | uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8))) << 16;
}

/// Sixteen 3-bit values (one per byte, pixel order) packed to a 48-bit number.
uint64_t Pack3BitIndices(__m128i v) {
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi16(v, 5)), _mm_set1_epi16(0x003F));
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi32(v, 10)), _mm_set1_epi32(0x0FFF));
    v = _mm_and_si128(_mm_or_si128(v, _mm_srli_epi64(v, 20)), _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF));
    return uint64_t(uint32_t(_mm_cvtsi128_si32(v))) | uint64_t(uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)))) << 24;
}

__m128i Select(__m128i mask, __m128i ifTrue, __m128i ifFalse) {
    return _mm_or_si128(_mm_and_si128(mask, ifTrue), _mm_andnot_si128(mask, ifFalse));
}

/// Squared RGB distances of four pixels (two per 16-bit register, alpha lanes 0) to a colour.
__m128i SquaredDistances(__m128i pixels01, __m128i pixels23, __m128i color) {
    const __m128i d01 = _mm_sub_epi16(pixels01, color);
    const __m128i d23 = _mm_sub_epi16(pixels23, color);
    // [r*r + g*g, b*b] per pixel; add each pixel's pair.
    const __m128 m01 = _mm_castsi128_ps(_mm_madd_epi16(d01, d01));
    const __m128 m23 = _mm_castsi128_ps(_mm_madd_epi16(d23, d23));
    const __m128i redGreen = _mm_castps_si128(_mm_shuffle_ps(m01, m23, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i blue = _mm_castps_si128(_mm_shuffle_ps(m01, m23, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm_add_epi32(redGreen, blue);
}

void ColorBlock(const BlockRegisters& block, uint8_t out[8]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
    __m128i rgb[4];
    for (int k = 0; k < 4; ++k) rgb[k] = _mm_and_si128(block.row[k], rgbMask);

    ColorStats stats;
    const uint32_t lo = uint32_t(
        _mm_cvtsi128_si32(MinOverPixels(_mm_min_epu8(_mm_min_epu8(rgb[0], rgb[1]), _mm_min_epu8(rgb[2], rgb[3])))));
    const uint32_t hi = uint32_t(
        _mm_cvtsi128_si32(MaxOverPixels(_mm_max_epu8(_mm_max_epu8(rgb[0], rgb[1]), _mm_max_epu8(rgb[2], rgb[3])))));
    for (int c = 0; c < 3; ++c) {
        stats.lo[c] = int((lo >> (8 * c)) & 0xFF);
        stats.hi[c] = int((hi >> (8 * c)) & 0xFF);
    }

    // 16-bit pixels, two per register: [r g b 0 r g b 0].
    __m128i wide[8];
    for (int k = 0; k < 4; ++k) {
        wide[2 * k] = _mm_unpacklo_epi8(rgb[k], zero);
        wide[2 * k + 1] = _mm_unpackhi_epi8(rgb[k], zero);
    }
    const __m128i redBlueMask = _mm_set_epi16(0, -1, 0, -1, 0, -1, 0, -1);
    __m128i sums = zero, products = zero;
    for (const __m128i& w : wide) {
        sums = _mm_add_epi16(sums, w);
        const __m128i green = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0x55), 0x55);
        products = _mm_add_epi32(products, _mm_madd_epi16(_mm_and_si128(w, redBlueMask), green));  // [rg, bg, rg, bg]
    }
    sums = _mm_add_epi16(sums, _mm_srli_si128(sums, 8));
    products = _mm_add_epi32(products, _mm_srli_si128(products, 8));
    stats.sum[0] = _mm_extract_epi16(sums, 0);
    stats.sum[1] = _mm_extract_epi16(sums, 1);
    stats.sum[2] = _mm_extract_epi16(sums, 2);
    stats.sumRedGreen = _mm_cvtsi128_si32(products);
    stats.sumBlueGreen = _mm_cvtsi128_si32(_mm_srli_si128(products, 4));

    const ColorEndpoints ends = ChooseEndpoints(stats);
    if (ends.c0 == ends.c1) {
        WriteColorBlock(ends.c0, ends.c1, 0, out);
        return;
    }
    __m128i palette[4];
    for (int k = 0; k < 4; ++k) {
        const Rgba& p = ends.palette[k];
        palette[k] = _mm_set1_epi64x(int64_t(p.r) | int64_t(p.g) << 16 | int64_t(p.b) << 32);
    }
    __m128i rowIndices[4];
    for (int row = 0; row < 4; ++row) {
        __m128i best = SquaredDistances(wide[2 * row], wide[2 * row + 1], palette[0]);
        __m128i index = zero;
        for (int k = 1; k < 4; ++k) {
            const __m128i distance = SquaredDistances(wide[2 * row], wide[2 * row + 1], palette[k]);
            const __m128i closer = _mm_cmplt_epi32(distance, best);
            best = Select(closer, distance, best);
            index = Select(closer, _mm_set1_epi32(k), index);
        }
        rowIndices[row] = index;
    }
    const __m128i indexBytes =
        _mm_packus_epi16(_mm_packs_epi32(rowIndices[0], rowIndices[1]), _mm_packs_epi32(rowIndices[2], rowIndices[3]));
    WriteColorBlock(ends.c0, ends.c1, Pack2BitIndices(indexBytes), out);
}

void AlphaBlock(__m128i values, uint8_t out[8]) {
    const int lo = _mm_cvtsi128_si32(MinOverBytes(values)) & 0xFF;
    const int hi = _mm_cvtsi128_si32(MaxOverBytes(values)) & 0xFF;
    if (lo == hi) {
        WriteAlphaBlock(hi, lo, 0, out);
        return;
    }
    uint8_t table[8];
    EncoderAlphaTable(hi, lo, table);
    __m128i best = _mm_set1_epi8(-1);
    __m128i index = _mm_setzero_si128();
    for (int k = 0; k < 8; ++k) {
        const __m128i entry = _mm_set1_epi8(char(table[k]));
        const __m128i distance = _mm_or_si128(_mm_subs_epu8(values, entry), _mm_subs_epu8(entry, values));
        // min(distance, best) equals best exactly when distance is not smaller.
        const __m128i nearer = _mm_min_epu8(distance, best);
        const __m128i notCloser = _mm_cmpeq_epi8(nearer, best);
        index = Select(notCloser, index, _mm_set1_epi8(char(k)));
        best = nearer;
    }
    WriteAlphaBlock(hi, lo, Pack3BitIndices(index), out);
}

void Sse2Dxt1(BlockRows rows, uint8_t out[8]) { ColorBlock(LoadRows(rows), out); }

void Sse2Dxt5(BlockRows rows, uint8_t out[16]) {
    const BlockRegisters block = LoadRows(rows);
    AlphaBlock(ChannelBytes(block, 3), out);
    ColorBlock(block, out + 8);
}

void Sse2Bc5(BlockRows rows, uint8_t out[16]) {
    const BlockRegisters block = LoadRows(rows);
    AlphaBlock(ChannelBytes(block, 0), out);
    AlphaBlock(ChannelBytes(block, 1), out + 8);
}

void Sse2Alpha(const uint8_t values[16], uint8_t out[8]) {
    AlphaBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)), out);
}

}  // namespace

const BlockKernels kSse2Kernels = {Sse2Dxt1, Sse2Dxt5, Sse2Bc5, Sse2Alpha};

}  // namespace dxt_detail

#else

namespace dxt_detail {
const BlockKernels kSse2Kernels = {nullptr, nullptr, nullptr, nullptr};
}  // namespace dxt_detail

#endif
