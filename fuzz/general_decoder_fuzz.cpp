// The general decoder: PNG, JPEG, BMP and TIFF through the system libraries, told apart by
// their first bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.h"
#include "imageformats/general_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<DecodedImage> decoded = DecodeWithLibraries({data, size});
    if (decoded) {
        CheckImage(decoded->image);
        if (decoded->decodedBitsPerPixel < 1 || decoded->decodedBitsPerPixel > 64)
            FuzzFail("implausible decoded bits per pixel");
    }
    return 0;
}
