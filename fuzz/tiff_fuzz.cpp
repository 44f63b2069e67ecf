// Fuzz target: our TIFF reader, then the library fallback for what it leaves alone; what our
// reader decodes must survive a write and a second read unchanged. Files whose first IFD
// claims more than 4 megapixels are skipped, so the fuzzer explores parsing instead of
// allocating gigabytes for legal sizes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_checks.h"
#include "imageformats/tiff.h"
#include "imageformats/tiff_fallback.h"
#include "platform/bytes.h"

namespace {

bool ClaimsHugeSize(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8) return false;
    const bool little = bytes[0] == 'I';
    auto u16 = [&](std::size_t at) { return little ? Le16(&bytes[at]) : uint16_t(bytes[at] << 8 | bytes[at + 1]); };
    auto u32 = [&](std::size_t at) {
        return little ? Le32(&bytes[at]) : uint32_t(u16(at)) << 16 | u16(at + 2);
    };
    const uint64_t ifd = u32(4);
    if (ifd + 2 > bytes.size()) return false;
    uint64_t width = 1, height = 1;
    for (uint32_t i = 0, n = u16(ifd); i < n && ifd + 2 + 12 * uint64_t(i + 1) <= bytes.size(); ++i) {
        const std::size_t at = ifd + 2 + 12 * i;
        const uint32_t value = u16(at + 2) == 3 ? u16(at + 8) : u32(at + 8);
        if (u16(at) == 256) width = value;
        if (u16(at) == 257) height = value;
    }
    return width * height > (uint64_t(4) << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (ClaimsHugeSize(bytes)) return 0;
    LoadInfo info;
    std::optional<Image> image = LoadTiff(bytes, info);
    if (!image) {
        if (const std::optional<Image> fallback = DecodeTiffWithLibrary(bytes)) CheckImage(*fallback);
        return 0;
    }
    CheckImage(*image);
    const bool alpha = info.bytesPerPixel == 4;
    ByteBuffer written;
    if (!EncodeTiff(*image, alpha, written)) std::abort();
    LoadInfo againInfo;
    std::optional<Image> again = LoadTiff(written, againInfo);
    if (!again || again->pixels != image->pixels) std::abort();
    return 0;
}
