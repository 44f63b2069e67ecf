// Serious Sam 1 texture reader: versions 3 and 4, and effect textures.
//
// Supported: version 4 frames of 3 (RGB) or 4 (RGBA) bytes per pixel, version 3 frames of
// 1-5-5-5 words, effect textures (shown through their base texture or as their effect buffer).
// Only the first frame callers ask for is decoded, at the largest stored mip level; smaller mip
// levels, further chunks after the frames and the animation chunk are ignored. Refused: any
// other version, sizes outside 1..16384 after the first mip level is taken off, and files too
// short for what their header claims.
//
// All integers are little-endian, signed 32-bit; tags are four ASCII bytes.
//
// Version 4                                  Version 3
//   0  "TVER"                                  0  "TVER"
//   4  version = 4                             4  version = 3
//   8  "TDAT"                                  8  "TDAT"
//  12  flags (bit 0: alpha channel,           12  flags (bit 0: alpha channel)
//      bit 1: set by our writer, unused)      16  full width
//  16  full width                             20  full height
//  20  full height                            24  fine mip levels
//  24  fine mip levels                        28  (unused)
//  28  first mip level                        32  first mip level
//  32  frame count                            36  frame size in bytes
//  36  "FRMS" or "FXDT"                       40  frame count
//  40  frames                                 44  "FRMS"
//                                             48  frames
//
// The stored size is the full size shifted right by the first mip level. A version 4 frame is
// exactly width x height pixels of R,G,B(,A) bytes, rows top to bottom; anything after the last
// frame (our writer puts an "ANIM" chunk there) is not read. A version 3 frame may hold the
// smaller mip levels too; its first width x height 16-bit words are the largest level, each
// 1-5-5-5: bit 15 alpha (used only with flags bit 0), bits 10-14 red, 5-9 green, 0-4 blue.
//
// Effect texture (version 4 with "FXDT" at 36): 40 effect class, 44 buffer width, 48 buffer
// height (1..4096 each), then effect data in which two chunks are looked for: the first "FXBF"
// at or after 52, followed by width x height signed 32-bit buffer values; and the last "DFNM",
// followed by a length L and L bytes naming the base texture (folders separated by
// backslashes; only the file name counts).
#include "texformats/ss1_tex.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "platform/bytes.h"
#include "platform/file_io.h"
#include "texformats/tex_loader.h"

namespace {

constexpr int kVersion3HeaderSize = 48;
constexpr int kVersion4HeaderSize = 40;
constexpr int kEffectHeaderSize = 52;
constexpr int kMaxSide = 16384;
constexpr int kMaxEffectSide = 4096;
// Effect textures may name each other; following at most this many bases ends any cycle.
constexpr int kMaxBaseDepth = 4;

bool HasAlphaFlag(int32_t flags) { return (flags & 1) != 0; }

// v * 255 / 31 for every 5-bit value v.
constexpr std::array<uint8_t, 32> kFiveBitTo8 = [] {
    std::array<uint8_t, 32> table{};
    for (int v = 0; v < 32; ++v) table[v] = uint8_t(v * 255 / 31);
    return table;
}();

void Decode1555(const uint8_t* src, uint8_t* dst, std::size_t count, bool useAlphaBit) {
    for (std::size_t i = 0; i < count; ++i, src += 2, dst += 4) {
        const uint16_t word = Le16(src);
        dst[0] = kFiveBitTo8[(word >> 10) & 31];
        dst[1] = kFiveBitTo8[(word >> 5) & 31];
        dst[2] = kFiveBitTo8[word & 31];
        dst[3] = (useAlphaBit && !(word & 0x8000)) ? 0 : 255;
    }
}

void DecodeRgb(const uint8_t* src, uint8_t* dst, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
    }
}

std::string Version3Header(std::span<const uint8_t> bytes, LoadInfo& info, int32_t fullWidth, int32_t fullHeight) {
    if (bytes.size() < std::size_t(kVersion3HeaderSize) || !TagAt(bytes, 44, "FRMS"))
        return "Unknown version 3 layout: FRMS chunk missing.";
    const uint8_t* p = bytes.data();
    info.fineMipCount = LeS32(p + 24);
    info.firstMip = LeS32(p + 32);
    info.frameSize = LeS32(p + 36);
    info.frameCount = LeS32(p + 40);
    info.dataOffset = kVersion3HeaderSize;
    info.bytesPerPixel = 2;
    if (std::string error = CheckSs1Size(info, fullWidth, fullHeight); !error.empty()) return error;
    if (int64_t(info.frameSize) < int64_t(info.width) * info.height * 2) return "The stored frame size is too small.";
    return {};
}

// Empty text with info.isEffect still 0 means the frames follow at 40.
std::string Version4Header(std::span<const uint8_t> bytes, LoadInfo& info, int32_t fullWidth, int32_t fullHeight) {
    const uint8_t* p = bytes.data();
    info.fineMipCount = LeS32(p + 24);
    info.firstMip = LeS32(p + 28);
    info.frameCount = LeS32(p + 32);
    if (std::string error = CheckSs1Size(info, fullWidth, fullHeight); !error.empty()) return error;
    if (TagAt(bytes, 36, "FXDT")) return ReadEffectData(bytes, info);
    if (!TagAt(bytes, 36, "FRMS")) return "Unknown layout: FRMS chunk missing.";
    info.bytesPerPixel = HasAlphaFlag(info.flags) ? 4 : 3;
    info.dataOffset = kVersion4HeaderSize;
    info.frameSize = info.width * info.height * info.bytesPerPixel;  // at most 16384^2 * 4 = 2^30
    return {};
}

// The part of a DFNM name after its last backslash.
std::string BaseFileName(const std::string& storedName) {
    const auto slash = storedName.find_last_of('\\');
    return slash == std::string::npos ? storedName : storedName.substr(slash + 1);
}

std::optional<Image> NotEnoughMemory(LoadInfo& info) {
    info.error = "Not enough memory for the image.";
    return std::nullopt;
}

// An effect texture stores no picture of its own: show its base texture from the same folder,
// else its effect buffer, else explain what is missing.
std::optional<Image> LoadEffectTexture(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                       int depth, const HdrSettings& hdr) {
    const std::string baseName = BaseFileName(info.baseName);
    const bool hasBuffer = info.dataOffset != 0;

    // Bytes from an archive have no folder to look in; the archive itself is never searched.
    bool baseFound = false;
    LoadInfo baseInfo;
    std::optional<Image> base;
    if (depth < kMaxBaseDepth && !baseName.empty() && !sourcePath.empty()) {
        const std::string basePath = FindFileNoCase(FolderOf(sourcePath), baseName);
        if (!basePath.empty()) {
            baseFound = true;
            base = LoadTexFile(basePath, baseInfo, 0, depth + 1, hdr);
        }
    }

    if (baseFound && !base && !hasBuffer) {
        info.error = baseName + ": " + baseInfo.error;
        return std::nullopt;
    }
    if (base) {
        info.width = baseInfo.width;
        info.height = baseInfo.height;
        info.bytesPerPixel = baseInfo.bytesPerPixel;
        info.hasAlpha = baseInfo.hasAlpha;
        info.baseShown = baseInfo.baseShown.empty() ? baseName : baseInfo.baseShown;
        info.note = "Effect texture: showing base texture " + info.baseShown + " (without the effect).";
        return base;
    }
    if (!hasBuffer) {
        info.error = "This effect texture stores no image data. Place its base texture";
        if (!baseName.empty()) info.error += " (" + baseName + ")";
        info.error += " in the same folder to view it.";
        return std::nullopt;
    }

    info.width = info.effectWidth;
    info.height = info.effectHeight;
    info.bytesPerPixel = 3;
    info.hasAlpha = 0;
    info.note = "Effect texture: showing the effect buffer as a grayscale image";
    if (!baseName.empty()) info.note += " (base texture " + baseName + " not found in this folder)";
    info.note += ".";
    std::optional<Image> image = EffectBufferImage(bytes, info);
    if (!image) return NotEnoughMemory(info);
    return image;
}

}  // namespace

std::optional<Image> LoadSs1Tex(std::span<const uint8_t> bytes, LoadInfo& info, const std::string& sourcePath,
                                int frame, int depth, const HdrSettings& hdr) {
    info.kind = 1;
    if (std::string error = ReadSs1Header(bytes, info); !error.empty()) {
        info.error = std::move(error);
        return std::nullopt;
    }
    if (info.isEffect) return LoadEffectTexture(bytes, info, sourcePath, depth, hdr);
    if (frame < 0 || frame >= info.frameCount) frame = 0;
    std::optional<Image> image = DecodeSs1Frame(bytes, info, frame);
    if (!image) return NotEnoughMemory(info);
    return image;
}

std::string ReadSs1Header(std::span<const uint8_t> bytes, LoadInfo& info) {
    if (bytes.size() < std::size_t(kVersion4HeaderSize) || !TagAt(bytes, 0, "TVER"))
        return "This is not a Serious Sam texture (TVER chunk missing).";
    const uint8_t* p = bytes.data();
    info.version = LeS32(p + 4);
    if (!TagAt(bytes, 8, "TDAT")) return "Unknown layout: TDAT chunk missing.";
    info.flags = LeS32(p + 12);
    const int32_t fullWidth = LeS32(p + 16);
    const int32_t fullHeight = LeS32(p + 20);

    std::string error;
    if (info.version == 3) {
        error = Version3Header(bytes, info, fullWidth, fullHeight);
    } else if (info.version == 4) {
        error = Version4Header(bytes, info, fullWidth, fullHeight);
        if (info.isEffect) return error;  // effect data has no frames to measure
    } else {
        return "Texture version " + std::to_string(info.version) + " is not supported (only versions 3 and 4).";
    }
    if (!error.empty()) return error;

    info.hasAlpha = HasAlphaFlag(info.flags) ? 1 : 0;
    if (int64_t(info.dataOffset) + int64_t(info.frameSize) * info.frameCount > int64_t(bytes.size()))
        return "The file is too short for " + std::to_string(info.frameCount) + " frame(s) of " +
               std::to_string(info.width) + " x " + std::to_string(info.height) + ".";
    return {};
}

std::string CheckSs1Size(LoadInfo& info, int32_t fullWidth, int32_t fullHeight) {
    if (info.firstMip < 0 || info.firstMip > 31) return "Invalid firstMip value: " + std::to_string(info.firstMip);
    info.width = fullWidth >> info.firstMip;
    info.height = fullHeight >> info.firstMip;
    if (info.width < 1 || info.width > kMaxSide || info.height < 1 || info.height > kMaxSide)
        return "Invalid dimensions: " + std::to_string(info.width) + " x " + std::to_string(info.height);
    if (info.frameCount < 1) return "The file contains no frames.";
    return {};
}

std::string ReadEffectData(std::span<const uint8_t> bytes, LoadInfo& info) {
    info.isEffect = 1;
    // A file cut inside the FXDT header has no buffer size to speak of.
    if (bytes.size() < std::size_t(kEffectHeaderSize)) return "Invalid effect buffer dimensions.";
    const uint8_t* p = bytes.data();
    info.effectClass = LeS32(p + 40);
    info.effectWidth = LeS32(p + 44);
    info.effectHeight = LeS32(p + 48);
    if (info.effectWidth < 1 || info.effectWidth > kMaxEffectSide || info.effectHeight < 1 ||
        info.effectHeight > kMaxEffectSide)
        return "Invalid effect buffer dimensions.";

    const int64_t bufferTag = FindTag(bytes, kEffectHeaderSize, "FXBF");
    if (bufferTag >= 0) {
        const int64_t bufferStart = bufferTag + 4;
        const int64_t bufferBytes = int64_t(info.effectWidth) * info.effectHeight * 4;
        // dataOffset is a 32-bit field; a buffer beyond 2 GiB is as unreachable as a missing one.
        if (bufferStart > INT32_MAX || int64_t(bytes.size()) < bufferStart + bufferBytes)
            return "The effect buffer is incomplete.";
        info.dataOffset = int32_t(bufferStart);
    }

    const int64_t nameTag = FindTagBackward(bytes, kEffectHeaderSize, "DFNM");
    if (nameTag >= 0 && nameTag + 8 <= int64_t(bytes.size())) {
        const int32_t length = LeS32(p + nameTag + 4);
        if (length >= 1 && nameTag + 8 + length <= int64_t(bytes.size())) {
            const char* name = reinterpret_cast<const char*>(p + nameTag + 8);
            info.baseName.assign(name, strnlen(name, std::size_t(length)));
        }
    }
    return {};
}

std::optional<Image> DecodeSs1Frame(std::span<const uint8_t> bytes, const LoadInfo& info, int frame) {
    const int bpp = info.bytesPerPixel;
    if (bpp < 2 || bpp > 4 || frame < 0 || info.dataOffset < 0 || info.frameSize < 0) return std::nullopt;
    const std::size_t pixelCount = std::size_t(std::max(info.width, 0)) * std::size_t(std::max(info.height, 0));
    const int64_t start = int64_t(info.dataOffset) + int64_t(frame) * info.frameSize;
    if (start + int64_t(pixelCount * bpp) > int64_t(bytes.size())) return std::nullopt;

    std::optional<Image> image = CreateImageUninitialized(info.width, info.height, 32);
    if (!image) return std::nullopt;
    const uint8_t* src = bytes.data() + start;
    uint8_t* dst = image->pixels.data();
    switch (bpp) {
        case 2: Decode1555(src, dst, pixelCount, HasAlphaFlag(info.flags)); break;
        case 3: DecodeRgb(src, dst, pixelCount); break;
        case 4: std::memcpy(dst, src, pixelCount * 4); break;  // stored exactly as our RGBA rows
    }
    return image;
}

std::optional<Image> EffectBufferImage(std::span<const uint8_t> bytes, const LoadInfo& info) {
    const int width = info.effectWidth, height = info.effectHeight;
    if (width < 1 || width > kMaxEffectSide || height < 1 || height > kMaxEffectSide || info.dataOffset < 0)
        return std::nullopt;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    if (std::size_t(info.dataOffset) + count * 4 > bytes.size()) return std::nullopt;
    const uint8_t* values = bytes.data() + info.dataOffset;

    int64_t minimum = LeS32(values), maximum = minimum;
    for (std::size_t i = 1; i < count; ++i) {
        const int64_t v = LeS32(values + i * 4);
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
    }
    if (maximum == minimum) maximum = minimum + 1;  // a flat buffer shows black

    std::optional<Image> image = CreateImageUninitialized(width, height, 32);
    if (!image) return std::nullopt;
    uint8_t* dst = image->pixels.data();
    for (std::size_t i = 0; i < count; ++i, dst += 4) {
        const uint8_t gray = uint8_t((LeS32(values + i * 4) - minimum) * 255 / (maximum - minimum));
        dst[0] = dst[1] = dst[2] = gray;
        dst[3] = 255;
    }
    return image;
}
