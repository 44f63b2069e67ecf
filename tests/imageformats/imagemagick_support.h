// Cross-checks against an independent reader and writer: Debian's ImageMagick `convert`.
// Tests skip when it is not installed. Pixels travel through raw RGBA files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image.h"
#include "test_support.h"

namespace testing_support {

// The Debian binary by its full path: another `convert` may come first on PATH.
inline constexpr const char* kImageMagickConvert = "/usr/bin/convert";

inline bool HaveImageMagick() { return access(kImageMagickConvert, X_OK) == 0; }

inline bool RunImageMagick(const std::string& arguments) {
    const std::string command = std::string(kImageMagickConvert) + " " + arguments + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
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
    return RunImageMagick("-size " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                          " -depth 8 " + (withAlpha ? "rgba:'" : "rgb:'") + rawPath + "' " + options + " '" +
                          outPath + "'");
}

/// ImageMagick's decoding of path as RGBA bytes, rows top first; empty when it fails.
/// ImageMagick keeps a TGA's origin as an orientation tag and leaves the rows in stored order
/// (its writer does the same), so the tag is applied explicitly with -auto-orient.
inline std::vector<uint8_t> ImageMagickRead(const std::string& path) {
    const std::string rawPath = path + ".decoded.raw";
    if (!RunImageMagick("'" + path + "' -auto-orient -depth 8 rgba:'" + rawPath + "'")) return {};
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

}  // namespace testing_support
