// Fuzz target: decodes the input as a TGA file and, when it loads, encodes the image again.
// Nothing may crash, hang, leak or read outside the input. Inputs whose header claims more
// than 4 Mpixels are skipped: short data legitimately loads as a mostly black image of the
// claimed size, and allocating that is not what this target looks for.
#include <cstdint>
#include <span>

#include "fuzz_checks.h"
#include "imageformats/tga.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int64_t kMaxPixels = int64_t(1) << 22;
    if (size >= 18 && int64_t(Le16(data + 12)) * Le16(data + 14) > kMaxPixels) return 0;
    LoadInfo info;
    const auto image = LoadTga(std::span<const uint8_t>(data, size), info);
    CheckLoadResult(image, info);
    if (image) EncodeTga(*image, true);
    return 0;
}
