// Decoding of DXT1/DXT3/DXT5/BC5 blocks into RGBA (layouts in dxt.h).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/bytes.h"
#include "texformats/dxt.h"

namespace {

std::size_t BlockBytes(int format) { return format == kDxt1 ? 8 : 16; }

bool IsKnownFormat(int format) { return format >= kDxt1 && format <= kBc5; }

/// The sixteen colours of a colour block; alpha 255, or 0 for index 3 in DXT1 three-colour mode.
void DecodeColorBlock(const uint8_t* block, bool allowThreeColor, Rgba out[16]) {
    const uint16_t c0 = Le16(block);
    const uint16_t c1 = Le16(block + 2);
    Rgba palette[4];
    Expand565(c0, palette, 0);
    Expand565(c1, palette, 1);
    palette[0].a = palette[1].a = palette[2].a = palette[3].a = 255;
    if (c0 > c1 || !allowThreeColor) {
        palette[2] = {uint8_t((2 * palette[0].r + palette[1].r) / 3), uint8_t((2 * palette[0].g + palette[1].g) / 3),
                      uint8_t((2 * palette[0].b + palette[1].b) / 3), 255};
        palette[3] = {uint8_t((palette[0].r + 2 * palette[1].r) / 3), uint8_t((palette[0].g + 2 * palette[1].g) / 3),
                      uint8_t((palette[0].b + 2 * palette[1].b) / 3), 255};
    } else {
        palette[2] = {uint8_t((palette[0].r + palette[1].r) / 2), uint8_t((palette[0].g + palette[1].g) / 2),
                      uint8_t((palette[0].b + palette[1].b) / 2), 255};
        palette[3] = {0, 0, 0, 0};
    }
    const uint32_t indices = Le32(block + 4);
    for (int i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

/// Blue of a BC5 texel: the z of the unit normal whose x and y are red and green.
uint8_t Bc5Blue(uint8_t red, uint8_t green) {
    const double x = red / 127.5 - 1.0;
    const double y = green / 127.5 - 1.0;
    double s = -x * x - y * y + 1.0;
    if (s < 0) s = 0;
    return uint8_t((std::sqrt(s) + 1.0) * 127.5);
}

/// The sixteen RGBA texels of one block of any format.
void DecodeBlock(const uint8_t* block, int format, Rgba out[16]) {
    if (format == kBc5) {
        uint8_t red[16], green[16];
        DecodeAlphaBlock(block, red);
        DecodeAlphaBlock(block + 8, green);
        for (int i = 0; i < 16; ++i) out[i] = {red[i], green[i], Bc5Blue(red[i], green[i]), 255};
        return;
    }
    if (format == kDxt1) {
        DecodeColorBlock(block, true, out);
        return;
    }
    DecodeColorBlock(block + 8, false, out);
    if (format == kDxt3) {
        for (int i = 0; i < 16; ++i) out[i].a = uint8_t(((block[i / 2] >> (4 * (i & 1))) & 0xF) * 17);
    } else {
        uint8_t alpha[16];
        DecodeAlphaBlock(block, alpha);
        for (int i = 0; i < 16; ++i) out[i].a = alpha[i];
    }
}

}  // namespace

void Expand565(uint16_t color, Rgba* palette, int slot) {
    palette[slot].r = uint8_t(((color >> 11) & 31) * 255 / 31);
    palette[slot].g = uint8_t(((color >> 5) & 63) * 255 / 63);
    palette[slot].b = uint8_t((color & 31) * 255 / 31);
}

void DecodeAlphaBlock(const uint8_t block[8], uint8_t values[16]) {
    const int a0 = block[0];
    const int a1 = block[1];
    uint8_t table[8] = {uint8_t(a0), uint8_t(a1)};
    if (a0 > a1) {
        for (int j = 1; j <= 6; ++j) table[j + 1] = uint8_t(((7 - j) * a0 + j * a1) / 7);
    } else {
        for (int j = 1; j <= 4; ++j) table[j + 1] = uint8_t(((5 - j) * a0 + j * a1) / 5);
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= uint64_t(block[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) values[i] = table[(bits >> (3 * i)) & 7];
}

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

    const std::size_t blockBytes = BlockBytes(format);
    const uint8_t* block = data;
    Rgba texels[16];
    for (int by = 0; by < (height + 3) / 4; ++by) {
        for (int bx = 0; bx < (width + 3) / 4; ++bx, block += blockBytes) {
            DecodeBlock(block, format, texels);
            const int columns = std::min(4, width - bx * 4);
            const int rows = std::min(4, height - by * 4);
            for (int row = 0; row < rows; ++row) {
                std::memcpy(image->at(bx * 4, by * 4 + row), &texels[row * 4], std::size_t(columns) * 4);
            }
        }
    }
    return image;
}
