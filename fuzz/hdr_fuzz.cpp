// Fuzz target: decodes a Radiance file held in memory; what decodes must survive a write and a
// second read unchanged. Files that claim more than 2048 pixels a side are skipped, so the
// fuzzer explores parsing instead of allocating and filling gigabytes for legal sizes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "fuzz_checks.h"
#include "imageformats/hdr.h"

namespace {

// The resolution line follows the first empty line; a number in it above the limit means skip.
bool ClaimsHugeSize(std::span<const uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t headerEnd = text.find("\n\n");
    if (headerEnd == std::string_view::npos) return false;
    const std::string_view line = text.substr(headerEnd + 2, text.find('\n', headerEnd + 2) - (headerEnd + 2));
    uint64_t value = 0;
    for (char c : line) {
        value = c >= '0' && c <= '9' ? value * 10 + uint64_t(c - '0') : 0;
        if (value > 2048) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (ClaimsHugeSize(bytes)) return 0;
    LoadInfo info;
    std::optional<Image> image = LoadHdr(bytes, info, {1.0, 1});
    CheckLoadResult(image, info);
    if (!image) {
        if (!info.rgbeData.empty()) FuzzFail("RGBE array kept after a refusal");
        return 0;
    }
    if (info.rgbeData.size() != image->byteSize()) FuzzFail("RGBE array does not match the image");
    ByteBuffer written;
    if (!EncodeHdr(info.rgbeData.data(), info.width, info.height, written)) std::abort();
    std::string error;
    std::optional<RgbeImage> again = DecodeHdr(written, error);
    if (!again || again->rgbe != info.rgbeData) std::abort();
    return 0;
}
