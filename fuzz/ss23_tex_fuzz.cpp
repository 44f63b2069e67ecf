// Fuzz target: feeds the same bytes to the Serious Sam 2 and the Serious Sam 3 / 2017 reader.
// Nothing may crash or read outside the bytes; a decoded image must have the size the record
// states, and only a failure may leave an error text. Neither reader allocates more than a
// small multiple of the input (pixel data must be present before it is decoded), so no input
// needs to be skipped.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "texformats/ss2_tex.h"
#include "texformats/ss3_tex.h"

namespace {

void Check(const std::optional<Image>& image, const LoadInfo& info) {
    if (image.has_value() == !info.error.empty()) std::abort();
    if (!image) {
        if (!info.rgbeData.empty()) std::abort();
        return;
    }
    if (image->width != info.width || image->height != info.height) std::abort();
    if (image->pixels.size() != std::size_t(image->width) * std::size_t(image->height) * 4) std::abort();
    if (info.isHdr && info.rgbeData.size() != image->pixels.size() && !info.rgbeData.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    LoadInfo ss2;
    Check(ReadSs2Tex(bytes, ss2), ss2);
    LoadInfo ss3;
    Check(ReadSs3Tex(bytes, ss3, {0.5, 1}), ss3);
    return 0;
}
