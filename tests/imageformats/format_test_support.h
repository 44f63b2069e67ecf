// Helpers of the image format tests: running a loader on bytes, pixel lists, and
// cross-checks against ImageMagick as an independent reader and writer (pixels travel through
// raw RGBA files; tests skip when external_tools::HaveImageMagick is false).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imageformats/external_tools.h"
#include "platform/byte_buffer.h"
#include "platform/image.h"
#include "test_support.h"
#include "texformats/load_info.h"

namespace testing_support {

struct Loaded {
    std::optional<Image> image;
    LoadInfo info;
};

using ImageLoader = std::optional<Image> (*)(std::span<const uint8_t>, LoadInfo&);

inline Loaded LoadWith(ImageLoader loader, const std::vector<uint8_t>& bytes) {
    Loaded result;
    result.image = loader(bytes, result.info);
    return result;
}

/// The pixels of image, rows top first.
inline std::vector<Rgba> Pixels(const Image& image) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) pixels.push_back(GetPixel(image, x, y));
    return pixels;
}

inline std::vector<uint8_t> ToVector(const ByteBuffer& bytes) { return {bytes.begin(), bytes.end()}; }

inline bool RunImageMagick(const std::string& arguments) {
    return external_tools::Run("/usr/bin/convert " + arguments + " 2>/dev/null");
}

/// Has ImageMagick write image (as RGBA, or RGB when !withAlpha) to outPath, with extra
/// options such as "-compress RLE -orient TopLeft" placed before the output name.
inline bool ImageMagickWrite(const Image& image, bool withAlpha, const std::string& options,
                             const std::string& outPath) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = GetPixel(image, x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b});
            if (withAlpha) raw.push_back(p.a);
        }
    const std::string rawPath = outPath + ".raw";
    WriteBytes(rawPath, raw);
    const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
    return RunImageMagick("-size " + size + " -depth 8 " + (withAlpha ? "rgba:" : "rgb:") +
                          external_tools::Quote(rawPath) + " " + options + " " + external_tools::Quote(outPath));
}

/// ImageMagick's decoding of path as RGBA bytes, rows top first; empty when it fails.
/// ImageMagick keeps a TGA's origin as an orientation tag and leaves the rows in stored order
/// (its writer does the same), so the tag is applied explicitly with -auto-orient.
inline std::vector<uint8_t> ImageMagickRead(const std::string& path) {
    const std::string rawPath = path + ".decoded.raw";
    const std::string output = "rgba:" + external_tools::Quote(rawPath);
    if (!RunImageMagick(external_tools::Quote(path) + " -auto-orient -depth 8 " + output)) return {};
    return ReadBytes(rawPath);
}

inline std::vector<uint8_t> RgbaBytes(const Image& image) {
    std::vector<uint8_t> bytes;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = GetPixel(image, x, y);
            bytes.insert(bytes.end(), {p.r, p.g, p.b, p.a});
        }
    return bytes;
}

/// An odd-sized image with flat stretches (runs for RLE writers), gradients and, with alpha,
/// several alpha levels.
inline Image CrossCheckImage(int width, int height, bool withAlpha) {
    Image image = *CreateImage(width, height, 32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool flat = x < width / 2;
            SetPixel(image, x, y,
                     {uint8_t(flat ? 200 : x * 11 + y), uint8_t(flat ? y * 20 : x * y), uint8_t(x / 4 * 30),
                      uint8_t(withAlpha ? (x + y) % 4 * 85 : 255)});
        }
    return image;
}

/// At most 70 colours, so ImageMagick writes it as a palette image without loss.
inline Image FewColoursImage(int width, int height) {
    Image image = *CreateImage(width, height, 32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(image, x, y, {uint8_t(x / 4 % 10 * 25), uint8_t(y / 3 % 7 * 40), 100, 255});
    return image;
}

/// A file for ImageMagick to write: the image, whether its alpha goes in, the options, and the
/// value of the header byte that shows ImageMagick chose the intended layout.
struct ImageMagickFile {
    const char* name;
    const Image& image;
    bool withAlpha;
    const char* options;
    uint8_t layoutByte;
};

/// Has ImageMagick write each file to path (whose extension names the format), checks the
/// header byte at layoutOffset, and expects loader to decode it to the pixels ImageMagick
/// decodes (and, when sameAsSource, to the image written).
inline void ExpectReadsLikeImageMagick(ImageLoader loader, std::size_t layoutOffset,
                                       std::span<const ImageMagickFile> files, const std::string& path,
                                       bool sameAsSource) {
    for (const ImageMagickFile& file : files) {
        SCOPED_TRACE(file.name);
        ASSERT_TRUE(ImageMagickWrite(file.image, file.withAlpha, file.options, path));
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_GT(bytes.size(), layoutOffset);
        EXPECT_EQ(bytes[layoutOffset], file.layoutByte);
        const Loaded loaded = LoadWith(loader, bytes);
        ASSERT_TRUE(loaded.image) << loaded.info.error;
        EXPECT_EQ(RgbaBytes(*loaded.image), ImageMagickRead(path));
        if (sameAsSource) {
            EXPECT_EQ(RgbaBytes(*loaded.image), RgbaBytes(file.image));
        }
    }
}

}  // namespace testing_support
