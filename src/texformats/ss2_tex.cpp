// Serious Sam 2 texture reader.
//
// Supported: static textures (class "CStaticTexture") in every format code, the largest mip
// level only. Refused: other texture classes (animated, effect, ...).
//
// Byte layout (offsets from the "CTSEMETA" tag; integers little-endian signed 32-bit):
//
//   where      size  content
//   0          8     "CTSEMETA"
//   8          8     not read
//   16         4     length L of the version text
//   20         L     version text, ASCII ("$Version: ..." -- that marker is removed for display)
//   anywhere   14    "CStaticTexture" must occur somewhere in the file
//   o          4     "OBJS", its first occurrence
//   s - 16     4     width in pixels (1..16384)
//   s - 12     4     height in pixels (1..16384)
//   s - 8      4     flags: 1 mipmaps, 4 constant, 8 resident, 64 fastDXTc
//   s - 4      4     format code (Ss2FormatName)
//   s          4     "STAR", its first occurrence at or after o; s >= 16
//   s + 4      4     packed size P (>= 1)
//   s + 8      P     one zlib stream (header, deflate data, Adler-32)
//   s + 8 + P  4     wrap mode U: 80 repeat, 81 clamp to edge, 82 clamp to border (optional)
//   s + 12 + P 4     wrap mode V (optional; both count as 0 unless the file holds s + P + 16 bytes)
//
// Unpacked pixels: DXT1/DXT3/DXT5 blocks for format codes 7/8/9; for every other code rows from
// the top, 4 bytes blue, green, red, alpha per pixel when at least width * height * 4 bytes
// came out, else 3 bytes blue, green, red. Whatever follows the first width * height pixels
// (the smaller mip levels) is ignored.
#include "texformats/ss2_tex.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/bytes.h"
#include "texformats/dxt.h"
#include "texformats/tex_loader.h"

namespace {

constexpr int32_t kMaxSide = 16384;
constexpr int32_t kMaxVersionTextLength = 1000;
// Deflate never produces more than 1032 bytes per input byte (a 258-byte match in two bits),
// so a packed size P can never unpack to more than this bound: reserving more is pointless.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kOutputSlack = 1024;

constexpr std::array<FlagWord, 4> kSs2FlagWords{{
    {0x1, "mipmaps"},
    {0x4, "constant"},
    {0x8, "resident"},
    {0x40, "fastDXTc"},
}};

int32_t S32At(std::span<const uint8_t> bytes, int64_t position) { return LeS32(bytes.data() + position); }

std::optional<Image> Fail(LoadInfo& info, std::string message) {
    info.error = std::move(message);
    return std::nullopt;
}

/// Inflates the packed pixels into out. The buffer is the one the format allows (8 bytes per
/// pixel plus slack) but never more than the packed size can inflate to, so a tiny hostile file
/// cannot claim gigabytes. False on a broken stream, an empty result, or more output than fits.
enum class Unpack { Ok, NoMemory, Broken };
Unpack InflatePixels(std::span<const uint8_t> packed, int32_t width, int32_t height, ByteBuffer& out) {
    const uint64_t formatBound = uint64_t(width) * uint64_t(height) * 8 + kOutputSlack;
    const uint64_t deflateBound = uint64_t(packed.size()) * kMaxDeflateRatio + kOutputSlack;
    if (!TryResize(out, std::size_t(std::min(formatBound, deflateBound)))) return Unpack::NoMemory;
    uLongf produced = uLongf(out.size());
    const int status = uncompress(out.data(), &produced, packed.data(), uLong(packed.size()));
    if (status != Z_OK || produced == 0) return Unpack::Broken;
    out.resize(produced);
    return Unpack::Ok;
}

/// width * height pixels of 4 (blue, green, red, alpha) or 3 (blue, green, red) bytes each.
void CopyBgrPixels(const uint8_t* source, int bytesPerPixel, Image& image) {
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    uint8_t* out = image.pixels.data();
    for (std::size_t i = 0; i < count; ++i, source += bytesPerPixel, out += 4) {
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
        out[3] = bytesPerPixel == 4 ? source[3] : 255;
    }
}

std::optional<Image> DecodeUnpacked(const ByteBuffer& unpacked, int32_t format, LoadInfo& info) {
    const int32_t width = info.width, height = info.height;
    if (format >= 7 && format <= 9) {
        static constexpr int kBlockFormat[] = {kDxt1, kDxt3, kDxt5};
        info.bytesPerPixel = 4;
        info.hasAlpha = format == 7 ? 0 : 1;
        std::optional<Image> image =
            DecodeDxt(unpacked.data(), unpacked.size(), width, height, kBlockFormat[format - 7]);
        if (!image) return Fail(info, "The DXT data is incomplete.");
        return image;
    }
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (unpacked.size() >= pixels * 4) {
        info.bytesPerPixel = 4;
        info.hasAlpha = 1;
    } else if (unpacked.size() >= pixels * 3) {
        info.bytesPerPixel = 3;
        info.hasAlpha = 0;
    } else {
        return Fail(info, "The image data is smaller than expected for " + info.formatText + ".");
    }
    std::optional<Image> image = CreateImageUninitialized(width, height, 32);
    if (!image) return Fail(info, "Not enough memory for the image.");
    CopyBgrPixels(unpacked.data(), info.bytesPerPixel, *image);
    return image;
}

}  // namespace

std::string FlagWordsText(int32_t flags, std::span<const FlagWord> words) {
    std::string text;
    for (const FlagWord& word : words)
        if (flags & word.bit) text += std::string(", ") + word.word;
    return text.empty() ? "none" : text.substr(2);
}

std::string Ss2FormatName(int32_t code) {
    switch (code) {
        case 0: return "opaque (32-bit)";
        case 1: return "translucent (32-bit)";
        case 2: return "opaque (16-bit)";
        case 4: return "translucent (16-bit)";
        case 5: return "grayscale translucent (16-bit)";
        case 6: return "grayscale opaque (8-bit)";
        case 7: return "compressed opaque (4-bit, DXT1)";
        case 8: return "compressed translucent (8-bit, DXT3)";
        case 9: return "compressed alpha (8-bit, DXT5)";
        case 11: return "alpha only (8-bit)";
        default: return "unknown format " + std::to_string(code);
    }
}

std::string Ss2FlagsText(int32_t flags) { return FlagWordsText(flags, kSs2FlagWords); }

std::string WrapModeText(int32_t value) {
    switch (value) {
        case 80: return "repeat";
        case 81: return "clamp to edge";
        case 82: return "clamp to border";
        default: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%X", uint32_t(value));
            return std::string("unknown (") + hex + ")";
        }
    }
}

std::string CtseVersionText(std::span<const uint8_t> bytes) {
    if (bytes.size() < 20) return {};
    const int32_t length = S32At(bytes, 16);
    if (length < 1 || length >= kMaxVersionTextLength || uint64_t(length) + 20 > bytes.size()) return {};
    std::string text(reinterpret_cast<const char*>(bytes.data()) + 20, std::size_t(length));
    static constexpr std::string_view kMarker = "$Version: ";
    for (std::size_t at; (at = text.find(kMarker)) != std::string::npos;) text.erase(at, kMarker.size());
    return text;
}

CtseLayout FindCtseTexture(std::span<const uint8_t> bytes, CtseTexture& texture) {
    const int64_t objs = FindTag(bytes, 0, "OBJS");
    if (objs < 0) return CtseLayout::NoObjs;
    const int64_t star = FindTag(bytes, objs, "STAR");
    if (star < 16 || uint64_t(star) + 8 > bytes.size()) return CtseLayout::NoStar;
    texture = CtseTexture{};
    texture.star = star;
    texture.width = S32At(bytes, star - 16);
    texture.height = S32At(bytes, star - 12);
    texture.flags = S32At(bytes, star - 8);
    texture.format = S32At(bytes, star - 4);
    texture.dataSize = S32At(bytes, star + 4);
    return CtseLayout::Ok;
}

void ReadCtseWrapModes(std::span<const uint8_t> bytes, CtseTexture& texture) {
    const int64_t wraps = texture.star + 8 + int64_t(texture.dataSize);
    if (texture.dataSize < 0 || uint64_t(wraps) + 8 > bytes.size()) {
        texture.wrapU = texture.wrapV = 0;
        return;
    }
    texture.wrapU = S32At(bytes, wraps);
    texture.wrapV = S32At(bytes, wraps + 4);
}

std::string CtseNote(const std::string& flagsText, const CtseTexture& texture) {
    return "Flags: " + flagsText + "   U: " + WrapModeText(texture.wrapU) + "   V: " + WrapModeText(texture.wrapV);
}

std::optional<Image> ReadSs2Tex(std::span<const uint8_t> bytes, LoadInfo& info) {
    info.kind = 2;
    info.versionText = CtseVersionText(bytes);
    if (FindTag(bytes, 0, "CStaticTexture") < 0)
        return Fail(info, "This Serious Sam 2 file is not a CStaticTexture (other kinds are not supported yet).");

    CtseTexture texture;
    switch (FindCtseTexture(bytes, texture)) {
        case CtseLayout::NoObjs: return Fail(info, "Unknown Serious Sam 2 layout: OBJS chunk missing.");
        case CtseLayout::NoStar: return Fail(info, "Unknown Serious Sam 2 layout: STAR chunk missing.");
        case CtseLayout::Ok: break;
    }
    info.width = texture.width;
    info.height = texture.height;
    info.flags = texture.flags;
    info.frameCount = 1;
    info.formatText = Ss2FormatName(texture.format);
    if (texture.width < 1 || texture.width > kMaxSide || texture.height < 1 || texture.height > kMaxSide)
        return Fail(info, "Invalid dimensions: " + std::to_string(texture.width) + " x " + std::to_string(texture.height));

    const int32_t packedSize = texture.dataSize;
    if (packedSize < 1 || uint64_t(texture.star) + uint64_t(packedSize) + 8 > bytes.size())
        return Fail(info, "The packed image data is incomplete.");
    ReadCtseWrapModes(bytes, texture);
    info.note = CtseNote(Ss2FlagsText(texture.flags), texture);

    ByteBuffer unpacked;
    switch (InflatePixels(bytes.subspan(std::size_t(texture.star) + 8, std::size_t(packedSize)), texture.width,
                          texture.height, unpacked)) {
        case Unpack::NoMemory: return Fail(info, "Not enough memory for the image.");
        case Unpack::Broken: return Fail(info, "The packed image data could not be unpacked.");
        case Unpack::Ok: break;
    }
    return DecodeUnpacked(unpacked, texture.format, info);
}
