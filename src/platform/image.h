// Our RGBA8 image: the pixel type every decoder produces and every writer consumes.
//
// Pixels are always stored as four bytes, red, green, blue, alpha, rows top to bottom without
// padding. An image of 24 bits per pixel is the same buffer whose alpha bytes are all 255 and
// mean nothing; writers of 24-bit formats ignore them. Memory comes from ByteBuffer (huge
// pages for large images). All functions report allocation failure by returning nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/byte_buffer.h"

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

/// Largest side any image of the program may have; larger claims are refused before allocation.
constexpr int kMaxImageSide = 65536;
/// Largest pixel count (1 Gi pixels = 4 GiB of RGBA).
constexpr int64_t kMaxImagePixels = int64_t(1) << 30;

struct Image {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;  // 24 or 32
    ByteBuffer pixels;      // width * height * 4 bytes, RGBA

    std::size_t pitch() const { return std::size_t(width) * 4; }
    std::size_t byteSize() const { return pitch() * std::size_t(height); }
    uint8_t* row(int y) { return pixels.data() + pitch() * std::size_t(y); }
    const uint8_t* row(int y) const { return pixels.data() + pitch() * std::size_t(y); }
    uint8_t* at(int x, int y) { return row(y) + std::size_t(x) * 4; }
    const uint8_t* at(int x, int y) const { return row(y) + std::size_t(x) * 4; }
    bool hasAlphaChannel() const { return bitsPerPixel == 32; }
};

/// True when width x height is a size an image may have (both >= 1, within the limits above).
bool IsValidImageSize(int64_t width, int64_t height);

/// A width x height image with uninitialised pixels; none for an invalid size or no memory.
std::optional<Image> CreateImageUninitialized(int width, int height, int bitsPerPixel = 32);
/// A width x height image filled with fill (alpha forced to 255 for 24 bits per pixel).
std::optional<Image> CreateImage(int width, int height, int bitsPerPixel = 32, Rgba fill = {0, 0, 0, 255});
std::optional<Image> CopyImage(const Image& image);

Rgba GetPixel(const Image& image, int x, int y);
void SetPixel(Image& image, int x, int y, Rgba color);

/// Draws src onto dst with its top-left corner at (x, y), blending by src's alpha
/// (out = src * a + dst * (1 - a), rounded). Parts outside dst are clipped. A 24-bit src
/// overwrites. dst keeps its own alpha bytes, except that a 32-bit dst gets
/// out alpha = a + dst_a * (1 - a).
void BlendImage(Image& dst, const Image& src, int x, int y);

/// Nearest-neighbour resize: pixel (x, y) of the result is source pixel (x * w / W, y * h / H).
std::optional<Image> ResizeNearest(const Image& image, int width, int height);
/// Bilinear resize with pixel centres aligned ((x + 0.5) * w / W - 0.5), edges clamped.
std::optional<Image> ResizeBilinear(const Image& image, int width, int height);
