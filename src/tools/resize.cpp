#include "tools/resize.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/app_state.h"
#include "app/histogram_hook.h"
#include "app/history_commands.h"
#include "app/preview.h"

int64_t FloorPowerOfTwo(int64_t n) {
    int64_t r = 1;
    while (n >= 2 * r) r *= 2;
    return r;
}

int64_t NearestPowerOfTwo(int64_t n) {
    const int64_t below = FloorPowerOfTwo(n);
    return 2 * below - n < n - below ? 2 * below : below;
}

ImageSize FitSs1Size(int width, int height, int limit) {
    const double scale =
        (width > limit || height > limit) ? double(limit) / double(std::max(width, height)) : 1.0;
    auto fitSide = [&](int side) {
        const int64_t scaled = int64_t(double(side) * scale + 0.5);
        return int(std::clamp<int64_t>(NearestPowerOfTwo(scaled), 1, std::max(limit, 1)));
    };
    return {fitSide(width), fitSide(height)};
}

namespace {

// The box filter divides colour sums (at most 4 x 255 x 255 < 2^18) by alpha sums (1..1020).
// A multiplication by m = ceil(2^32 / d) and a shift gives the exact truncated quotient for
// these ranges (the rounding error n x d stays below 2^32), and is several times faster than
// a division in the inner loop.
constexpr int kMaxAlphaSum = 4 * 255;
constexpr std::array<uint64_t, kMaxAlphaSum + 1> MakeReciprocals() {
    std::array<uint64_t, kMaxAlphaSum + 1> table{};
    for (uint64_t d = 1; d <= kMaxAlphaSum; ++d) table[d] = ((uint64_t(1) << 32) + d - 1) / d;
    return table;
}
constexpr std::array<uint64_t, kMaxAlphaSum + 1> kReciprocals = MakeReciprocals();

inline uint8_t DivideByAlphaSum(uint32_t sum, uint32_t alphaSum) {
    return uint8_t((sum * kReciprocals[alphaSum]) >> 32);
}

// One output pixel from its box of kCount source pixels (duplicates count when a side of
// length 1 is halved and the index is limited to the last column or row).
template <int kCount>
inline void AverageBox(const uint8_t* const (&box)[kCount], uint8_t* out) {
    uint32_t alphaSum = 0;
    for (const uint8_t* p : box) alphaSum += p[3];
    if (alphaSum == 255u * kCount) {
        // Opaque box: the weights cancel and the average is a plain mean.
        constexpr int kShift = kCount == 4 ? 2 : kCount == 2 ? 1 : 0;
        for (int c = 0; c < 3; ++c) {
            uint32_t sum = 0;
            for (const uint8_t* p : box) sum += p[c];
            out[c] = uint8_t(sum >> kShift);
        }
        out[3] = 255;
    } else if (alphaSum == 0) {
        std::memcpy(out, box[0], 3);
        out[3] = 0;
    } else {
        for (int c = 0; c < 3; ++c) {
            uint32_t sum = 0;
            for (const uint8_t* p : box) sum += uint32_t(p[c]) * p[3];
            out[c] = DivideByAlphaSum(sum, alphaSum);
        }
        out[3] = uint8_t(alphaSum / kCount);
    }
}

#if defined(__SSE2__)
// Four output pixels of a 2x2 halving from eight source pixels in each of two rows, when all
// sixteen are opaque: the weights then cancel and each channel is the truncated mean of four.
// False, with nothing written, when any of them is not opaque.
inline bool HalveFourOpaqueBoxes(const uint8_t* top, const uint8_t* bottom, uint8_t* out) {
    const __m128i top0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top));
    const __m128i top1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 16));
    const __m128i bottom0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom));
    const __m128i bottom1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 16));
    const __m128i all = _mm_and_si128(_mm_and_si128(top0, top1), _mm_and_si128(bottom0, bottom1));
    constexpr int kAlphaBytes = 0x8888;
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(-1))) & kAlphaBytes) != kAlphaBytes) return false;

    // Sums of the four pixels of each box, in 16 bits: the left pixels of the boxes are the
    // even source pixels, the right ones the odd ones.
    const __m128i zero = _mm_setzero_si128();
    __m128i sumLow = zero, sumHigh = zero;  // boxes 0-1 and boxes 2-3
    auto addRow = [&](__m128i pixels0to3, __m128i pixels4to7) {
        const __m128i first = _mm_shuffle_epi32(pixels0to3, _MM_SHUFFLE(3, 1, 2, 0));   // 0 2 1 3
        const __m128i second = _mm_shuffle_epi32(pixels4to7, _MM_SHUFFLE(3, 1, 2, 0));  // 4 6 5 7
        for (const __m128i half : {_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second)}) {
            sumLow = _mm_add_epi16(sumLow, _mm_unpacklo_epi8(half, zero));
            sumHigh = _mm_add_epi16(sumHigh, _mm_unpackhi_epi8(half, zero));
        }
    };
    addRow(top0, top1);
    addRow(bottom0, bottom1);
    const __m128i mean = _mm_packus_epi16(_mm_srli_epi16(sumLow, 2), _mm_srli_epi16(sumHigh, 2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), mean);
    return true;
}
#endif

template <int kHalveX, int kHalveY>
void HalveRow(const uint8_t* top, const uint8_t* bottom, std::size_t secondColumn, int x, int end, uint8_t* out) {
    for (; x < end; ++x) {
        const std::size_t offset = std::size_t(x) * (1 + kHalveX) * 4;
        uint8_t* target = out + std::size_t(x) * 4;
        if constexpr (kHalveX && kHalveY) {
            const uint8_t* const box[4] = {top + offset, top + offset + secondColumn, bottom + offset,
                                           bottom + offset + secondColumn};
            AverageBox(box, target);
        } else if constexpr (kHalveX) {
            const uint8_t* const box[2] = {top + offset, top + offset + secondColumn};
            AverageBox(box, target);
        } else if constexpr (kHalveY) {
            const uint8_t* const box[2] = {top + offset, bottom + offset};
            AverageBox(box, target);
        } else {
            const uint8_t* const box[1] = {top + offset};
            AverageBox(box, target);
        }
    }
}

template <int kHalveX, int kHalveY>
void HalveInto(const Image& src, Image& dst) {
    // A side of length 1 that is "halved" stays 1; its second box column or row is the same
    // pixel again (the index is limited to the last one).
    const std::size_t secondColumn = (kHalveX && src.width >= 2) ? 4 : 0;
    for (int y = 0; y < dst.height; ++y) {
        const int sourceY = y * (1 + kHalveY);
        const uint8_t* top = src.row(sourceY);
        const uint8_t* bottom = src.row(std::min(sourceY + kHalveY, src.height - 1));
        uint8_t* out = dst.row(y);
        int x = 0;
#if defined(__SSE2__)
        if constexpr (kHalveX && kHalveY) {
            // Opaque stretches four boxes at a time; any other group goes through AverageBox.
            if (secondColumn != 0) {
                for (; x + 4 <= dst.width; x += 4) {
                    const std::size_t offset = std::size_t(x) * 8;
                    if (!HalveFourOpaqueBoxes(top + offset, bottom + offset, out + std::size_t(x) * 4))
                        HalveRow<1, 1>(top, bottom, secondColumn, x, x + 4, out);
                }
            }
        }
#endif
        HalveRow<kHalveX, kHalveY>(top, bottom, secondColumn, x, dst.width, out);
    }
}

}  // namespace

std::optional<Image> HalveImage(const Image& image, bool halveWidth, bool halveHeight) {
    const int width = std::max(1, halveWidth ? image.width / 2 : image.width);
    const int height = std::max(1, halveHeight ? image.height / 2 : image.height);
    auto out = CreateImageUninitialized(width, height, 32);
    if (!out) return std::nullopt;
    if (halveWidth && halveHeight) HalveInto<1, 1>(image, *out);
    else if (halveWidth) HalveInto<1, 0>(image, *out);
    else if (halveHeight) HalveInto<0, 1>(image, *out);
    else HalveInto<0, 0>(image, *out);
    return out;
}

std::optional<Image> ResampleImage(const Image& image, int width, int height) {
    // Without this check a target side of 0 would be "halved towards" forever.
    if (!IsValidImageSize(width, height)) return std::nullopt;
    // The halvings read the source directly; only their results are owned here.
    const Image* current = &image;
    std::optional<Image> owned;
    for (;;) {
        const bool halveX = int64_t(current->width) >= 2 * int64_t(width);
        const bool halveY = int64_t(current->height) >= 2 * int64_t(height);
        if (!halveX && !halveY) {
            if (current->width != width || current->height != height)
                return ResizeBilinear(*current, width, height);
            return owned ? std::move(owned) : CopyImage(image);
        }
        auto next = HalveImage(*current, halveX, halveY);
        if (!next) return std::nullopt;
        owned = std::move(next);
        current = &*owned;
    }
}

int64_t SizeTextValue(const std::string& text) {
    std::size_t i = 0, end = text.size();
    while (i < end && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end) return 0;
    int64_t value = 0;
    for (; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    return negative ? -value : value;
}

std::optional<std::string> AspectLinkedText(const std::string& typedText, int typedOriginal,
                                            int otherOriginal) {
    const int64_t typed = SizeTextValue(typedText);
    if (typed < 1 || typedOriginal < 1) return std::nullopt;
    const double other = std::floor(double(typed) * otherOriginal / typedOriginal + 0.5);
    return std::to_string(int64_t(other));
}

std::optional<ImageSize> ValidateResizeTexts(const std::string& widthText, const std::string& heightText) {
    const int64_t width = SizeTextValue(widthText), height = SizeTextValue(heightText);
    if (width < 1 || height < 1 || width > kMaxResizeSide || height > kMaxResizeSide) return std::nullopt;
    return ImageSize{int(width), int(height)};
}

namespace {

// The number of halvings from the old size to the new one when both sides shrank by the same
// power of two (the width exactly, the height by integer division); 0 otherwise.
int MipLevelsDropped(int oldWidth, int oldHeight, int width, int height) {
    if (width < 1 || height < 1 || oldWidth % width != 0) return 0;
    const int ratio = oldWidth / width;
    if ((ratio & (ratio - 1)) != 0 || ratio != oldHeight / height) return 0;
    int levels = 0;
    while ((1 << levels) < ratio) ++levels;
    return levels;
}

}  // namespace

bool ResizeDocument(AppState& app, int width, int height) {
    Document& doc = app.doc;
    if (!doc.image) return false;
    const int oldWidth = doc.image->width, oldHeight = doc.image->height;
    if (width == oldWidth && height == oldHeight) return true;
    auto resized = ResampleImage(*doc.image, width, height);
    if (!resized) {
        if (app.ui) app.ui->Message(BoxKind::Error, kMainTitle, kResizeMemoryMessage);
        return false;
    }
    doc.image = std::move(resized);
    doc.info.width = width;
    doc.info.height = height;
    if (doc.info.kind == 1) doc.info.firstMip += MipLevelsDropped(oldWidth, oldHeight, width, height);

    std::string hdrNote;
    if (doc.info.isHdr) {
        doc.info.isHdr = 0;
        hdrNote = "HDR texture resized: the current exposure is now part of the image";
    }
    doc.info.note = "Resized from " + std::to_string(oldWidth) + " x " + std::to_string(oldHeight) + "   " + hdrNote;
    SetStatusDescription(app, std::to_string(width) + " x " + std::to_string(height) + "  (resized)");
    RefreshPreview(app);
    RefreshHistogram(app);
    PushHistory(app, "Resize");
    return true;
}
