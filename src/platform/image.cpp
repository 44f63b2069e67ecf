#include "platform/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

bool IsValidImageSize(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

std::optional<Image> CreateImageUninitialized(int width, int height, int bitsPerPixel) {
    if (!IsValidImageSize(width, height)) return std::nullopt;
    Image image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel == 24 ? 24 : 32;
    if (!TryResize(image.pixels, image.byteSize())) return std::nullopt;
    return image;
}

std::optional<Image> CreateImage(int width, int height, int bitsPerPixel, Rgba fill) {
    auto image = CreateImageUninitialized(width, height, bitsPerPixel);
    if (!image) return std::nullopt;
    if (image->bitsPerPixel == 24) fill.a = 255;
    const uint32_t word = uint32_t(fill.r) | uint32_t(fill.g) << 8 | uint32_t(fill.b) << 16 |
                          uint32_t(fill.a) << 24;
    if (fill.r == fill.g && fill.g == fill.b && fill.b == fill.a) {
        std::memset(image->pixels.data(), fill.r, image->byteSize());
    } else {
        uint8_t* p = image->pixels.data();
        const std::size_t count = std::size_t(width) * height;
        for (std::size_t i = 0; i < count; ++i) std::memcpy(p + i * 4, &word, 4);
    }
    return image;
}

std::optional<Image> CopyImage(const Image& image) {
    auto copy = CreateImageUninitialized(image.width, image.height, image.bitsPerPixel);
    if (!copy) return std::nullopt;
    std::memcpy(copy->pixels.data(), image.pixels.data(), image.byteSize());
    return copy;
}

Rgba GetPixel(const Image& image, int x, int y) {
    const uint8_t* p = image.at(x, y);
    return {p[0], p[1], p[2], image.bitsPerPixel == 24 ? uint8_t(255) : p[3]};
}

void SetPixel(Image& image, int x, int y, Rgba color) {
    uint8_t* p = image.at(x, y);
    p[0] = color.r;
    p[1] = color.g;
    p[2] = color.b;
    p[3] = image.bitsPerPixel == 24 ? uint8_t(255) : color.a;
}

namespace {
inline uint8_t Mix(unsigned src, unsigned dst, unsigned alpha) {
    // (src * a + dst * (255 - a)) / 255, rounded.
    const unsigned v = src * alpha + dst * (255 - alpha) + 127;
    return uint8_t((v + (v >> 8) + 1) >> 8);
}
}  // namespace

void BlendImage(Image& dst, const Image& src, int x, int y) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(dst.width, x + src.width), y1 = std::min(dst.height, y + src.height);
    if (x0 >= x1 || y0 >= y1) return;
    const bool srcOpaque = src.bitsPerPixel == 24;
    for (int dy = y0; dy < y1; ++dy) {
        const uint8_t* s = src.at(x0 - x, dy - y);
        uint8_t* d = dst.at(x0, dy);
        for (int dx = x0; dx < x1; ++dx, s += 4, d += 4) {
            const unsigned a = srcOpaque ? 255 : s[3];
            if (a == 255) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 255;
            } else if (a != 0) {
                d[0] = Mix(s[0], d[0], a);
                d[1] = Mix(s[1], d[1], a);
                d[2] = Mix(s[2], d[2], a);
                d[3] = dst.bitsPerPixel == 24 ? 255 : uint8_t(a + Mix(0, d[3], a));
            }
        }
    }
}

std::optional<Image> ResizeNearest(const Image& image, int width, int height) {
    auto out = CreateImageUninitialized(width, height, image.bitsPerPixel);
    if (!out) return std::nullopt;
    std::vector<int> sourceX(width);
    for (int x = 0; x < width; ++x) sourceX[x] = int(int64_t(x) * image.width / width);
    for (int y = 0; y < height; ++y) {
        const int sy = int(int64_t(y) * image.height / height);
        const uint32_t* s = reinterpret_cast<const uint32_t*>(image.row(sy));
        uint32_t* d = reinterpret_cast<uint32_t*>(out->row(y));
        for (int x = 0; x < width; ++x) d[x] = s[sourceX[x]];
    }
    return out;
}

std::optional<Image> ResizeBilinear(const Image& image, int width, int height) {
    auto out = CreateImageUninitialized(width, height, image.bitsPerPixel);
    if (!out) return std::nullopt;
    struct Tap {
        int i0, i1;
        float f;
    };
    auto taps = [](int outSize, int inSize) {
        std::vector<Tap> t(outSize);
        const double scale = double(inSize) / outSize;
        for (int i = 0; i < outSize; ++i) {
            double s = (i + 0.5) * scale - 0.5;
            s = std::clamp(s, 0.0, double(inSize - 1));
            const int i0 = int(std::floor(s));
            t[i] = {i0, std::min(i0 + 1, inSize - 1), float(s - i0)};
        }
        return t;
    };
    const std::vector<Tap> tx = taps(width, image.width), ty = taps(height, image.height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* r0 = image.row(ty[y].i0);
        const uint8_t* r1 = image.row(ty[y].i1);
        const float fy = ty[y].f;
        uint8_t* d = out->row(y);
        for (int x = 0; x < width; ++x) {
            const Tap& t = tx[x];
            for (int c = 0; c < 4; ++c) {
                const float top = r0[t.i0 * 4 + c] + (r0[t.i1 * 4 + c] - r0[t.i0 * 4 + c]) * t.f;
                const float bottom = r1[t.i0 * 4 + c] + (r1[t.i1 * 4 + c] - r1[t.i0 * 4 + c]) * t.f;
                d[x * 4 + c] = uint8_t(std::lround(top + (bottom - top) * fy));
            }
        }
    }
    return out;
}
