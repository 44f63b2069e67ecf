#include "imageformats/dds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/image_checks.h"
#include "platform/bytes.h"
#include "platform/file_io.h"
#include "texformats/dxt.h"
#include "tools/resize.h"

namespace {

constexpr std::size_t kHeaderEnd = 128;  // "DDS " + the 124-byte header
constexpr uint32_t kHeaderSize = 124;

// Header field offsets in the file (the header flags at 8 are not needed for reading).
constexpr std::size_t kHeightAt = 12, kWidthAt = 16, kPixelFormatFlagsAt = 80,
                      kFourCcAt = 84, kBitCountAt = 88, kRedMaskAt = 92, kGreenMaskAt = 96,
                      kBlueMaskAt = 100;

constexpr uint32_t kPixelFormatHasAlpha = 0x1, kPixelFormatFourCc = 0x4, kPixelFormatRgb = 0x40;
constexpr uint32_t kRedMask = 0x00FF0000, kGreenMask = 0x0000FF00, kBlueMask = 0x000000FF,
                   kAlphaMask = 0xFF000000;

// Header flags and caps of written files.
constexpr uint32_t kFlagsBase = 0x1007;  // caps, height, width, pixel format
constexpr uint32_t kFlagPitch = 0x8, kFlagMipmapCount = 0x20000, kFlagLinearSize = 0x80000;
constexpr uint32_t kCapsTexture = 0x1000, kCapsMipmapComplex = 0x400008;

bool Fail(LoadInfo& info, const char* message) {
    info.error = message;
    return false;
}

// The FourCC as text for messages: up to four characters ending at a zero byte; bytes that are
// not printable ASCII appear as \xNN so that a hostile file cannot put control characters or
// broken UTF-8 into a message box.
std::string FourCcText(const uint8_t* fourCc) {
    std::string text;
    for (int i = 0; i < 4 && fourCc[i] != 0; ++i) {
        const uint8_t c = fourCc[i];
        if (c >= 0x20 && c < 0x7F) {
            text += char(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

int BlockFormatOfFourCc(const uint8_t* fourCc) {
    struct Known {
        char code[5];
        int format;
    };
    static constexpr Known kKnown[] = {
        {"DXT1", kDxt1}, {"DXT3", kDxt3}, {"DXT5", kDxt5}, {"ATI2", kBc5}, {"BC5U", kBc5}};
    for (const Known& known : kKnown)
        if (std::memcmp(fourCc, known.code, 4) == 0) return known.format;
    return 0;
}

std::optional<Image> DecodeBlocks(std::span<const uint8_t> file, int width, int height, int format,
                                  LoadInfo& info) {
    const std::span<const uint8_t> data = file.subspan(kHeaderEnd);
    if (data.size() < DxtDataSize(width, height, format)) {
        Fail(info, "The DDS image data is incomplete.");
        return std::nullopt;
    }
    auto image = DecodeDxt(data.data(), data.size(), width, height, format);
    if (!image) Fail(info, "Not enough memory for the image.");
    return image;
}

std::optional<Image> DecodeBgra(std::span<const uint8_t> file, int width, int height, LoadInfo& info) {
    const uint8_t* header = file.data();
    if (Le32(header + kBitCountAt) != 32 || Le32(header + kRedMaskAt) != kRedMask ||
        Le32(header + kGreenMaskAt) != kGreenMask || Le32(header + kBlueMaskAt) != kBlueMask) {
        Fail(info, "This DDS pixel format is not supported.");
        return std::nullopt;
    }
    const std::size_t pixelCount = std::size_t(width) * std::size_t(height);
    if (file.size() - kHeaderEnd < pixelCount * 4) {
        Fail(info, "The DDS image data is incomplete.");
        return std::nullopt;
    }
    auto image = CreateImageUninitialized(width, height, 32);
    if (!image) {
        Fail(info, "Not enough memory for the image.");
        return std::nullopt;
    }
    const bool useAlpha = Le32(header + kPixelFormatFlagsAt) & kPixelFormatHasAlpha;
    const uint8_t* in = file.data() + kHeaderEnd;
    uint8_t* out = image->pixels.data();
    for (std::size_t i = 0; i < pixelCount; ++i, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = useAlpha ? in[3] : 255;
    }
    return image;
}

}  // namespace

std::optional<Image> LoadDds(std::span<const uint8_t> file, LoadInfo& info) {
    if (file.size() < kHeaderEnd || std::memcmp(file.data(), "DDS ", 4) != 0 ||
        Le32(file.data() + 4) != kHeaderSize) {
        Fail(info, "This is not a DDS file.");
        return std::nullopt;
    }
    const uint8_t* header = file.data();
    const uint32_t height = Le32(header + kHeightAt), width = Le32(header + kWidthAt);
    if (width < 1 || height < 1 || width > kMaxDdsSide || height > kMaxDdsSide) {
        Fail(info, "Invalid DDS dimensions.");
        return std::nullopt;
    }
    info.width = int32_t(width);
    info.height = int32_t(height);

    const uint8_t* fourCc = header + kFourCcAt;
    const bool compressed = Le32(header + kPixelFormatFlagsAt) & kPixelFormatFourCc;
    int blockFormat = 0;
    if (compressed) {
        blockFormat = BlockFormatOfFourCc(fourCc);
        if (blockFormat == 0) {
            info.error = "DDS format " + FourCcText(fourCc) +
                         " is not supported (only DXT1, DXT3, DXT5, ATI2/BC5 and 32-bit).";
            return std::nullopt;
        }
    }
    auto image = compressed ? DecodeBlocks(file, int(width), int(height), blockFormat, info)
                            : DecodeBgra(file, int(width), int(height), info);
    if (!image) return std::nullopt;

    info.bytesPerPixel = 4;
    info.formatText = compressed ? "DirectDraw Surface (" + FourCcText(fourCc) + ")"
                                 : "DirectDraw Surface (BGRA 32-bit)";
    info.hasAlpha = blockFormat == kBc5 ? 0 : HasTransparency(*image);
    return image;
}

int DdsLevelCount(int width, int height, bool mipmaps) {
    int levels = 1;
    if (!mipmaps) return levels;
    while (width >= 2 || height >= 2) {
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
        ++levels;
    }
    return levels;
}

namespace {

int BlockFormatOfOutput(int format) {
    switch (format) {
        case kDdsDxt1: return kDxt1;
        case kDdsDxt5: return kDxt5;
        case kDdsBc5: return kBc5;
        default: return 0;  // BGRA
    }
}

std::size_t LevelBytes(int width, int height, int blockFormat) {
    return blockFormat ? DxtDataSize(width, height, blockFormat) : std::size_t(width) * height * 4;
}

void WriteHeader(ByteBuffer& out, int width, int height, int blockFormat, int levels) {
    ByteWriter w{out};
    const bool mipmapped = levels > 1;
    w.Tag("DDS ");
    w.U32(kHeaderSize);
    w.U32(kFlagsBase | (blockFormat ? kFlagLinearSize : kFlagPitch) | (mipmapped ? kFlagMipmapCount : 0));
    w.U32(uint32_t(height));
    w.U32(uint32_t(width));
    w.U32(uint32_t(blockFormat ? DxtDataSize(width, height, blockFormat) : std::size_t(width) * 4));
    w.U32(0);  // depth
    w.U32(uint32_t(levels));
    w.Zeros(11 * 4);
    w.U32(32);  // pixel format size
    if (blockFormat) {
        w.U32(kPixelFormatFourCc);
        w.Tag(blockFormat == kDxt1 ? "DXT1" : blockFormat == kDxt5 ? "DXT5" : "ATI2");
        w.Zeros(5 * 4);  // bit count and the four masks
    } else {
        w.U32(kPixelFormatHasAlpha | kPixelFormatRgb);
        w.U32(0);
        w.U32(32);
        w.U32(kRedMask);
        w.U32(kGreenMask);
        w.U32(kBlueMask);
        w.U32(kAlphaMask);
    }
    w.U32(kCapsTexture | (mipmapped ? kCapsMipmapComplex : 0));
    w.Zeros(4 * 4);  // caps 2, caps 3, caps 4, reserved
}

bool AppendBgra(ByteBuffer& out, const Image& level) {
    const std::size_t start = out.size(), bytes = level.byteSize();
    if (!TryResize(out, start + bytes)) return false;
    const uint8_t* in = level.pixels.data();
    uint8_t* dst = out.data() + start;
    for (std::size_t i = 0; i < bytes; i += 4) {
        dst[i] = in[i + 2];
        dst[i + 1] = in[i + 1];
        dst[i + 2] = in[i];
        dst[i + 3] = in[i + 3];
    }
    return true;
}

}  // namespace

bool EncodeDds(const Image& image, int format, bool mipmaps, ByteBuffer& out) {
    if (image.width < 1 || image.height < 1 || format < kDdsDxt1 || format > kDdsBgra) return false;
    const int blockFormat = BlockFormatOfOutput(format);
    const int levels = DdsLevelCount(image.width, image.height, mipmaps);

    // The whole file is sized up front so that the levels never make the buffer move.
    std::size_t total = out.size() + kHeaderEnd;
    for (int i = 0, w = image.width, h = image.height; i < levels; ++i, w = std::max(1, w / 2), h = std::max(1, h / 2))
        total += LevelBytes(w, h, blockFormat);
    try {
        out.reserve(total);
    } catch (const std::bad_alloc&) {
        return false;
    }

    WriteHeader(out, image.width, image.height, blockFormat, levels);
    const Image* level = &image;
    std::optional<Image> smaller;
    for (int i = 0; i < levels; ++i) {
        const bool written = blockFormat ? EncodeDxtImage(out, *level, blockFormat) > 0 : AppendBgra(out, *level);
        if (!written) return false;
        if (i + 1 == levels) break;
        auto next = HalveImage(*level, level->width >= 2, level->height >= 2);
        if (!next) return false;
        smaller = std::move(next);
        level = &*smaller;
    }
    return true;
}

bool SaveDds(const Image& image, const std::string& path, int format, bool mipmaps) {
    ByteBuffer bytes;
    if (!EncodeDds(image, format, mipmaps, bytes)) return false;
    return WriteFileAtomic(path, bytes);
}

int DefaultDdsFormat(bool hasTransparency, bool normalMap) {
    if (normalMap) return kDdsBc5;
    return hasTransparency ? kDdsDxt5 : kDdsDxt1;
}

bool MentionsNormalMap(const std::string& formatText) {
    return ToLower(formatText).find("normal") != std::string::npos;
}

bool DdsFormatHasAlpha(int format) { return format != kDdsDxt1 && format != kDdsBc5; }
