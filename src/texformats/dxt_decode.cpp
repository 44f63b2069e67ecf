// Decoding of DXT1/DXT3/DXT5/BC5 blocks into RGBA (layouts in dxt.h).
//
// Speed: a block decodes straight into the image, four rows of four 32-bit pixels, from a
// four-entry palette of whole RGBA words and an eight-entry table of alpha words, so every
// pixel costs two table reads and an OR. BC5's blue, a square root of the pixel's red and
// green, comes from a 64 KiB table built once per process. Blocks on the right and bottom
// edges decode into a scratch block and copy the part inside the image.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/bytes.h"
#include "texformats/dxt.h"

namespace {

std::size_t BlockBytes(int format) { return format == kDxt1 ? 8 : 16; }

bool IsKnownFormat(int format) { return format >= kDxt1 && format <= kBc5; }

/// A pixel as the 32-bit word whose memory bytes are red, green, blue, alpha.
constexpr uint32_t PixelWord(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    if constexpr (std::endian::native == std::endian::little) return r | g << 8 | b << 16 | a << 24;
    return r << 24 | g << 16 | b << 8 | a;
}

/// The 16-bit key of a pixel word's red and green, whatever the byte order.
constexpr uint32_t RedGreenKey(uint32_t word) {
    if constexpr (std::endian::native == std::endian::little) return word & 0xFFFF;
    return word >> 16;
}

/// Palette words of a colour block with alpha 255 (alpha 0 for the transparent entry).
/// fourColorOnly: DXT3 and DXT5 blocks never use the three-colour mode.
inline void ColorPalette(const uint8_t* block, bool fourColorOnly, uint32_t palette[4]) {
    const uint16_t c0 = Le16(block);
    const uint16_t c1 = Le16(block + 2);
    Rgba ends[2];
    Expand565(c0, ends, 0);
    Expand565(c1, ends, 1);
    const Rgba& p0 = ends[0];
    const Rgba& p1 = ends[1];
    palette[0] = PixelWord(p0.r, p0.g, p0.b, 255);
    palette[1] = PixelWord(p1.r, p1.g, p1.b, 255);
    if (c0 > c1 || fourColorOnly) {
        palette[2] = PixelWord((2 * p0.r + p1.r) / 3, (2 * p0.g + p1.g) / 3, (2 * p0.b + p1.b) / 3, 255);
        palette[3] = PixelWord((p0.r + 2 * p1.r) / 3, (p0.g + 2 * p1.g) / 3, (p0.b + 2 * p1.b) / 3, 255);
    } else {
        palette[2] = PixelWord((p0.r + p1.r) / 2, (p0.g + p1.g) / 2, (p0.b + p1.b) / 2, 255);
        palette[3] = PixelWord(0, 0, 0, 0);
    }
}

/// The eight values of an interpolated block.
void AlphaTable(const uint8_t* block, uint8_t table[8]) {
    const unsigned a0 = block[0];
    const unsigned a1 = block[1];
    table[0] = uint8_t(a0);
    table[1] = uint8_t(a1);
    if (a0 > a1) {
        for (unsigned j = 1; j <= 6; ++j) table[j + 1] = uint8_t(((7 - j) * a0 + j * a1) / 7);
    } else {
        for (unsigned j = 1; j <= 4; ++j) table[j + 1] = uint8_t(((5 - j) * a0 + j * a1) / 5);
        table[6] = 0;
        table[7] = 255;
    }
}

/// The 48 index bits of an interpolated block, pixel i in bits 3i..3i+2.
uint64_t AlphaIndexBits(const uint8_t* block) { return uint64_t(Le16(block + 2)) | uint64_t(Le32(block + 4)) << 16; }

/// BC5 blue for every red and green, indexed by the low two bytes of the pixel word that
/// holds them (PixelWord(red, green, 0, 0)): the z of the unit normal (red / 127.5 - 1,
/// green / 127.5 - 1, z), mapped back to 0..255 and truncated.
struct Bc5BlueTable {
    uint8_t blue[256 * 256];
    Bc5BlueTable() {
        for (int red = 0; red < 256; ++red) {
            for (int green = 0; green < 256; ++green) {
                const double x = red / 127.5 - 1.0;
                const double y = green / 127.5 - 1.0;
                double s = -x * x - y * y + 1.0;
                if (s < 0) s = 0;
                blue[RedGreenKey(PixelWord(red, green, 0, 0))] = uint8_t((std::sqrt(s) + 1.0) * 127.5);
            }
        }
    }
};

const uint8_t* Bc5Blue() {
    static const Bc5BlueTable table;
    return table.blue;
}

/// Where a block's sixteen pixels go: four rows of four 32-bit words, pitch bytes apart.
struct BlockOut {
    uint8_t* first;
    std::size_t pitch;
    // Each pixel is stored on its own: gathering a row in a local array and copying it as one
    // 16-byte value stalls on store forwarding.
    void Put(int i, uint32_t word) const { std::memcpy(first + (i / 4) * pitch + (i % 4) * 4, &word, 4); }
};

inline void DecodeDxt1Block(const uint8_t* block, const BlockOut& out) {
    uint32_t palette[4];
    ColorPalette(block, false, palette);
    uint32_t indices = Le32(block + 4);
    for (int i = 0; i < 16; ++i, indices >>= 2) out.Put(i, palette[indices & 3]);
}

/// The palette of the colour block of a DXT3 / DXT5 block with the alpha bytes cleared, ready
/// to be ORed with the alpha of each pixel.
inline void OpaqueFreePalette(const uint8_t* block, uint32_t palette[4]) {
    ColorPalette(block + 8, true, palette);
    constexpr uint32_t kColorMask = ~PixelWord(0, 0, 0, 255);
    for (int k = 0; k < 4; ++k) palette[k] &= kColorMask;
}

inline void DecodeDxt3Block(const uint8_t* block, const BlockOut& out) {
    uint32_t palette[4];
    OpaqueFreePalette(block, palette);
    uint32_t indices = Le32(block + 12);
    uint64_t nibbles = uint64_t(Le32(block)) | uint64_t(Le32(block + 4)) << 32;
    for (int i = 0; i < 16; ++i, indices >>= 2, nibbles >>= 4) {
        out.Put(i, palette[indices & 3] | PixelWord(0, 0, 0, uint32_t(nibbles & 15) * 17));
    }
}

inline void DecodeDxt5Block(const uint8_t* block, const BlockOut& out) {
    uint32_t palette[4];
    OpaqueFreePalette(block, palette);
    uint8_t alpha[8];
    AlphaTable(block, alpha);
    uint32_t alphaWords[8];
    for (int k = 0; k < 8; ++k) alphaWords[k] = PixelWord(0, 0, 0, alpha[k]);
    uint32_t indices = Le32(block + 12);
    uint64_t alphaBits = AlphaIndexBits(block);
    for (int i = 0; i < 16; ++i, indices >>= 2, alphaBits >>= 3) {
        out.Put(i, palette[indices & 3] | alphaWords[alphaBits & 7]);
    }
}

/// Red and green words are ORed into the pixel; blue comes from the table by their key.
inline void DecodeBc5Block(const uint8_t* block, const BlockOut& out, const uint8_t* blueTable) {
    uint8_t red[8], green[8];
    AlphaTable(block, red);
    AlphaTable(block + 8, green);
    uint32_t redWords[8], greenWords[8];
    for (int k = 0; k < 8; ++k) {
        redWords[k] = PixelWord(red[k], 0, 0, 255);
        greenWords[k] = PixelWord(0, green[k], 0, 0);
    }
    uint64_t redBits = AlphaIndexBits(block);
    uint64_t greenBits = AlphaIndexBits(block + 8);
    for (int i = 0; i < 16; ++i, redBits >>= 3, greenBits >>= 3) {
        const uint32_t word = redWords[redBits & 7] | greenWords[greenBits & 7];
        out.Put(i, word | PixelWord(0, 0, blueTable[RedGreenKey(word)], 0));
    }
}

/// Runs decodeBlock(block, BlockOut) over every block: straight into the image for blocks
/// inside it, through a scratch block for those on the right and bottom edges.
template <typename DecodeBlock>
void DecodeImage(const uint8_t* data, std::size_t blockBytes, Image& image, DecodeBlock decodeBlock) {
    const std::size_t pitch = image.pitch();
    const int fullColumns = image.width / 4;
    const int blocksX = (image.width + 3) / 4;
    const uint8_t* block = data;
    for (int by = 0; by < (image.height + 3) / 4; ++by) {
        const int rows = std::min(4, image.height - by * 4);
        uint8_t* out = image.row(by * 4);
        int bx = 0;
        if (rows == 4) {
            for (; bx < fullColumns; ++bx, block += blockBytes) decodeBlock(block, BlockOut{out + bx * 16, pitch});
        }
        for (; bx < blocksX; ++bx, block += blockBytes) {
            uint8_t scratch[64];
            decodeBlock(block, BlockOut{scratch, 16});
            const std::size_t bytes = std::size_t(std::min(4, image.width - bx * 4)) * 4;
            for (int row = 0; row < rows; ++row) std::memcpy(out + row * pitch + bx * 16, scratch + row * 16, bytes);
        }
    }
}

}  // namespace

void Expand565(uint16_t color, Rgba* palette, int slot) {
    palette[slot].r = uint8_t(((color >> 11) & 31) * 255 / 31);
    palette[slot].g = uint8_t(((color >> 5) & 63) * 255 / 63);
    palette[slot].b = uint8_t((color & 31) * 255 / 31);
}

void DecodeAlphaBlock(const uint8_t block[8], uint8_t values[16]) {
    uint8_t table[8];
    AlphaTable(block, table);
    uint64_t bits = AlphaIndexBits(block);
    for (int i = 0; i < 16; ++i, bits >>= 3) values[i] = table[bits & 7];
}

uint8_t Bc5Blue(uint8_t red, uint8_t green) { return Bc5Blue()[RedGreenKey(PixelWord(red, green, 0, 0))]; }

std::size_t DxtDataSize(int width, int height, int format) {
    if (!IsKnownFormat(format) || width < 1 || height < 1) return 0;
    const std::size_t blocksX = (std::size_t(width) + 3) / 4;
    const std::size_t blocksY = (std::size_t(height) + 3) / 4;
    return blocksX * blocksY * BlockBytes(format);
}

std::optional<Image> DecodeDxt(const uint8_t* data, std::size_t available, int width, int height, int format) {
    if (!IsKnownFormat(format) || !IsValidImageSize(width, height)) return std::nullopt;
    if (available < DxtDataSize(width, height, format)) return std::nullopt;
    auto image = CreateImageUninitialized(width, height, 32);
    if (!image) return std::nullopt;
    // Each block decoder is passed as its own lambda type so that it is inlined into the loop.
    const std::size_t blockBytes = BlockBytes(format);
    switch (format) {
        case kDxt1:
            DecodeImage(data, blockBytes, *image, [](auto block, const auto& out) { DecodeDxt1Block(block, out); });
            break;
        case kDxt3:
            DecodeImage(data, blockBytes, *image, [](auto block, const auto& out) { DecodeDxt3Block(block, out); });
            break;
        case kDxt5:
            DecodeImage(data, blockBytes, *image, [](auto block, const auto& out) { DecodeDxt5Block(block, out); });
            break;
        default: {
            const uint8_t* blueTable = Bc5Blue();
            DecodeImage(data, blockBytes, *image,
                        [blueTable](auto block, const auto& out) { DecodeBc5Block(block, out, blueTable); });
            break;
        }
    }
    return image;
}
