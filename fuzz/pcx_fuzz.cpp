// Fuzz target: decodes the input as a PCX file and, when it loads, encodes the image again.
// Nothing may crash, hang, leak or read outside the input. Inputs whose header claims more
// than 4 Mpixels are skipped: short data legitimately loads as a mostly black image of the
// claimed size, and allocating that is not what this target looks for.
#include <cstdint>
#include <span>

#include "fuzz_checks.h"
#include "imageformats/pcx.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int64_t kMaxPixels = int64_t(1) << 22;
    if (size >= 128) {
        const int64_t width = int64_t(Le16(data + 8)) - Le16(data + 4) + 1;
        const int64_t height = int64_t(Le16(data + 10)) - Le16(data + 6) + 1;
        if (width * height > kMaxPixels) return 0;
    }
    LoadInfo info;
    const auto image = LoadPcx(std::span<const uint8_t>(data, size), info);
    CheckLoadResult(image, info);
    if (image) EncodePcx(*image);
    return 0;
}
