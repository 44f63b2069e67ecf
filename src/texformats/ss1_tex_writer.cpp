// Serious Sam 1 texture writer. Produces the version-4 layout that ss1_tex.cpp reads (see the
// layout there): one frame of uncompressed pixels at the largest mip level, no smaller levels,
// followed by an animation chunk that the game expects:
//
//   "ANIM" "ADAT" 1                  one animation
//   "OnlyAnim" + 24 zero bytes       its 32-byte name
//   0.02f (0A D7 A3 3C)              its time value
//   1, 0                             one frame entry: frame 0
//
// No size limit is imposed here; callers enforce the 1024-pixel limit of the game.
#include "texformats/ss1_tex_writer.h"

#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "platform/bytes.h"
#include "platform/file_io.h"

namespace {

constexpr int kMaxFirstMip = 20;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kAnimationChunkSize = 56;

// 1 + how often the smaller side can be halved before it is 1 or less.
int32_t FineMipCount(int width, int height) {
    int side = width < height ? width : height;
    int32_t count = 1;
    for (; side > 1; side /= 2) ++count;
    return count;
}

std::vector<uint8_t> Header(int32_t flags, int32_t fullWidth, int32_t fullHeight, int32_t fineMips, int32_t firstMip) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize);
    ByteWriter w{out};
    w.Tag("TVER");
    w.S32(4);
    w.Tag("TDAT");
    w.S32(flags);
    w.S32(fullWidth);
    w.S32(fullHeight);
    w.S32(fineMips);
    w.S32(firstMip);
    w.S32(1);  // one frame
    w.Tag("FRMS");
    return out;
}

std::vector<uint8_t> AnimationChunk() {
    std::vector<uint8_t> out;
    out.reserve(kAnimationChunkSize);
    ByteWriter w{out};
    w.Tag("ANIM");
    w.Tag("ADAT");
    w.S32(1);
    const char name[32] = "OnlyAnim";
    w.Bytes(name, sizeof name);
    w.U32(std::bit_cast<uint32_t>(0.02f));
    w.S32(1);
    w.S32(0);
    return out;
}

void StorePixels(const Image& image, bool withAlpha, uint8_t* out) {
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    const uint8_t* src = image.pixels.data();
    if (withAlpha && image.bitsPerPixel == 32) {
        std::memcpy(out, src, count * 4);  // our RGBA rows are the stored layout
        return;
    }
    for (std::size_t i = 0; i < count; ++i, src += 4) {
        *out++ = src[0];
        *out++ = src[1];
        *out++ = src[2];
        if (withAlpha) *out++ = 255;  // a 24-bit image's alpha bytes carry no meaning
    }
}

}  // namespace

std::optional<ByteBuffer> EncodeSs1Tex(const Image& image, bool withAlpha, int firstMip, bool setFlag1) {
    if (image.width < 1 || image.height < 1 || image.pixels.size() < image.byteSize()) return std::nullopt;
    if (firstMip < 0 || firstMip > kMaxFirstMip) return std::nullopt;
    // The full size is a signed 32-bit field; a size that overflows it would be written wrong.
    if ((int64_t(image.width) << firstMip) > INT32_MAX || (int64_t(image.height) << firstMip) > INT32_MAX)
        return std::nullopt;

    int32_t flags = withAlpha ? 3 : 0;
    if (setFlag1) flags |= 2;
    const std::size_t pixelBytes = std::size_t(image.width) * std::size_t(image.height) * (withAlpha ? 4 : 3);
    try {
        const std::vector<uint8_t> header = Header(flags, image.width << firstMip, image.height << firstMip,
                                                   FineMipCount(image.width, image.height), firstMip);
        const std::vector<uint8_t> animation = AnimationChunk();
        ByteBuffer out;
        if (!TryResize(out, kHeaderSize + pixelBytes + kAnimationChunkSize)) return std::nullopt;
        std::memcpy(out.data(), header.data(), kHeaderSize);
        StorePixels(image, withAlpha, out.data() + kHeaderSize);
        std::memcpy(out.data() + kHeaderSize + pixelBytes, animation.data(), kAnimationChunkSize);
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool WriteSs1Tex(const Image& image, const std::string& path, bool withAlpha, int firstMip, bool setFlag1) {
    const std::optional<ByteBuffer> bytes = EncodeSs1Tex(image, withAlpha, firstMip, setFlag1);
    return bytes && WriteFileAtomic(path, *bytes);
}
