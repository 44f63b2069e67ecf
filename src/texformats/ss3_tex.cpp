// Serious Sam 3 and 2017 texture reader.
//
// Supported: the texture classes CAnimTexture (first frame), CColorTexture, CStaticTexture and
// CBaseTexture; uncompressed data with 1 to 4 channels, interleaved or as delta-coded planes;
// DXT1, DXT3, DXT5 and BC5 blocks; the HDR format 12 (RGBE with exponents in eighths of a
// stop), which is kept as RGBE beside the tone-mapped image. Only the largest mip level is read.
// Refused: data sizes that fit no plane layout, more than 4 channels, interleaved data with
// fewer than 4 channels.
//
// Byte layout (offsets from the "CTSEMETA" tag; integers little-endian signed 32-bit):
//
//   where      size  content
//   0          8     "CTSEMETA"
//   8          8     not read
//   16         4     length L of the version text
//   20         L     version text; "SE2017" in it marks the 2017 revision (own format names)
//   anywhere   -     class name, looked for in the order CAnimTexture, CColorTexture,
//                    CStaticTexture, CBaseTexture (the first name found decides)
//   o          4     "OBJS", its first occurrence
//   s - 16     4     width in pixels (1..16384)
//   s - 12     4     height in pixels (1..16384)
//   s - 8      4     flags: 1 mipmaps, 4 constant, 8 resident, 0x80 normalmap, 0x100 atlas,
//                    0x200 planar storage, 0x400 no streaming
//   s - 4      4     format code (Ss3FormatName)
//   s          4     "STAR", its first occurrence at or after o; s >= 16
//   s + 4      4     data size D
//   s + 8      D     pixel data, not packed
//   s + 8 + D  4     wrap mode U (optional, as in Serious Sam 2 files)
//   s + 12 + D 4     wrap mode V (optional)
//
// Pixel data by format code: 9 DXT1, 10 DXT5, 11 DXT3, 15 BC5 blocks. Every other code holds n
// channels of bytes: n = D / (pixels of the whole mip chain) when that divides evenly, else
// n = D / (width * height). Without flag 0x200 the first width * height * 4 bytes are
// interleaved blue, green, red, alpha. With it each channel is a plane (red, green, blue,
// alpha; a single plane of format 8 is alpha) of delta-coded bytes: a running sum modulo 256
// per plane gives the values. One channel is gray, two are the X and Y of a normal map (Z is
// reconstructed), three are opaque. Format 12 with four channels is HDR: blue, green and red
// mantissas m and an exponent byte E; a channel is (m + 0.5) * 2^((E - 127.5) / 8) / 256.
#include "texformats/ss3_tex.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imageformats/hdr.h"
#include "texformats/dxt.h"
#include "texformats/ss2_tex.h"
#include "texformats/tex_loader.h"

namespace {

constexpr int32_t kMaxSide = 16384;
constexpr int32_t kPlanarFlag = 0x200;
constexpr int32_t kAlphaOnlyFormat = 8;
constexpr int32_t kHdrFormat = 12;

constexpr std::array<FlagWord, 6> kSs3FlagWords{{
    {0x1, "mipmaps"},
    {0x4, "constant"},
    {0x8, "resident"},
    {0x80, "normalmap"},
    {0x100, "atlas"},
    {0x400, "no streaming?"},
}};

constexpr const char* kClassNames[] = {"CAnimTexture", "CColorTexture", "CStaticTexture", "CBaseTexture"};

std::optional<Image> Fail(LoadInfo& info, std::string message) {
    info.error = std::move(message);
    return std::nullopt;
}

/// The first of the class names that occurs anywhere in bytes; empty when none does.
std::string FindClassName(std::span<const uint8_t> bytes) {
    for (const char* name : kClassNames)
        if (FindTag(bytes, 0, name) >= 0) return name;
    return {};
}

std::string ClassNote(const std::string& className) {
    if (className == "CAnimTexture") return "   Animated texture: first frame shown";
    if (className == "CStaticTexture") return {};
    return "   " + className;
}

/// The DXT decoder's format for a block-compressed format code; 0 for uncompressed codes.
int BlockFormat(int32_t code) {
    switch (code) {
        case 9: return kDxt1;
        case 10: return kDxt5;
        case 11: return kDxt3;
        case 15: return kBc5;
        default: return 0;
    }
}

/// Writes one channel of every pixel from a delta-coded plane into bgra at byte offset channel.
void UndeltaPlane(const uint8_t* plane, std::size_t pixels, int channel, uint8_t* bgra) {
    uint8_t sum = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        sum = uint8_t(sum + plane[i]);
        bgra[i * 4 + std::size_t(channel)] = sum;
    }
}

/// Fills the channels that n stored channels leave open.
void CompleteChannels(int channels, bool alphaOnly, std::size_t pixels, uint8_t* bgra) {
    for (std::size_t i = 0; i < pixels; ++i) {
        uint8_t* p = bgra + i * 4;
        switch (channels) {
            case 1:
                if (alphaOnly) {
                    p[0] = p[1] = p[2] = 0;
                } else {
                    p[0] = p[1] = p[2];  // the gray value sits in the red position
                    p[3] = 255;
                }
                break;
            case 2:
                p[0] = Bc5Blue(p[2], p[1]);
                p[3] = 255;
                break;
            case 3: p[3] = 255; break;
            default: break;
        }
    }
}

/// The display value of every (exponent, mantissa) pair that occurs, computed once each with
/// ToneChannel: a 4096 x 4096 texture then costs a few thousand pow() calls instead of fifty
/// million, with results identical to calling it per channel.
class HdrToneTable {
public:
    HdrToneTable(const std::array<double, 256>& factors, const HdrSettings& hdr)
        : factors_(factors), k_(std::exp2(hdr.exposure)), tone_(hdr.tone) {}
    uint8_t operator()(uint8_t mantissa, uint8_t exponent) {
        uint8_t* row = table_.data() + std::size_t(exponent) * 256;
        if (!ready_[exponent]) {
            for (int m = 0; m < 256; ++m) row[m] = uint8_t(ToneChannel((m + 0.5) * factors_[exponent], k_, tone_));
            ready_[exponent] = true;
        }
        return row[mantissa];
    }

private:
    const std::array<double, 256>& factors_;
    double k_;
    int tone_;
    std::array<uint8_t, 256 * 256> table_;
    std::array<bool, 256> ready_{};
};

std::array<double, 256> HdrFactors() {
    std::array<double, 256> factors;
    for (int e = 0; e < 256; ++e) factors[std::size_t(e)] = Ss3HdrFactor(e);
    return factors;
}

/// The RGBE copy of HDR pixels; left empty when the memory cannot be had (the image is still
/// built, only exposure changes without reloading are lost).
void KeepRgbe(const ByteBuffer& bgra, const std::array<double, 256>& factors, LoadInfo& info) {
    if (!TryResize(info.rgbeData, bgra.size())) return;
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        const double f = factors[bgra[i + 3]];
        EncodeRgbe((bgra[i + 2] + 0.5) * f, (bgra[i + 1] + 0.5) * f, (bgra[i] + 0.5) * f, &info.rgbeData[i]);
    }
}

void ToneMapHdr(const ByteBuffer& bgra, const std::array<double, 256>& factors, const HdrSettings& hdr,
                Image& image) {
    HdrToneTable tone(factors, hdr);
    uint8_t* out = image.pixels.data();
    for (std::size_t i = 0; i < bgra.size(); i += 4, out += 4) {
        const uint8_t e = bgra[i + 3];
        out[0] = tone(bgra[i + 2], e);
        out[1] = tone(bgra[i + 1], e);
        out[2] = tone(bgra[i], e);
        out[3] = 255;
    }
}

void CopyBgra(const ByteBuffer& bgra, bool keepAlpha, Image& image) {
    uint8_t* out = image.pixels.data();
    for (std::size_t i = 0; i < bgra.size(); i += 4, out += 4) {
        out[0] = bgra[i + 2];
        out[1] = bgra[i + 1];
        out[2] = bgra[i];
        out[3] = keepAlpha ? bgra[i + 3] : 255;
    }
}

bool AnyAlphaBelowOpaque(const ByteBuffer& bgra) {
    for (std::size_t i = 3; i < bgra.size(); i += 4)
        if (bgra[i] < 255) return true;
    return false;
}

std::optional<Image> DecodeBlocks(std::span<const uint8_t> data, int blockFormat, int32_t code, LoadInfo& info) {
    info.bytesPerPixel = 4;
    info.hasAlpha = code == 10 || code == 11 ? 1 : 0;
    std::optional<Image> image = DecodeDxt(data.data(), data.size(), info.width, info.height, blockFormat);
    if (!image) return Fail(info, "The compressed image data is incomplete.");
    return image;
}

std::optional<Image> DecodeChannels(std::span<const uint8_t> data, int32_t code, const HdrSettings& hdr,
                                    LoadInfo& info) {
    std::optional<Ss3Pixels> pixels = UnpackSs3Pixels(data, info.width, info.height, info.flags, code);
    if (!pixels)
        return Fail(info, "The image data of " + info.formatText + " could not be read (" +
                              std::to_string(data.size()) + " bytes).");
    info.bytesPerPixel = pixels->channels;
    info.isHdr = code == kHdrFormat && pixels->channels == 4 ? 1 : 0;
    info.hasAlpha = 0;

    std::array<double, 256> factors{};
    if (info.isHdr) {
        factors = HdrFactors();
        KeepRgbe(pixels->bgra, factors, info);
        info.note += "   " + HdrNote(hdr);
    } else {
        info.hasAlpha = AnyAlphaBelowOpaque(pixels->bgra) ? 1 : 0;
    }

    std::optional<Image> image = CreateImageUninitialized(info.width, info.height, 32);
    if (!image) return Fail(info, "Not enough memory for the image.");
    if (info.isHdr)
        ToneMapHdr(pixels->bgra, factors, hdr, *image);
    else
        CopyBgra(pixels->bgra, info.hasAlpha == 1, *image);
    return image;
}

std::optional<Image> ReadTexture(std::span<const uint8_t> bytes, LoadInfo& info, const HdrSettings& hdr) {
    info.kind = 3;
    info.versionText = CtseVersionText(bytes);
    const bool isSs3 = info.versionText.find("SE2017") == std::string::npos;

    const std::string className = FindClassName(bytes);
    if (className.empty()) return Fail(info, "This Serious Sam 3 file does not contain a texture.");
    CtseTexture texture;
    switch (FindCtseTexture(bytes, texture)) {
        case CtseLayout::NoObjs: return Fail(info, "Unknown Serious Sam 3 layout: OBJS chunk missing.");
        case CtseLayout::NoStar: return Fail(info, "Unknown Serious Sam 3 layout: STAR chunk missing.");
        case CtseLayout::Ok: break;
    }
    info.width = texture.width;
    info.height = texture.height;
    info.flags = texture.flags;
    info.frameCount = 1;
    info.formatText = (isSs3 ? "BFE, " : "") + Ss3FormatName(texture.format, isSs3);

    const std::string size = std::to_string(texture.width) + " x " + std::to_string(texture.height);
    if (texture.width < 1 || texture.width > kMaxSide || texture.height < 1 || texture.height > kMaxSide)
        return Fail(info, "Invalid dimensions: " + size);
    if (texture.dataSize == 0)
        return Fail(info, "This texture file contains no image data (" + size + ", " + info.formatText + ").");
    if (texture.dataSize < 0 || uint64_t(texture.star) + uint64_t(texture.dataSize) + 8 > bytes.size())
        return Fail(info, "The image data is incomplete.");
    ReadCtseWrapModes(bytes, texture);
    info.note = CtseNote(Ss3FlagsText(texture.flags), texture) + ClassNote(className);

    const std::span<const uint8_t> data = bytes.subspan(std::size_t(texture.star) + 8, std::size_t(texture.dataSize));
    if (const int blockFormat = BlockFormat(texture.format)) return DecodeBlocks(data, blockFormat, texture.format, info);
    return DecodeChannels(data, texture.format, hdr, info);
}

}  // namespace

std::string Ss3FormatName(int32_t code, bool isSs3) {
    const char* name = nullptr;
    switch (code) {
        case 2: name = isSs3 ? "opaque (24-bit)" : "opaque (32-bit)"; break;
        case 3: name = "translucent (32-bit)"; break;
        case 4: name = isSs3 ? "format 4 (24-bit)" : nullptr; break;
        case 5: name = isSs3 ? "format 5 (32-bit)" : nullptr; break;
        case 6: name = isSs3 ? "normal-map (16-bit, X/Y)" : "grayscale translucent (16-bit)"; break;
        case 7: name = isSs3 ? "grayscale (8-bit)" : "grayscale opaque (8-bit)"; break;
        case 8: name = "alpha only (8-bit)"; break;
        case 9: name = "compressed opaque (4-bit, DXT1)"; break;
        case 10: name = "compressed translucent (8-bit, DXT5)"; break;
        case 11: name = "compressed (DXT3)"; break;
        case 12: name = "HDR opaque (32-bit, RGBE)"; break;
        case 15: name = isSs3 ? nullptr : "compressed normal-map (8-bit, BC5)"; break;
        default: break;
    }
    return name ? std::string(name) : "unknown format " + std::to_string(code);
}

std::string Ss3FlagsText(int32_t flags) { return FlagWordsText(flags, kSs3FlagWords); }

int64_t MipChainPixels(int32_t width, int32_t height) {
    int64_t w = std::max(1, width), h = std::max(1, height), total = 0;
    for (;;) {
        total += w * h;
        if (w == 1 && h == 1) return total;
        w = std::max<int64_t>(1, w / 2);
        h = std::max<int64_t>(1, h / 2);
    }
}

std::optional<Ss3Pixels> UnpackSs3Pixels(std::span<const uint8_t> data, int32_t width, int32_t height,
                                         int32_t flags, int32_t format) {
    if (width < 1 || height < 1) return std::nullopt;
    const uint64_t size = data.size();
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    const uint64_t chain = uint64_t(MipChainPixels(width, height));
    uint64_t planeLength = 0;
    if (size % chain == 0)
        planeLength = chain;
    else if (size % pixels == 0)
        planeLength = pixels;
    else
        return std::nullopt;
    const uint64_t channels = size / planeLength;
    const bool planar = (flags & kPlanarFlag) != 0;
    if (channels < 1 || channels > 4 || (!planar && channels != 4)) return std::nullopt;

    Ss3Pixels result;
    result.channels = int(channels);
    if (!TryResize(result.bgra, std::size_t(pixels) * 4)) return std::nullopt;
    if (!planar) {
        std::copy_n(data.data(), result.bgra.size(), result.bgra.data());
        return result;
    }
    const bool alphaOnly = channels == 1 && format == kAlphaOnlyFormat;
    static constexpr int kPlaneChannel[] = {2, 1, 0, 3};  // red, green, blue, alpha in BGRA
    for (uint64_t plane = 0; plane < channels; ++plane) {
        const int channel = alphaOnly ? 3 : kPlaneChannel[plane];
        UndeltaPlane(data.data() + plane * planeLength, std::size_t(pixels), channel, result.bgra.data());
    }
    CompleteChannels(result.channels, alphaOnly, std::size_t(pixels), result.bgra.data());
    return result;
}

double Ss3HdrFactor(int exponent) { return std::exp2((exponent - 127.5) / 8.0) / 256.0; }

std::optional<Image> ReadSs3Tex(std::span<const uint8_t> bytes, LoadInfo& info, const HdrSettings& hdr) {
    std::optional<Image> image = ReadTexture(bytes, info, hdr);
    if (!image) ReleaseRgbeData(info);
    return image;
}
