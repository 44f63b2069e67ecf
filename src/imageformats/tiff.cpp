#include "imageformats/tiff.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/bytes.h"
#include "platform/file_io.h"

namespace {

enum Tag : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
    kPlanarConfiguration = 284,
    kExtraSamples = 338,
};

enum Type : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

// Pixels are moved as little-endian words (red in the low byte), as on every target we build for.
static_assert(std::endian::native == std::endian::little);

constexpr uint16_t kTiffMagic = 42;
constexpr std::size_t kEntrySize = 12;

// ---- reading ------------------------------------------------------------------------------

struct Entry {
    uint16_t type = 0;
    uint32_t count = 0;
    const uint8_t* field = nullptr;  // the 4-byte value-or-offset field inside the file
};

// A single value: a SHORT with count 1 is the field's first 16 bits, anything else all 32.
uint32_t SingleValue(const Entry& e) { return e.type == kShort && e.count == 1 ? Le16(e.field) : Le32(e.field); }

// The strip offsets, read in place: 16-bit for SHORT, 32-bit for every other type.
struct StripTable {
    const uint8_t* values = nullptr;
    uint32_t count = 0;
    bool wide = true;
    uint64_t operator[](uint32_t i) const { return wide ? Le32(values + 4 * std::size_t(i)) : Le16(values + 2 * std::size_t(i)); }
};

// Where count values of elementSize bytes are: inside the field when they fit in its four
// bytes, else at the offset it holds. Nullptr when they do not lie wholly in the file.
const uint8_t* EntryValues(std::span<const uint8_t> bytes, const Entry& e, std::size_t elementSize) {
    const uint64_t size = uint64_t(e.count) * elementSize;
    if (size <= 4) return e.field;
    const uint64_t offset = Le32(e.field);
    if (offset > bytes.size() || size > bytes.size() - offset) return nullptr;
    return bytes.data() + offset;
}

bool AllBitsAreEight(std::span<const uint8_t> bytes, const Entry& e) {
    if (e.count == 1) return SingleValue(e) == 8;
    const uint8_t* values = e.type == kShort && e.count == 2 ? e.field : nullptr;
    if (!values) {
        // Any other form holds an offset to count 16-bit values.
        const uint64_t offset = Le32(e.field);
        if (offset > bytes.size() || uint64_t(e.count) * 2 > bytes.size() - offset) return false;
        values = bytes.data() + offset;
    }
    for (uint32_t i = 0; i < e.count; ++i)
        if (Le16(values + 2 * std::size_t(i)) != 8) return false;
    return true;
}

struct Layout {
    uint32_t width = 0, height = 0;
    uint32_t samples = 1, rowsPerStrip = 0;
    uint32_t compression = 1, photometric = 0, planar = 1;
    bool bitsOk = true;  // no bits-per-sample tag counts as 8 bits
    bool hasStrips = false;
    StripTable strips;
};

// Reads the entries of the first IFD into layout; false when the file is not ours to read.
bool ReadFirstIfd(std::span<const uint8_t> bytes, Layout& layout) {
    if (bytes.size() < 8 || bytes[0] != 'I' || bytes[1] != 'I' || Le16(&bytes[2]) != kTiffMagic) return false;
    const uint64_t ifd = Le32(&bytes[4]);
    if (ifd < 8 || ifd + 2 > bytes.size()) return false;
    const uint16_t entryCount = Le16(&bytes[ifd]);
    for (uint16_t i = 0; i < entryCount; ++i) {
        const uint64_t at = ifd + 2 + uint64_t(i) * kEntrySize;
        if (at + kEntrySize > bytes.size()) return false;
        const uint8_t* p = bytes.data() + at;
        const Entry e{Le16(p + 2), Le32(p + 4), p + 8};
        switch (Le16(p)) {
            case kImageWidth: layout.width = SingleValue(e); break;
            case kImageLength: layout.height = SingleValue(e); break;
            case kBitsPerSample: layout.bitsOk = AllBitsAreEight(bytes, e); break;
            case kCompression: layout.compression = SingleValue(e); break;
            case kPhotometric: layout.photometric = SingleValue(e); break;
            case kSamplesPerPixel: layout.samples = SingleValue(e); break;
            case kRowsPerStrip: layout.rowsPerStrip = SingleValue(e); break;
            case kPlanarConfiguration: layout.planar = SingleValue(e); break;
            case kStripOffsets: {
                const bool wide = e.type != kShort;
                const uint8_t* values = EntryValues(bytes, e, wide ? 4 : 2);
                if (!values) return false;  // a strip table outside the file: leave it to the library
                layout.strips = {values, e.count, wide};
                layout.hasStrips = e.count > 0;
                break;
            }
            default: break;
        }
    }
    return true;
}

bool IsOurLayout(const Layout& l) {
    return l.width >= 1 && l.height >= 1 && l.compression == 1 && l.photometric == 2 && l.planar == 1 && l.bitsOk &&
           (l.samples == 3 || l.samples == 4) && l.hasStrips && IsValidImageSize(l.width, l.height);
}

void FillOpaqueBlack(uint8_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        pixels[0] = pixels[1] = pixels[2] = 0;
        pixels[3] = 255;
    }
}

void CopyRow(const uint8_t* in, uint32_t samples, uint32_t width, uint8_t* out) {
    if (samples == 4) {
        std::memcpy(out, in, std::size_t(width) * 4);
        return;
    }
    // Four pixels at a time from three little-endian words: R0 G0 B0 R1 | G1 B1 R2 G2 |
    // B2 R3 G3 B3. The last pixels of the row are copied one by one.
    constexpr uint32_t kOpaque = 0xFF000000u;
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4, in += 12, out += 16) {
        uint32_t a, b, c;
        std::memcpy(&a, in, 4);
        std::memcpy(&b, in + 4, 4);
        std::memcpy(&c, in + 8, 4);
        const uint32_t pixels[4] = {a | kOpaque, (a >> 24) | (b << 8) | kOpaque, (b >> 16) | (c << 16) | kOpaque,
                                    (c >> 8) | kOpaque};
        std::memcpy(out, pixels, 16);
    }
    for (; x < width; ++x, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255;
    }
}

// Copies the rows the strips hold; returns how many rows from the top were read.
uint32_t ReadStrips(std::span<const uint8_t> bytes, const Layout& l, Image& image) {
    const uint32_t rowsPerStrip = l.rowsPerStrip >= 1 && l.rowsPerStrip <= l.height ? l.rowsPerStrip : l.height;
    const uint64_t rowBytes = uint64_t(l.width) * l.samples;
    uint32_t y = 0;
    for (; y < l.height; ++y) {
        const uint32_t strip = y / rowsPerStrip;
        if (strip >= l.strips.count) break;
        const uint64_t start = l.strips[strip] + uint64_t(y - strip * rowsPerStrip) * rowBytes;
        if (start > bytes.size() || rowBytes > bytes.size() - start) break;
        CopyRow(bytes.data() + start, l.samples, l.width, image.row(int(y)));
    }
    return y;
}

// ---- writing ------------------------------------------------------------------------------

template <typename Vec>
void WriteEntry(ByteWriter<Vec>& w, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    w.U16(tag);
    w.U16(type);
    w.U32(count);
    if (type == kShort && count == 1) {
        w.U16(uint16_t(value));
        w.U16(0);
    } else {
        w.U32(value);
    }
}

// The fixed-size part after the pixels, appended to a small vector and copied at the end.
std::vector<uint8_t> TrailerBytes(uint32_t width, uint32_t height, uint32_t samples, uint32_t pixelBytes,
                                  uint32_t paddedPixelBytes) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    const uint32_t bitsOffset = 8 + paddedPixelBytes;
    const uint32_t xResOffset = bitsOffset + 2 * samples;
    const uint32_t yResOffset = xResOffset + 8;
    for (uint32_t i = 0; i < samples; ++i) w.U16(8);
    for (int i = 0; i < 2; ++i) {
        w.U32(72);
        w.U32(1);
    }
    const bool alpha = samples == 4;
    w.U16(alpha ? 13 : 12);
    WriteEntry(w, kImageWidth, kLong, 1, width);
    WriteEntry(w, kImageLength, kLong, 1, height);
    WriteEntry(w, kBitsPerSample, kShort, samples, bitsOffset);
    WriteEntry(w, kCompression, kShort, 1, 1);
    WriteEntry(w, kPhotometric, kShort, 1, 2);
    WriteEntry(w, kStripOffsets, kLong, 1, 8);
    WriteEntry(w, kSamplesPerPixel, kShort, 1, samples);
    WriteEntry(w, kRowsPerStrip, kLong, 1, height);
    WriteEntry(w, kStripByteCounts, kLong, 1, pixelBytes);
    WriteEntry(w, kXResolution, kRational, 1, xResOffset);
    WriteEntry(w, kYResolution, kRational, 1, yResOffset);
    WriteEntry(w, kResolutionUnit, kShort, 1, 2);
    if (alpha) WriteEntry(w, kExtraSamples, kShort, 1, 2);
    w.U32(0);
    return out;
}

}  // namespace

std::optional<Image> LoadTiff(std::span<const uint8_t> bytes, LoadInfo& info) {
    Layout layout;
    if (!ReadFirstIfd(bytes, layout) || !IsOurLayout(layout)) return std::nullopt;
    std::optional<Image> image = CreateImageUninitialized(int(layout.width), int(layout.height), 32);
    if (!image) return std::nullopt;
    const uint32_t rowsRead = ReadStrips(bytes, layout, *image);
    FillOpaqueBlack(image->row(int(rowsRead)), std::size_t(layout.height - rowsRead) * layout.width);
    info.bytesPerPixel = int32_t(layout.samples);
    return image;
}

bool EncodeTiff(const Image& image, bool keepAlpha, ByteBuffer& out) {
    if (image.width < 1 || image.height < 1 || image.pixels.size() < image.byteSize()) return false;
    const uint32_t samples = keepAlpha ? 4 : 3;
    const uint64_t pixelBytes = uint64_t(image.width) * uint64_t(image.height) * samples;
    const uint64_t padded = pixelBytes + (pixelBytes & 1);
    const uint64_t ifdOffset = padded + 2 * samples + 24;
    const uint64_t total = ifdOffset + 2 + kEntrySize * (keepAlpha ? 13 : 12) + 4;
    if (total > UINT32_MAX) return false;  // offsets of a classic TIFF are 32-bit
    if (!TryResize(out, std::size_t(total))) return false;

    uint8_t* p = out.data();
    const uint8_t header[8] = {'I', 'I', kTiffMagic, 0, uint8_t(ifdOffset), uint8_t(ifdOffset >> 8),
                               uint8_t(ifdOffset >> 16), uint8_t(ifdOffset >> 24)};
    std::memcpy(p, header, 8);
    p += 8;
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    const uint8_t* in = image.pixels.data();
    if (keepAlpha) {
        std::memcpy(p, in, count * 4);
        p += count * 4;
    } else {
        // Four-byte moves whose fourth byte the next pixel overwrites; the last pixel is
        // copied alone so nothing is written past the pixel data.
        for (std::size_t i = 0; i + 1 < count; ++i, in += 4, p += 3) std::memcpy(p, in, 4);
        p[0] = in[0];
        p[1] = in[1];
        p[2] = in[2];
        p += 3;
    }
    if (padded != pixelBytes) *p++ = 0;
    const std::vector<uint8_t> trailer =
        TrailerBytes(uint32_t(image.width), uint32_t(image.height), samples, uint32_t(pixelBytes), uint32_t(padded));
    std::memcpy(p, trailer.data(), trailer.size());
    return true;
}

bool SaveTiff(const Image& image, const std::string& path, bool keepAlpha) {
    ByteBuffer bytes;
    return EncodeTiff(image, keepAlpha, bytes) && WriteFileAtomic(path, bytes);
}
