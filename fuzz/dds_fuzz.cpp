// Fuzz target: decodes the input as a DDS file; what decodes must survive a write as
// uncompressed BGRA and a second read unchanged. The reader checks the data length against
// the claimed size before it allocates, so no size limit is needed here.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_checks.h"
#include "imageformats/dds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadInfo info;
    const std::optional<Image> image = LoadDds(std::span<const uint8_t>(data, size), info);
    CheckLoadResult(image, info);
    if (!image) return 0;
    ByteBuffer written;
    if (!EncodeDds(*image, kDdsBgra, false, written)) std::abort();
    LoadInfo again;
    const std::optional<Image> reread = LoadDds(written, again);
    if (!reread || reread->pixels != image->pixels) std::abort();
    return 0;
}
