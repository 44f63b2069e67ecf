#include "imageformats/pcx.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "app/image_checks.h"
#include "platform/bytes.h"
#include "platform/file_io.h"

static_assert(std::endian::native == std::endian::little,
              "pixels are packed into 32-bit words in RGBA memory order");

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteBytes = 768;
constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kPaletteMarker = 12;
constexpr uint8_t kRunFlag = 0xC0;     // a byte with both top bits set is a run count
constexpr std::size_t kMaxRun = 63;

constexpr const char* kNoMemory = "Not enough memory for the image.";

struct PcxHeader {
    uint8_t encoding;
    uint8_t bitsPerPlane;
    int width;
    int height;
    int planes;
    std::size_t bytesPerLine;
};

PcxHeader ParseHeader(const uint8_t* p) {
    PcxHeader header;
    header.encoding = p[2];
    header.bitsPerPlane = p[3];
    header.width = int(Le16(p + 8)) - int(Le16(p + 4)) + 1;
    header.height = int(Le16(p + 10)) - int(Le16(p + 6)) + 1;
    header.planes = p[65];
    header.bytesPerLine = Le16(p + 66);
    return header;
}

bool IsSupported(const PcxHeader& h) {
    return h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3 || h.planes == 4) && h.width >= 1 &&
           h.height >= 1 && h.bytesPerLine >= std::size_t(h.width);
}

uint32_t PackRgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | g << 8 | b << 16 | a << 24;
}

void StorePixel(uint8_t* dst, uint32_t rgba) { std::memcpy(dst, &rgba, 4); }

// Run-length decoding state. A pending run carries over into the next row.
struct RleState {
    std::size_t pos = kHeaderSize;
    std::size_t pending = 0;
    uint8_t value = 0;
};

// Fills out[0, length) from the encoded data; past the end of the file bytes read as 0.
void DecodeRleRow(std::span<const uint8_t> file, RleState& s, uint8_t* out, std::size_t length) {
    const uint8_t* data = file.data();
    const std::size_t size = file.size();
    std::size_t i = 0;
    while (i < length) {
        if (s.pending > 0) {
            const std::size_t n = std::min(s.pending, length - i);
            std::memset(out + i, s.value, n);
            i += n;
            s.pending -= n;
        } else if (s.pos >= size) {
            std::memset(out + i, 0, length - i);
            return;
        } else if (data[s.pos] < kRunFlag) {
            // Literal bytes usually come in stretches: copy them in one tight loop.
            do {
                out[i++] = data[s.pos++];
            } while (i < length && s.pos < size && data[s.pos] < kRunFlag);
        } else {
            s.pending = data[s.pos++] & kMaxRun;
            s.value = s.pos < size ? data[s.pos++] : 0;
        }
    }
}

// Converts one row of planes (each bytesPerLine long) into RGBA pixels.
void ConvertRow(const uint8_t* planes, const PcxHeader& h, const std::array<uint32_t, 256>& palette,
                uint8_t* dst) {
    const std::size_t stride = h.bytesPerLine;
    const uint8_t* red = planes;
    const uint8_t* green = planes + stride;
    const uint8_t* blue = planes + 2 * stride;
    const uint8_t* alpha = planes + 3 * stride;
    const std::size_t width = std::size_t(h.width);
    switch (h.planes) {
        case 1:
            for (std::size_t k = 0; k < width; ++k) StorePixel(dst + k * 4, palette[planes[k]]);
            break;
        case 3:
            for (std::size_t k = 0; k < width; ++k) StorePixel(dst + k * 4, PackRgba(red[k], green[k], blue[k], 255));
            break;
        default:
            for (std::size_t k = 0; k < width; ++k)
                StorePixel(dst + k * 4, PackRgba(red[k], green[k], blue[k], alpha[k]));
            break;
    }
}

// Rows from firstRow on, which the data does not reach, read as all-zero bytes. They are all
// alike: one is converted and copied to the others, so a damaged header claiming many rows
// costs little more than the memory.
void FillRowsFromZeros(ByteBuffer& rowBuffer, const PcxHeader& h, const std::array<uint32_t, 256>& palette,
                       Image& image, int firstRow) {
    if (firstRow >= image.height) return;
    std::memset(rowBuffer.data(), 0, rowBuffer.size());
    ConvertRow(rowBuffer.data(), h, palette, image.row(firstRow));
    for (int y = firstRow + 1; y < image.height; ++y) std::memcpy(image.row(y), image.row(firstRow), image.pitch());
}

std::array<uint32_t, 256> ReadPalette(std::span<const uint8_t> bytes) {
    std::array<uint32_t, 256> palette;
    const uint8_t* p = bytes.data() + bytes.size() - kPaletteBytes;
    for (std::size_t i = 0; i < 256; ++i) palette[i] = PackRgba(p[i * 3], p[i * 3 + 1], p[i * 3 + 2], 255);
    return palette;
}

std::optional<Image> Fail(LoadInfo& info, const char* message) {
    info.error = message;
    return std::nullopt;
}

std::size_t BytesPerLineFor(int width) { return std::size_t(width) + (width & 1); }

void WriteHeader(uint8_t* p, const Image& image) {
    std::memset(p, 0, kHeaderSize);
    auto put16 = [p](std::size_t offset, std::size_t value) {
        p[offset] = uint8_t(value);
        p[offset + 1] = uint8_t(value >> 8);
    };
    p[0] = kManufacturer;
    p[1] = 5;  // version 3.0 and later, 24-bit capable
    p[2] = 1;  // run-length encoded
    p[3] = 8;  // bits per plane
    put16(8, std::size_t(image.width - 1));
    put16(10, std::size_t(image.height - 1));
    put16(12, 72);
    put16(14, 72);
    p[65] = 3;
    put16(66, BytesPerLineFor(image.width));
    put16(68, 1);  // colour palette
}

}  // namespace

std::optional<Image> LoadPcx(std::span<const uint8_t> bytes, LoadInfo& info) {
    if (bytes.size() < kHeaderSize || bytes[0] != kManufacturer) return Fail(info, "This is not a PCX file.");
    const PcxHeader header = ParseHeader(bytes.data());
    if (!IsSupported(header))
        return Fail(info, "This PCX type is not supported (only 8-bit palette, 24-bit and 32-bit).");
    std::array<uint32_t, 256> palette{};
    if (header.planes == 1) {
        if (bytes.size() < kHeaderSize + 1 + kPaletteBytes || bytes[bytes.size() - kPaletteBytes - 1] != kPaletteMarker)
            return Fail(info, "The PCX palette is missing.");
        palette = ReadPalette(bytes);
    }

    info.width = header.width;
    info.height = header.height;
    info.bytesPerPixel = header.planes;
    info.formatText = "PiCture eXchange (" + std::to_string(header.planes * 8) + "-bit)";

    const std::size_t rowBytes = std::size_t(header.planes) * header.bytesPerLine;
    ByteBuffer rowBuffer;
    if (!IsValidImageSize(header.width, header.height) || !TryResize(rowBuffer, rowBytes)) return Fail(info, kNoMemory);
    auto image = CreateImageUninitialized(header.width, header.height, 32);
    if (!image) return Fail(info, kNoMemory);

    int y = 0;
    if (header.encoding == 1) {
        RleState state;
        for (; y < header.height && !(state.pos >= bytes.size() && state.pending == 0); ++y) {
            DecodeRleRow(bytes, state, rowBuffer.data(), rowBytes);
            ConvertRow(rowBuffer.data(), header, palette, image->row(y));
        }
    } else {
        // Raw rows convert straight from the file, as long as it holds them whole.
        for (std::size_t pos = kHeaderSize; y < header.height && pos <= bytes.size() && bytes.size() - pos >= rowBytes;
             ++y, pos += rowBytes)
            ConvertRow(bytes.data() + pos, header, palette, image->row(y));
    }
    FillRowsFromZeros(rowBuffer, header, palette, *image, y);

    info.hasAlpha = header.planes == 4 && HasTransparency(*image);
    return image;
}

std::size_t EncodePcxRow(std::span<const uint8_t> row, uint8_t* out) {
    std::size_t written = 0;
    for (std::size_t i = 0; i < row.size();) {
        const uint8_t value = row[i];
        const std::size_t limit = std::min(row.size(), i + kMaxRun);
        std::size_t end = i + 1;
        while (end < limit && row[end] == value) ++end;
        const std::size_t run = end - i;
        if (run >= 2 || value >= kRunFlag) out[written++] = uint8_t(kRunFlag + run);
        out[written++] = value;
        i = end;
    }
    return written;
}

ByteBuffer EncodePcx(const Image& image) {
    ByteBuffer out;
    if (image.width < 1 || image.height < 1 || image.width >= 65535 || image.height >= 65536) return out;
    if (image.pixels.size() < image.byteSize()) return out;
    const std::size_t bytesPerLine = BytesPerLineFor(image.width);
    ByteBuffer plane;
    // Worst case: every byte of every plane becomes two.
    if (!TryResize(plane, bytesPerLine) || !TryResize(out, kHeaderSize + std::size_t(image.height) * 3 * 2 * bytesPerLine))
        return {};
    plane.back() = 0;  // the padding byte of an odd width

    WriteHeader(out.data(), image);
    std::size_t pos = kHeaderSize;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* pixels = image.row(y);
        for (int channel = 0; channel < 3; ++channel) {
            for (int x = 0; x < image.width; ++x) plane[x] = pixels[x * 4 + channel];
            pos += EncodePcxRow(plane, out.data() + pos);
        }
    }
    out.resize(pos);
    return out;
}

bool SavePcx(const Image& image, const std::string& path) {
    const ByteBuffer bytes = EncodePcx(image);
    return !bytes.empty() && WriteFileAtomic(path, bytes);
}
