#include "imageformats/tga.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "app/image_checks.h"
#include "platform/bytes.h"
#include "platform/file_io.h"

static_assert(std::endian::native == std::endian::little,
              "pixels are packed into 32-bit words in RGBA memory order");

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kFooterSize = 26;  // two zero offsets, then the signature
constexpr char kSignature[] = "TRUEVISION-XFILE.";
static_assert(sizeof(kSignature) == 18, "the signature is written with its zero byte");

constexpr uint8_t kDescriptorAlphaBits = 0x0F;
constexpr uint8_t kDescriptorRightToLeft = 0x10;
constexpr uint8_t kDescriptorTopFirst = 0x20;

constexpr const char* kNotTga = "This is not a TGA file.";
constexpr const char* kNoMemory = "Not enough memory for the image.";
constexpr const char* kIncomplete = "The TGA image data is incomplete.";

struct TgaHeader {
    uint8_t idLength;
    uint8_t colorMapType;
    uint8_t imageType;
    uint16_t firstEntry;
    uint16_t colorMapLength;
    uint8_t entryBits;
    uint16_t width;
    uint16_t height;
    uint8_t pixelDepth;
    uint8_t descriptor;
};

TgaHeader ParseHeader(const uint8_t* p) {
    return {p[0], p[1], p[2], Le16(p + 3), Le16(p + 5), p[7], Le16(p + 12), Le16(p + 14), p[16], p[17]};
}

bool IsSupportedType(uint8_t type) {
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool IsSupportedDepth(uint8_t depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

uint32_t PackRgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | g << 8 | b << 16 | a << 24;
}

void StorePixel(uint8_t* dst, uint32_t rgba) { std::memcpy(dst, &rgba, 4); }

// 5-bit channel to 8 bits, v * 255 / 31 in integer arithmetic.
constexpr auto kFiveBitScale = [] {
    std::array<uint8_t, 32> table{};
    for (unsigned v = 0; v < 32; ++v) table[v] = uint8_t(v * 255 / 31);
    return table;
}();

uint32_t Word16ToRgba(uint16_t word, bool transparentWhenBit15Clear) {
    const uint32_t alpha = transparentWhenBit15Clear && !(word & 0x8000) ? 0 : 255;
    return PackRgba(kFiveBitScale[(word >> 10) & 31], kFiveBitScale[(word >> 5) & 31],
                    kFiveBitScale[word & 31], alpha);
}

// How stored pixels become RGBA. Decided once per file so the loops below switch per run of
// pixels, never per pixel.
enum class PixelKind {
    Grey,    // first byte is grey, further bytes ignored
    Mapped,  // first byte indexes the palette
    Word16,  // 5-5-5 word, optional 1-bit alpha
    Bgr,     // blue, green, red
    Bgra,    // blue, green, red, alpha
};

struct PixelFormat {
    PixelKind kind = PixelKind::Grey;
    std::size_t bytesPerPixel = 1;
    bool transparentWhenBit15Clear = false;  // Word16 with exactly one alpha bit
    std::array<uint32_t, 256> palette{};     // Mapped: RGBA for each value of the first byte
};

// Reads colour-map entry index of a located map; black for an entry that lies (partly) outside
// the file or has no bytes at all.
uint32_t ReadMapEntry(std::span<const uint8_t> file, std::size_t mapStart, std::size_t entryBytes,
                      std::size_t index) {
    constexpr uint32_t kBlack = 0xFF000000;
    if (entryBytes == 0) return kBlack;
    const std::size_t start = mapStart + index * entryBytes;
    const std::size_t needed = std::max<std::size_t>(entryBytes, 2);  // small entries read a word
    if (start > file.size() || file.size() - start < needed) return kBlack;
    const uint8_t* e = file.data() + start;
    if (entryBytes <= 2) return Word16ToRgba(Le16(e), false);
    return PackRgba(e[2], e[1], e[0], entryBytes == 4 ? e[3] : 255);
}

std::array<uint32_t, 256> BuildPalette(std::span<const uint8_t> file, const TgaHeader& header) {
    std::array<uint32_t, 256> palette;
    const bool located = header.colorMapType == 1;
    const std::size_t mapStart = kHeaderSize + header.idLength;
    const std::size_t entryBytes = (header.entryBits + 7) / 8;
    for (int value = 0; value < 256; ++value) {
        const int index = value - int(header.firstEntry);
        const bool inMap = located && index >= 0 && index < int(header.colorMapLength);
        palette[value] = inMap ? ReadMapEntry(file, mapStart, entryBytes, std::size_t(index))
                               : PackRgba(0, 0, 0, 255);
    }
    return palette;
}

PixelFormat MakePixelFormat(std::span<const uint8_t> file, const TgaHeader& header) {
    PixelFormat format;
    format.bytesPerPixel = (header.pixelDepth + 7) / 8;
    const uint8_t baseType = header.imageType & 7;  // 9, 10, 11 are the encoded 1, 2, 3
    if (baseType == 3) {
        format.kind = PixelKind::Grey;
    } else if (baseType == 1) {
        format.kind = PixelKind::Mapped;
        format.palette = BuildPalette(file, header);
    } else if (format.bytesPerPixel == 1) {
        format.kind = PixelKind::Grey;  // 8-bit true-colour has no colour of its own
    } else if (format.bytesPerPixel == 2) {
        format.kind = PixelKind::Word16;
        format.transparentWhenBit15Clear = (header.descriptor & kDescriptorAlphaBits) == 1;
    } else {
        // 32-bit pixels keep their fourth byte as alpha here; a file that declares no alpha
        // bits is made opaque afterwards unless one of those bytes is non-zero.
        format.kind = format.bytesPerPixel == 4 ? PixelKind::Bgra : PixelKind::Bgr;
    }
    return format;
}

// Converts count stored pixels at src into RGBA at dst. Returns the OR of all Bgra alpha bytes
// (0 for the other kinds), which decides the alpha of 32-bit files without alpha bits.
uint8_t ConvertPixels(const PixelFormat& format, const uint8_t* src, uint8_t* dst, std::size_t count) {
    const std::size_t step = format.bytesPerPixel;
    switch (format.kind) {
        case PixelKind::Grey:
            for (std::size_t i = 0; i < count; ++i) {
                const uint32_t grey = src[i * step];
                StorePixel(dst + i * 4, grey * 0x010101u | 0xFF000000u);
            }
            return 0;
        case PixelKind::Mapped:
            for (std::size_t i = 0; i < count; ++i) StorePixel(dst + i * 4, format.palette[src[i * step]]);
            return 0;
        case PixelKind::Word16:
            for (std::size_t i = 0; i < count; ++i)
                StorePixel(dst + i * 4, Word16ToRgba(Le16(src + i * 2), format.transparentWhenBit15Clear));
            return 0;
        case PixelKind::Bgr: {
            // Each pixel is read as a 4-byte word (B, G, R and the next pixel's first byte):
            // byte-swapping it puts R, G, B in place. The last pixel is read bytewise so no
            // read goes past the given pixels.
            const std::size_t wordPixels = count > 0 ? count - 1 : 0;
            for (std::size_t i = 0; i < wordPixels; ++i) {
                uint32_t v;
                std::memcpy(&v, src + i * 3, 4);
                StorePixel(dst + i * 4, (__builtin_bswap32(v) >> 8) | 0xFF000000u);
            }
            for (std::size_t i = wordPixels; i < count; ++i) {
                const uint8_t* s = src + i * 3;
                StorePixel(dst + i * 4, PackRgba(s[2], s[1], s[0], 255));
            }
            return 0;
        }
        case PixelKind::Bgra: {
            uint32_t alphaSeen = 0;
            for (std::size_t i = 0; i < count; ++i) {
                uint32_t v;
                std::memcpy(&v, src + i * 4, 4);
                alphaSeen |= v;
                StorePixel(dst + i * 4, (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16);
            }
            return uint8_t(alphaSeen >> 24);
        }
    }
    return 0;
}

// Places converted pixels in stored order: row after row, each row left to right. Rows land
// bottom-up unless the file says otherwise; right-to-left files are mirrored at the end.
class PixelSink {
public:
    PixelSink(Image& image, bool topFirst) : image_(image), topFirst_(topFirst) {}

    std::size_t written() const { return std::size_t(row_) * image_.width + col_; }
    uint8_t alphaSeen() const { return alphaSeen_; }

    /// Converts count stored pixels, continuing into the next rows as needed. The caller
    /// keeps count within the pixels that are left.
    void Convert(const PixelFormat& format, const uint8_t* src, std::size_t count) {
        while (count > 0) {
            const std::size_t n = std::min(count, std::size_t(image_.width - col_));
            alphaSeen_ |= ConvertPixels(format, src, Destination(), n);
            src += n * format.bytesPerPixel;
            Advance(n);
            count -= n;
        }
    }

    /// Writes one RGBA value count times (same contract as Convert). Whole rows after the first
    /// are copies of it: a long run, or the rest of an image whose data ended early, costs
    /// little more than its memory.
    void Repeat(uint32_t rgba, std::size_t count) {
        alphaSeen_ |= uint8_t(rgba >> 24);
        const uint8_t* filledRow = nullptr;
        while (count > 0) {
            const std::size_t n = std::min(count, std::size_t(image_.width - col_));
            uint8_t* dst = Destination();
            if (filledRow && n == std::size_t(image_.width)) {
                std::memcpy(dst, filledRow, image_.pitch());
            } else {
                for (std::size_t i = 0; i < n; ++i) StorePixel(dst + i * 4, rgba);
                if (n == std::size_t(image_.width)) filledRow = dst;
            }
            Advance(n);
            count -= n;
        }
    }

private:
    uint8_t* Destination() {
        const int y = topFirst_ ? row_ : image_.height - 1 - row_;
        return image_.at(col_, y);
    }
    void Advance(std::size_t n) {
        col_ += int(n);
        if (col_ == image_.width) {
            col_ = 0;
            ++row_;
        }
    }

    Image& image_;
    bool topFirst_;
    int row_ = 0;
    int col_ = 0;
    uint8_t alphaSeen_ = 0;
};

uint32_t ConvertOne(const PixelFormat& format, const uint8_t* src) {
    uint8_t rgba[4];
    ConvertPixels(format, src, rgba, 1);
    uint32_t v;
    std::memcpy(&v, rgba, 4);
    return v;
}

// Decodes packets from pos until every pixel is written or the file ends. Pixels are written
// as a prefix of the stored order: a packet cut off by the end of the file contributes its
// complete pixels and stops the decoding.
void DecodeRle(std::span<const uint8_t> file, std::size_t pos, const PixelFormat& format,
               std::size_t pixelCount, PixelSink& sink) {
    const std::size_t step = format.bytesPerPixel;
    while (sink.written() < pixelCount && pos < file.size()) {
        const uint8_t packet = file[pos++];
        const std::size_t count = std::size_t(packet & 0x7F) + 1;
        const std::size_t room = pixelCount - sink.written();
        if (packet & 0x80) {
            if (file.size() - pos < step) return;
            sink.Repeat(ConvertOne(format, file.data() + pos), std::min(count, room));
            pos += step;
        } else {
            const std::size_t available = (file.size() - pos) / step;
            sink.Convert(format, file.data() + pos, std::min({count, available, room}));
            if (available < count) return;
            pos += count * step;
        }
    }
}

void MirrorRows(Image& image) {
    for (int y = 0; y < image.height; ++y) {
        uint8_t* left = image.row(y);
        uint8_t* right = image.at(image.width - 1, y);
        for (; left < right; left += 4, right -= 4) std::swap_ranges(left, left + 4, right);
    }
}

void MakeOpaque(Image& image) {
    uint8_t* p = image.pixels.data();
    const std::size_t count = std::size_t(image.width) * image.height;
    for (std::size_t i = 0; i < count; ++i) p[i * 4 + 3] = 255;
}

std::optional<Image> Fail(LoadInfo& info, std::string message) {
    info.error = std::move(message);
    return std::nullopt;
}

// Copies RGBA pixels to BGRA or BGR (alpha forced to 255 when the source has no alpha).
void WriteBgrPixels(const uint8_t* src, uint8_t* dst, std::size_t count, bool withAlpha, bool opaque) {
    if (!withAlpha) {
        // Byte-swapped RGBA words give B, G, R in their low three bytes; each 4-byte store's
        // extra byte is overwritten by the next pixel, and the last pixel is written bytewise.
        const std::size_t wordPixels = count > 0 ? count - 1 : 0;
        for (std::size_t i = 0; i < wordPixels; ++i) {
            uint32_t v;
            std::memcpy(&v, src + i * 4, 4);
            v = __builtin_bswap32(v) >> 8;
            std::memcpy(dst + i * 3, &v, 4);
        }
        for (std::size_t i = wordPixels; i < count; ++i) {
            dst[i * 3] = src[i * 4 + 2];
            dst[i * 3 + 1] = src[i * 4 + 1];
            dst[i * 3 + 2] = src[i * 4];
        }
        return;
    }
    const uint32_t alphaOr = opaque ? 0xFF000000u : 0;
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, src + i * 4, 4);
        v = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16 | alphaOr;
        std::memcpy(dst + i * 4, &v, 4);
    }
}

}  // namespace

std::optional<Image> LoadTga(std::span<const uint8_t> bytes, LoadInfo& info) {
    if (bytes.size() < kHeaderSize) return Fail(info, kNotTga);
    const TgaHeader header = ParseHeader(bytes.data());
    if (header.width < 1 || header.height < 1 || !IsSupportedType(header.imageType))
        return Fail(info, "This TGA type is not supported (type " + std::to_string(header.imageType) + ").");
    if (!IsSupportedDepth(header.pixelDepth))
        return Fail(info, "This TGA bit depth is not supported (" + std::to_string(header.pixelDepth) + " bits).");
    if (!IsValidImageSize(header.width, header.height)) return Fail(info, kNoMemory);

    const PixelFormat format = MakePixelFormat(bytes, header);
    const std::size_t pixelCount = std::size_t(header.width) * header.height;
    std::size_t dataOffset = kHeaderSize + header.idLength;
    if (header.colorMapType == 1) dataOffset += std::size_t(header.colorMapLength) * ((header.entryBits + 7) / 8);
    const bool encoded = header.imageType >= 9;
    if (!encoded && (dataOffset > bytes.size() || bytes.size() - dataOffset < pixelCount * format.bytesPerPixel))
        return Fail(info, kIncomplete);

    auto image = CreateImageUninitialized(header.width, header.height, 32);
    if (!image) return Fail(info, kNoMemory);

    PixelSink sink(*image, header.descriptor & kDescriptorTopFirst);
    if (encoded) {
        DecodeRle(bytes, dataOffset, format, pixelCount, sink);
        // Pixels the data never reached read as an all-zero stored pixel.
        const uint8_t zeroPixel[4] = {0, 0, 0, 0};
        sink.Repeat(ConvertOne(format, zeroPixel), pixelCount - sink.written());
    } else {
        sink.Convert(format, bytes.data() + dataOffset, pixelCount);
    }
    const bool declaresAlpha = (header.descriptor & kDescriptorAlphaBits) != 0;
    if (format.kind == PixelKind::Bgra && !declaresAlpha && sink.alphaSeen() == 0) MakeOpaque(*image);
    if (header.descriptor & kDescriptorRightToLeft) MirrorRows(*image);

    info.formatText = "Truevision Graphics Adapter";
    info.bytesPerPixel = int32_t(format.bytesPerPixel);
    info.width = image->width;
    info.height = image->height;
    info.hasAlpha = HasTransparency(*image);
    return image;
}

ByteBuffer EncodeTga(const Image& image, bool withAlpha) {
    ByteBuffer out;
    if (image.width < 1 || image.height < 1 || image.width >= 65536 || image.height >= 65536) return out;
    if (image.pixels.size() < image.byteSize()) return out;
    const std::size_t b = withAlpha ? 4 : 3;
    const std::size_t pixelBytes = std::size_t(image.width) * image.height * b;
    if (!TryResize(out, kHeaderSize + pixelBytes + kFooterSize)) return out;

    uint8_t* header = out.data();
    std::memset(header, 0, kHeaderSize);
    header[2] = 2;  // uncompressed true-colour
    header[12] = uint8_t(image.width);
    header[13] = uint8_t(image.width >> 8);
    header[14] = uint8_t(image.height);
    header[15] = uint8_t(image.height >> 8);
    header[16] = withAlpha ? 32 : 24;
    header[17] = withAlpha ? (kDescriptorTopFirst | 8) : kDescriptorTopFirst;

    const std::size_t rowBytes = std::size_t(image.width) * b;
    const bool opaque = !image.hasAlphaChannel();
    for (int y = 0; y < image.height; ++y)
        WriteBgrPixels(image.row(y), out.data() + kHeaderSize + y * rowBytes, image.width, withAlpha, opaque);

    uint8_t* footer = out.data() + kHeaderSize + pixelBytes;
    std::memset(footer, 0, 8);  // no extension area, no developer directory
    std::memcpy(footer + 8, kSignature, sizeof(kSignature));
    return out;
}

bool SaveTga(const Image& image, const std::string& path, bool withAlpha) {
    const ByteBuffer bytes = EncodeTga(image, withAlpha);
    return !bytes.empty() && WriteFileAtomic(path, bytes);
}
